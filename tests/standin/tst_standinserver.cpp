#include "standinserver.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

namespace {

const QByteArray woman = "80756000080000000001";
const QByteArray servicePrefix = "http://cardservice.example/tarvik/servlet/"
                                 "ch.ofac.ca.tarvik.CaValidationHorizontale?type=XML&langue=1";

QByteArray serviceTarget(const QByteArray &card)
{
    return servicePrefix + "&carte=" + card + "&ReturnType=STPLUS";
}

QByteArray get(const QByteArray &target)
{
    return "GET " + target + " HTTP/1.1\r\nHost: cardservice.example\r\n\r\n";
}

// What the server serves by default (_data functions run before the server exists).
QByteArray sample(const QByteArray &card)
{
    QFile file(StandinServer::defaultSamplesDir() + '/' + card + ".xml");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Response
{
    QByteArray raw, body;
    bool closed = false;
    int status = 0;
    QByteArray header(const char *name) const
    {
        const QRegularExpression field(QStringLiteral("\r\n%1: ([^\r]*)").arg(QLatin1String(name)));
        return field.match(QString::fromLatin1(raw.left(raw.indexOf("\r\n\r\n") + 2)))
                .captured(1)
                .toLatin1();
    }
};

// Sends one request and collects everything until the server closes or waitMs pass. The event
// loop keeps running meanwhile, so an in-process server can answer.
Response exchange(quint16 port, const QByteArray &request, int waitMs = 10000)
{
    QTcpSocket socket;
    Response r;
    QEventLoop loop;
    QObject::connect(&socket, &QTcpSocket::connected, [&] { socket.write(request); });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { r.raw += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    socket.connectToHost(QHostAddress::LocalHost, port);
    loop.exec();
    r.raw += socket.readAll();
    r.closed = socket.state() == QAbstractSocket::UnconnectedState;
    r.status = r.raw.startsWith("HTTP/1.1 ") ? r.raw.mid(9, 3).toInt() : 0;
    const int end = r.raw.indexOf("\r\n\r\n");
    r.body = end < 0 ? QByteArray() : r.raw.mid(end + 4);
    return r;
}

} // namespace

Q_DECLARE_METATYPE(StandinServer::Failure)

class TestStandinServer : public QObject
{
    Q_OBJECT

    std::unique_ptr<StandinServer> server;
    quint16 port = 0;

private Q_SLOTS:
    void init()
    {
        server = std::make_unique<StandinServer>();
        QVERIFY(server->listen(QHostAddress::LocalHost, 0));
        port = server->serverPort();
    }
    void cleanup() { server.reset(); }

    void sampleReplies_data()
    {
        QTest::addColumn<QByteArray>("card");
        QTest::addColumn<QByteArray>("marker");
        using B = QByteArray;
        QTest::newRow("woman") << woman << B("statut=\"0\"");
        QTest::newRow("man") << B("80756015620000000002") << B("statut=\"0\"");
        QTest::newRow("unknown") << B("80756000080000000060") << B("statut=\"60\"");
        QTest::newRow("read error") << B("80756000080000000067") << B("statut=\"67\"");
        QTest::newRow("server error") << B("80756000080000000404") << B("not found");
    }
    void sampleReplies()
    {
        QFETCH(QByteArray, card);
        QFETCH(QByteArray, marker);
        const Response r = exchange(port, get(serviceTarget(card)));
        QCOMPARE(r.status, 200);
        QVERIFY(r.closed);
        QCOMPARE(r.body, sample(card));
        QCOMPARE(r.header("Content-Length").toInt(), r.body.size());
        QCOMPARE(r.header("Content-Type"), QByteArray("text/xml; charset=UTF-8"));
        QCOMPARE(r.header("Connection"), QByteArray("close"));
        QCOMPARE(server->requestLines(), {"GET " + serviceTarget(card) + " HTTP/1.1"});

        // The lookup takes "error" together with "not found" as a server error, whatever else.
        const QByteArray lower = QString::fromUtf8(r.body).toLower().toUtf8();
        QVERIFY(r.body.contains(marker) || lower.contains(marker));
        QCOMPARE(lower.contains("error") && lower.contains("not found"), marker == "not found");
        if (marker == "statut=\"0\"") {
            for (const char *needed :
                 {"</ofac-id>", "<agency nom=\"", "</agency>", "<client ", "assure-id=\"", "sex=\"",
                  "cardholderIdentifier=\"756", "</last-name>", "</first-name>", "</street>",
                  "</zip>", "</city>", "<country>CH</country>", "</client>"})
                QVERIFY2(r.body.contains(needed), needed);
        }
    }

    void unknownCards_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("card without a sample") << serviceTarget("80756999990000000009");
        QTest::newRow("no card parameter") << servicePrefix + "&ReturnType=STPLUS";
        QTest::newRow("path out of the folder") << serviceTarget("..%2Fsecret");
        QTest::newRow("empty card") << serviceTarget("");
    }
    void unknownCards()
    {
        QFETCH(QByteArray, target);
        QTemporaryDir dir;
        QFile secret(dir.filePath("secret.xml"));
        QVERIFY(QDir(dir.path()).mkdir("samples") && secret.open(QIODevice::WriteOnly));
        secret.write("<r statut=\"0\"/>");
        secret.close();
        server->setSamplesDir(dir.filePath("samples"));
        const Response r = exchange(port, get(target));
        QCOMPARE(r.status, 200);
        QVERIFY(r.body.contains("statut=\"60\""));
        QVERIFY(!r.body.contains("statut=\"0\""));
    }

    void refusedRequests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        const QByteArray target = serviceTarget(woman);
        QTest::newRow("other path") << get("http://cardservice.example/other") << 404;
        QTest::newRow("POST") << "POST " + target + " HTTP/1.1\r\n\r\n" << 405;
        QTest::newRow("origin form") << get(target.mid(target.indexOf("/tarvik"))) << 400;
        QTest::newRow("wrong ReturnType") << get(QByteArray(target).replace("STPLUS", "ST")) << 400;
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\x01 \x7f\r\n\r\n", 9) << 400;
        QTest::newRow("endless request line") << "GET /" + QByteArray(40000, 'a') << 400;
        QTest::newRow("oversized header")
                << "GET " + target + " HTTP/1.1\r\nX: "
                           + QByteArray(StandinServer::maxHeadBytes, 'x') + "\r\n\r\n"
                << 400;
    }
    void refusedRequests()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        const Response r = exchange(port, request);
        QCOMPARE(r.status, status);
        QVERIFY(r.closed);
        QCOMPARE(r.header("Content-Length").toInt(), r.body.size());
        QCOMPARE(exchange(port, get(serviceTarget(woman))).body, sample(woman));
    }

    void failureModes_data()
    {
        QTest::addColumn<StandinServer::Failure>("failure");
        QTest::addColumn<int>("status"); // 0: not a byte comes back
        QTest::addColumn<bool>("closed");
        QTest::newRow("http 404") << StandinServer::Failure::HttpError << 404 << true;
        QTest::newRow("http 502") << StandinServer::Failure::HttpError << 502 << true;
        QTest::newRow("close") << StandinServer::Failure::CloseWithoutAnswer << 0 << true;
        QTest::newRow("never answer") << StandinServer::Failure::NeverAnswer << 0 << false;
    }
    void failureModes()
    {
        QFETCH(StandinServer::Failure, failure);
        QFETCH(int, status);
        QFETCH(bool, closed);
        server->setFailure(failure, status);
        const Response r = exchange(port, get(serviceTarget(woman)), closed ? 10000 : 500);
        QCOMPARE(r.status, status);
        QCOMPARE(r.closed, closed);
        QCOMPARE(r.raw.isEmpty(), status == 0);
        QCOMPARE(server->requestLines().size(), 1);
    }

    void slowClientDoesNotHoldOthers()
    {
        server->setHeadTimeout(300);
        QTcpSocket slow;
        slow.connectToHost(QHostAddress::LocalHost, port);
        QTRY_VERIFY(slow.state() == QAbstractSocket::ConnectedState);
        slow.write("GET http://cardservice.example/");

        server->setHeadTimeout(0); // applies to the next connection only
        QCOMPARE(exchange(port, get(serviceTarget(woman))).body, sample(woman));
        QTRY_VERIFY_WITH_TIMEOUT(slow.state() == QAbstractSocket::UnconnectedState, 10000);
        QVERIFY(slow.readAll().startsWith("HTTP/1.1 408 "));
    }

    void padding_data()
    {
        QTest::addColumn<qint64>("padTo");
        QTest::addColumn<qint64>("expected");
        const qint64 size = sample(woman).size();
        QTest::newRow("below the body: unchanged") << qint64(10) << size;
        QTest::newRow("gap too small for a comment") << size + 3 << size + 3;
        QTest::newRow("comments and line feeds") << size + 1000 << size + 1000;
        QTest::newRow("20 MiB") << qint64(20) * 1024 * 1024 << qint64(20) * 1024 * 1024;
    }
    void padding()
    {
        QFETCH(qint64, padTo);
        QFETCH(qint64, expected);
        server->setPadTo(padTo);
        const Response r = exchange(port, get(serviceTarget(woman)), 60000);
        QCOMPARE(qint64(r.body.size()), expected);
        QCOMPARE(r.header("Content-Length").toLongLong(), expected);

        // Taking the filler out gives the sample back, and the filler is well-formed comments
        // and line feeds before the closing root tag.
        const QByteArray original = sample(woman);
        const int at = original.lastIndexOf("</");
        const int tail = original.size() - at;
        QCOMPARE(r.body.left(at), original.left(at));
        QCOMPARE(r.body.right(tail), original.mid(at));
        const QByteArray filler = r.body.mid(at, r.body.size() - at - tail);
        QVERIFY(!filler.contains("error") && !filler.contains("statut"));
        const QString rest = QString::fromLatin1(filler).remove(
                QRegularExpression(QStringLiteral("<!--[^-]*-->")));
        QCOMPARE(rest, QString(rest.size(), QLatin1Char('\n')));
    }

    void fixedReply()
    {
        server->setFixedReply("statut=\"0\" plain", "text/plain");
        Response r = exchange(port, get(serviceTarget("80756000080000000067")));
        QCOMPARE(r.body, QByteArray("statut=\"0\" plain"));
        QCOMPARE(r.header("Content-Type"), QByteArray("text/plain"));

        server->setFixedReply(QByteArray());
        r = exchange(port, get(serviceTarget(woman)));
        QCOMPARE(r.status, 200);
        QCOMPARE(r.header("Content-Length"), QByteArray("0"));

        server->clearFixedReply();
        QCOMPARE(exchange(port, get(serviceTarget(woman))).body, sample(woman));
    }

    void throughNetworkAccessManager()
    {
        QNetworkAccessManager manager;
        manager.setProxy(
                QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port));
        std::unique_ptr<QNetworkReply> reply(
                manager.get(QNetworkRequest(QUrl::fromEncoded(serviceTarget(woman)))));
        QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 10000);
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QCOMPARE(reply->readAll(), sample(woman));
    }

    void programListensAnswersAndStops()
    {
        QProcess program;
        program.start(QStringLiteral(HIN_STANDIN_PROGRAM), {"--port", "0", "--log"});
        QVERIFY(program.waitForReadyRead(10000));
        const QRegularExpressionMatch listening =
                QRegularExpression(
                        QStringLiteral("^hin-standin listening on 127\\.0\\.0\\.1:(\\d+)\n$"))
                        .match(QString::fromLatin1(program.readLine()));
        QVERIFY(listening.hasMatch());

        const QString programPort = listening.captured(1);
        QCOMPARE(exchange(programPort.toUShort(), get(serviceTarget(woman))).body, sample(woman));

        QProcess second;
        second.start(QStringLiteral(HIN_STANDIN_PROGRAM), {"--port", programPort});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(second.readAllStandardError().contains("cannot listen on 127.0.0.1:"));

        program.terminate();
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(program.readAllStandardError().contains("GET " + serviceTarget(woman)
                                                        + " HTTP/1.1\n"));
    }
};

QTEST_GUILESS_MAIN(TestStandinServer)
#include "tst_standinserver.moc"
