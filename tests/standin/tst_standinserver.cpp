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

struct Response
{
    QByteArray raw;
    bool closed = false;
    int status = 0;
    QByteArray body;
    QByteArray header(const QByteArray &name) const
    {
        const QRegularExpression field(QStringLiteral("\r\n%1: ([^\r]*)").arg(QString(name)));
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

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the server serves by default (_data functions run before the server exists).
QByteArray sample(const QByteArray &card)
{
    return readFile(StandinServer::defaultSamplesDir() + '/' + card + ".xml");
}

} // namespace

Q_DECLARE_METATYPE(StandinServer::Failure)

class TestStandinServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { server.reset(); }
    void sampleReplies_data();
    void sampleReplies();
    void unknownCards_data();
    void unknownCards();
    void refusedRequests_data();
    void refusedRequests();
    void failureModes_data();
    void failureModes();
    void slowClientDoesNotHoldOthers();
    void padding_data();
    void padding();
    void fixedReply();
    void throughNetworkAccessManager_data();
    void throughNetworkAccessManager();
    void programListensAnswersAndStops();
    void programRefuses_data();
    void programRefuses();

private:
    std::unique_ptr<StandinServer> server;
    quint16 port = 0;
};

void TestStandinServer::init()
{
    server = std::make_unique<StandinServer>();
    QVERIFY(server->listen(QHostAddress::LocalHost, 0));
    port = server->serverPort();
}

void TestStandinServer::sampleReplies_data()
{
    QTest::addColumn<QByteArray>("card");
    QTest::addColumn<QByteArray>("marker");
    QTest::newRow("woman, full record") << woman << QByteArray("statut=\"0\"");
    QTest::newRow("man, full record")
            << QByteArray("80756015620000000002") << QByteArray("statut=\"0\"");
    QTest::newRow("unknown card") << QByteArray("80756000080000000060")
                                  << QByteArray("statut=\"60\"");
    QTest::newRow("application problem")
            << QByteArray("80756000080000000067") << QByteArray("statut=\"67\"");
    QTest::newRow("server error page")
            << QByteArray("80756000080000000404") << QByteArray("not found");
}

void TestStandinServer::sampleReplies()
{
    QFETCH(QByteArray, card);
    QFETCH(QByteArray, marker);
    QSignalSpy received(server.get(), &StandinServer::requestReceived);
    const Response r = exchange(port, get(serviceTarget(card)));
    QCOMPARE(r.status, 200);
    QVERIFY(r.closed);
    QCOMPARE(r.body, sample(card));
    QCOMPARE(r.header("Content-Length").toInt(), r.body.size());
    QCOMPARE(r.header("Content-Type"), QByteArray("text/xml; charset=UTF-8"));
    QCOMPARE(r.header("Connection"), QByteArray("close"));
    const QByteArray line = "GET " + serviceTarget(card) + " HTTP/1.1";
    QCOMPARE(server->requestLines(), QList<QByteArray>{line});
    QCOMPARE(received.count(), 1);

    // The lookup takes "error" together with "not found" as a server error, whatever the status.
    const QByteArray lower = QString::fromUtf8(r.body).toLower().toUtf8();
    QVERIFY(r.body.contains(marker) || lower.contains(marker));
    QCOMPARE(lower.contains("error") && lower.contains("not found"), marker == "not found");
    if (marker != "statut=\"0\"")
        return;
    for (const char *needed :
         {"<ofac-id>", "</ofac-id>", "<agency", "nom=\"", "</agency>", "<client", "assure-id=\"",
          "sex=\"", "cardholderIdentifier=\"756", "<last-name>", "</first-name>", "<street>",
          "</zip>", "<city>", "</country>", "</client>"})
        QVERIFY2(r.body.contains(needed), needed);
    QVERIFY(QRegularExpression(QStringLiteral("<birth-date>\\d{4}-\\d\\d-\\d\\d</birth-date>"))
                    .match(QString::fromUtf8(r.body))
                    .hasMatch());
}

void TestStandinServer::unknownCards_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::newRow("card without a sample") << serviceTarget("80756999990000000009");
    QTest::newRow("no card parameter") << servicePrefix + "&ReturnType=STPLUS";
    QTest::newRow("path out of the folder") << serviceTarget("..%2F..%2Fetc%2Fpasswd");
    QTest::newRow("empty card") << serviceTarget("");
}

void TestStandinServer::unknownCards()
{
    QFETCH(QByteArray, target);
    const Response r = exchange(port, get(target));
    QCOMPARE(r.status, 200);
    QVERIFY(r.body.contains("statut=\"60\""));
    QVERIFY(!r.body.contains("statut=\"0\""));
    QVERIFY(!r.body.contains("passwd"));
}

void TestStandinServer::refusedRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    const QByteArray path = serviceTarget(woman).mid(int(qstrlen("http://cardservice.example")));
    QTest::newRow("other path") << get("http://cardservice.example/other") << 404;
    QTest::newRow("other servlet")
            << get("http://cardservice.example/tarvik/servlet/X?carte=1") << 404;
    QTest::newRow("POST") << "POST " + serviceTarget(woman) + " HTTP/1.1\r\n\r\n" << 405;
    QTest::newRow("CONNECT") << QByteArray("CONNECT cardservice.example:443 HTTP/1.1\r\n\r\n")
                             << 405;
    QTest::newRow("origin form, not a proxy request") << get(path) << 400;
    QTest::newRow("wrong ReturnType") << get(serviceTarget(woman).replace("STPLUS", "ST")) << 400;
    QTest::newRow("HTTP/2") << "GET " + serviceTarget(woman) + " HTTP/2.0\r\n\r\n" << 400;
    QTest::newRow("garbage line") << QByteArray("hello there\n\n") << 400;
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\x01 \x7f\r\n\r\n", 9) << 400;
    QTest::newRow("endless request line") << "GET /" + QByteArray(40000, 'a') << 400;
    QTest::newRow("oversized header")
            << "GET " + serviceTarget(woman) + " HTTP/1.1\r\nX: "
                       + QByteArray(StandinServer::maxHeadBytes, 'x') + "\r\n\r\n"
            << 400;
}

void TestStandinServer::refusedRequests()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    const Response r = exchange(port, request);
    QCOMPARE(r.status, status);
    QVERIFY(r.closed);
    QCOMPARE(r.header("Content-Length").toInt(), r.body.size());
    QCOMPARE(exchange(port, get(serviceTarget(woman))).body, sample(woman));
}

void TestStandinServer::failureModes_data()
{
    QTest::addColumn<StandinServer::Failure>("failure");
    QTest::addColumn<int>("httpStatus");
    QTest::addColumn<int>("expectedStatus"); // 0: not a byte comes back
    QTest::addColumn<bool>("closed");
    using F = StandinServer::Failure;
    QTest::newRow("http 404") << F::HttpError << 404 << 404 << true;
    QTest::newRow("http 502") << F::HttpError << 502 << 502 << true;
    QTest::newRow("non-error status becomes 502") << F::HttpError << 200 << 502 << true;
    QTest::newRow("close without answer") << F::CloseWithoutAnswer << 0 << 0 << true;
    QTest::newRow("never answer") << F::NeverAnswer << 0 << 0 << false;
}

void TestStandinServer::failureModes()
{
    QFETCH(StandinServer::Failure, failure);
    QFETCH(int, httpStatus);
    QFETCH(int, expectedStatus);
    QFETCH(bool, closed);
    server->setFailure(failure, httpStatus);
    const Response r = exchange(port, get(serviceTarget(woman)), closed ? 10000 : 500);
    QCOMPARE(r.status, expectedStatus);
    QCOMPARE(r.closed, closed);
    if (expectedStatus == 0)
        QVERIFY(r.raw.isEmpty());
    QCOMPARE(server->requestLines().size(), 1);
}

void TestStandinServer::slowClientDoesNotHoldOthers()
{
    server->setHeadTimeout(300);
    QTcpSocket slow;
    QByteArray slowAnswer;
    connect(&slow, &QTcpSocket::readyRead, [&] { slowAnswer += slow.readAll(); });
    slow.connectToHost(QHostAddress::LocalHost, port);
    QTRY_VERIFY(slow.state() == QAbstractSocket::ConnectedState);
    slow.write("GET http://cardservice.example/");

    server->setHeadTimeout(0); // the other client is not limited
    QCOMPARE(exchange(port, get(serviceTarget(woman))).body, sample(woman));
    QTRY_VERIFY_WITH_TIMEOUT(slow.state() == QAbstractSocket::UnconnectedState, 10000);
    QVERIFY(slowAnswer.startsWith("HTTP/1.1 408 "));
}

void TestStandinServer::padding_data()
{
    QTest::addColumn<qint64>("padTo");
    QTest::addColumn<qint64>("expected");
    const qint64 size = sample(woman).size();
    QTest::newRow("below the body: unchanged") << qint64(10) << size;
    QTest::newRow("gap too small for a comment") << size + 3 << size + 3;
    QTest::newRow("comments and line feeds") << size + 1000 << size + 1000;
    QTest::newRow("20 MiB") << qint64(20) * 1024 * 1024 << qint64(20) * 1024 * 1024;
}

void TestStandinServer::padding()
{
    QFETCH(qint64, padTo);
    QFETCH(qint64, expected);
    server->setPadTo(padTo);
    const Response r = exchange(port, get(serviceTarget(woman)), 60000);
    QCOMPARE(qint64(r.body.size()), expected);
    QCOMPARE(r.header("Content-Length").toLongLong(), expected);

    // Taking the filler out gives the sample back, and the filler is well-formed comments and
    // line feeds before the closing root tag.
    const QByteArray original = sample(woman);
    const int at = original.lastIndexOf("</");
    const int tail = original.size() - at;
    QCOMPARE(r.body.left(at), original.left(at));
    QCOMPARE(r.body.right(tail), original.mid(at));
    const QByteArray filler = r.body.mid(at, r.body.size() - at - tail);
    QVERIFY(!filler.contains("error") && !filler.contains("statut"));
    const QString rest =
            QString::fromLatin1(filler).remove(QRegularExpression(QStringLiteral("<!--[^-]*-->")));
    QCOMPARE(rest, QString(rest.size(), QLatin1Char('\n')));
}

void TestStandinServer::fixedReply()
{
    server->setFixedReply("statut=\"0\" plain", "text/plain");
    Response r = exchange(port, get(serviceTarget("80756000080000000067")));
    QCOMPARE(r.body, QByteArray("statut=\"0\" plain"));
    QCOMPARE(r.header("Content-Type"), QByteArray("text/plain"));

    server->setFixedReply(QByteArray());
    r = exchange(port, get(serviceTarget(woman)));
    QCOMPARE(r.status, 200);
    QCOMPARE(r.header("Content-Length"), QByteArray("0"));
    QVERIFY(r.body.isEmpty());
    QCOMPARE(exchange(port, get("http://cardservice.example/other")).status, 404);

    server->clearFixedReply();
    QCOMPARE(exchange(port, get(serviceTarget(woman))).body, sample(woman));
}

void TestStandinServer::throughNetworkAccessManager_data()
{
    QTest::addColumn<StandinServer::Failure>("failure");
    QTest::addColumn<QNetworkReply::NetworkError>("error");
    QTest::newRow("sample") << StandinServer::Failure::None << QNetworkReply::NoError;
    QTest::newRow("http 502") << StandinServer::Failure::HttpError
                              << QNetworkReply::UnknownServerError;
    QTest::newRow("close") << StandinServer::Failure::CloseWithoutAnswer
                           << QNetworkReply::RemoteHostClosedError;
}

void TestStandinServer::throughNetworkAccessManager()
{
    QFETCH(StandinServer::Failure, failure);
    QFETCH(QNetworkReply::NetworkError, error);
    server->setFailure(failure, 502);
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port));
    std::unique_ptr<QNetworkReply> reply(
            manager.get(QNetworkRequest(QUrl::fromEncoded(serviceTarget(woman)))));
    QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 10000);
    QCOMPARE(reply->error(), error);
    if (error == QNetworkReply::NoError)
        QCOMPARE(reply->readAll(), sample(woman));
}

void TestStandinServer::programListensAnswersAndStops()
{
    QProcess program;
    program.start(QStringLiteral(HIN_STANDIN_PROGRAM), {"--port", "0", "--log"});
    QVERIFY(program.waitForReadyRead(10000));
    const QRegularExpressionMatch listening =
            QRegularExpression(
                    QStringLiteral("^hin-standin listening on 127\\.0\\.0\\.1:(\\d+)\n$"))
                    .match(QString::fromLatin1(program.readLine()));
    QVERIFY(listening.hasMatch());

    const Response r = exchange(quint16(listening.captured(1).toUInt()), get(serviceTarget(woman)));
    QCOMPARE(r.body, sample(woman));
    program.terminate();
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(program.readAllStandardError().contains("GET " + serviceTarget(woman) + " HTTP/1.1\n"));
}

void TestStandinServer::programRefuses_data()
{
    QTest::addColumn<QStringList>("arguments"); // "PORT": the in-process server's port
    QTest::addColumn<QString>("message");
    QTest::newRow("port taken") << QStringList{"--port", "PORT"} << "cannot listen on 127.0.0.1:";
    QTest::newRow("port out of range") << QStringList{"--port", "70000"} << "--port wants";
    QTest::newRow("unknown failure") << QStringList{"--fail", "sometimes"} << "--fail wants";
    QTest::newRow("bad size") << QStringList{"--pad-to", "lots"} << "--pad-to wants";
    QTest::newRow("missing samples")
            << QStringList{"--samples", "/nonexistent"} << "does not exist";
}

void TestStandinServer::programRefuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    arguments.replaceInStrings(QStringLiteral("PORT"), QString::number(port));
    if (!arguments.contains(QStringLiteral("--port")))
        arguments << QStringLiteral("--port") << QStringLiteral("0");
    QProcess program;
    program.start(QStringLiteral(HIN_STANDIN_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 1);
    QVERIFY(program.readAllStandardOutput().isEmpty());
    QVERIFY(QString::fromLocal8Bit(program.readAllStandardError()).contains(message));
}

QTEST_GUILESS_MAIN(TestStandinServer)
#include "tst_standinserver.moc"
