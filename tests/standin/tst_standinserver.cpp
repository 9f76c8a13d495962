// SPDX-License-Identifier: MIT
#include "standinserver.h"

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
        QFile file(StandinServer::defaultSamplesDir() + '/' + woman + ".xml");
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
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("bodyPart");
        const QByteArray unknown = "statut=\"60\"", any;
        QTest::newRow("sample card") << get() << 200 << sample();
        QTest::newRow("empty lines first") << "\r\n\n" + get() << 200 << sample();
        QTest::newRow("no sample") << get(service + "80756999990000000009") << 200
                                   << QByteArray("<carte numero=\"80756999990000000009\"");
        // Taken as a file name, this would be samples/../samples/<woman>.xml, which exists.
        QTest::newRow("path escape") << get(service + "..%2Fsamples%2F" + woman) << 200 << unknown;
        QTest::newRow("other path") << get("http://hin/other") << 404 << any;
        QTest::newRow("POST") << "POST " + service + woman + " HTTP/1.1\r\n\r\n" << 405 << any;
        QTest::newRow("https") << get("https" + service.mid(4) + woman) << 400 << any;
        QTest::newRow("bad query") << get(QByteArray(service).replace("XML", "X")) << 400 << any;
        QTest::newRow("binary garbage")
                << QByteArray("\x00\xff\x7f / HTTP/1.1\r\n\r\n", 18) << 400 << any;
        QTest::newRow("endless request line") << "GET /" + QByteArray(40000, 'a') << 400 << any;
        QTest::newRow("head never ends") << QByteArray("GET http://hin/") << 408 << any;
    }
    void requests()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QByteArray, bodyPart);
        const Response r = exchange(request);
        QCOMPARE(r.status(), status);
        // The lookup decodes by the charset named here.
        QVERIFY(status != 200 || r.has("Content-Type: text/xml; charset=UTF-8"));
        QVERIFY(r.has("Content-Length: " + QByteArray::number(r.body.size())));
        QVERIFY(r.body.contains(bodyPart) && r.has("Connection: close") && r.closed);
        QCOMPARE(exchange().body, sample()); // whatever came before, the next client is served
    }

    void failureModes_data()
    {
        QTest::addColumn<F>("failure");
        QTest::addColumn<int>("status"); // 0: not a byte comes back
        QTest::newRow("http 503") << F::HttpError << 503;
        QTest::newRow("close") << F::CloseWithoutAnswer << 0;
        QTest::newRow("never answer") << F::NeverAnswer << 0;
        QTest::newRow("redirect") << F::StatusWithRecord << 302;
    }
    void failureModes()
    {
        QFETCH(F, failure);
        QFETCH(int, status);
        server->setFailure(failure, status);
        const Response r = exchange(get(), failure == F::NeverAnswer ? 500 : 10000);
        QCOMPARE(r.status(), status);
        QCOMPARE(r.closed, failure != F::NeverAnswer);
        QVERIFY(!r.status() || r.has("Content-Length: " + QByteArray::number(r.body.size())));
        QVERIFY(failure != F::StatusWithRecord || r.has("Location: http://elsewhere.example/"));
        QCOMPARE(server->requestLines(), {"GET " + service + woman + " HTTP/1.1"});
    }
};

QTEST_GUILESS_MAIN(tst_StandinServer)
#include "tst_standinserver.moc"
