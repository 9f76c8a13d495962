// SPDX-License-Identifier: MIT
#include "standinserver.h"

#include "testliterals.h"
#include <QTcpSocket>

#include <QtTest>

using F = StandinServer::Failure;
Q_DECLARE_METATYPE(F)

const QByteArray woman = "80756000080000000001";
const QByteArray service = "http://hin/tarvik/servlet/ch.ofac.ca.tarvik.CaValidationHorizontale"
                           "?type=XML&langue=1&ReturnType=STPLUS&carte=";

class tst_StandinServer : public QObject
{
    Q_OBJECT

    QScopedPointer<StandinServer> server;

    struct Response
    {
        QByteArray head, body; // head: status line and fields, each ending in CR LF
        bool closed;
        int status() const { return head.startsWith("HTTP/1.1 ") ? head.mid(9, 3).toInt() : 0; }
        bool has(const QByteArray &field) const { return head.contains("\r\n" + field + "\r\n"); }
    };

    static QByteArray get(QByteArray t = service + woman)
    {
        return "GET " + t + " HTTP/1.1\r\n\r\n";
    }

    // What the server serves by default (_data functions run before the server exists).
    static QByteArray sample()
    {
        QFile file(StandinServer::defaultSamplesDir() + QLatin1Char('/')
                   + QString::fromLatin1(woman) + ".xml"_s);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Sends one request and collects everything until the server closes or waitMs pass. The
    // event loop keeps running meanwhile, so that the server can answer.
    Response exchange(const QByteArray &request = get(), int waitMs = 10000)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, server->serverPort());
        socket.write(request); // goes out once connected
        const bool closed = QTest::qWaitFor(
                [&] { return socket.state() == QAbstractSocket::UnconnectedState; }, waitMs);
        const QByteArray raw = socket.readAll();
        const int end = raw.indexOf("\r\n\r\n") + 2; // 1 without a head: nothing parses
        return {raw.left(end), raw.mid(end + 2), closed};
    }

private Q_SLOTS:
    void init()
    {
        server.reset(new StandinServer);
        server->setHeadTimeout(1000); // only the head that never ends waits for it
        QVERIFY(server->listen(QHostAddress::LocalHost, 0));
    }

    void requests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<F>("failure");
        QTest::addColumn<int>("status"); // 0: not a byte comes back
        QTest::addColumn<QByteArray>("bodyPart");
        const auto row = [](const char *name, const QByteArray &request, int status,
                            const QByteArray &bodyPart = {}, F failure = F::None) {
            QTest::newRow(name) << request << failure << status << bodyPart;
        };
        row("sample card", get(), 200, sample());
        row("empty lines first", "\r\n\n" + get(), 200, sample());
        row("no sample", get(service + "80756999990000000009"), 200,
            "<carte numero=\"80756999990000000009\"");
        // Taken as a file name, this would be samples/../samples/<woman>.xml, which exists.
        row("path escape", get(service + "..%2Fsamples%2F" + woman), 200, "statut=\"60\"");
        row("other path", get("http://hin/other"), 404);
        row("PUT", "PUT " + service + woman + " HTTP/1.1\r\n\r\n", 405);
        row("https", get("https" + service.mid(4) + woman), 400);
        row("bad query", get(QByteArray(service).replace("XML", "X")), 400);
        row("binary garbage", QByteArray("\x00\xff\x7f / HTTP/1.1\r\n\r\n", 18), 400);
        row("endless request line", "GET /" + QByteArray(40000, 'a'), 400);
        row("head never ends", "GET http://hin/", 408);
        row("http 503", get(), 503, {}, F::HttpError);
        row("close", get(), 0, {}, F::CloseWithoutAnswer);
        row("never answer", get(), 0, {}, F::NeverAnswer);
        row("redirect", get(), 302, sample(), F::StatusWithRecord);
    }

    void requests()
    {
        QFETCH(QByteArray, request);
        QFETCH(F, failure);
        QFETCH(int, status);
        QFETCH(QByteArray, bodyPart);
        server->setFailure(failure, status);
        const Response r = exchange(request, failure == F::NeverAnswer ? 500 : 10000);
        QCOMPARE(r.status(), status);
        QCOMPARE(r.closed, failure != F::NeverAnswer);
        // The lookup decodes by the charset named here.
        const char *head = r.head.constData();
        QVERIFY2(status != 200 || r.has("Content-Type: text/xml; charset=UTF-8"), head);
        QVERIFY2(!status || r.has("Content-Length: " + QByteArray::number(r.body.size())), head);
        QVERIFY2(!status || r.has("Connection: close"), head);
        QVERIFY2(r.body.contains(bodyPart), r.body.left(500).constData());
        QVERIFY2(status != 302 || r.has("Location: http://elsewhere.example/"), head);
        if (failure != F::None)
            QCOMPARE(server->requestLines(), {"GET " + service + woman + " HTTP/1.1"});
        server->setFailure(F::None);
        QCOMPARE(exchange().body, sample()); // whatever came before, the next client is served
    }
};

QTEST_GUILESS_MAIN(tst_StandinServer)
#include "tst_standinserver.moc"
