// SPDX-License-Identifier: MIT
// The lookup object in-process, against the stand-in listening on the HIN Client's port: what it
// sends, which popups it shows for how long, and which lines it hands to the message handler.

#include "buildconfig.h"
#include "message.h"
#include "standinserver.h"
#include "tarvik.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

QStringList debugLines;

void collectDebugLines(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        debugLines.append(message);
}

const QString recordCard = QStringLiteral("80756000080000000001");

QByteArray requestLineFor(const QString &card)
{
    return "GET http://" TARVIK_SERVICE_HOST
           "/tarvik/servlet/ch.ofac.ca.tarvik.CaValidationHorizontale?type=XML&langue=1&carte="
           + card.toLatin1() + "&ReturnType=STPLUS HTTP/1.1";
}

QList<Orvel::Message *> visiblePopups(const Tarvik *tarvik)
{
    QList<Orvel::Message *> popups;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *popup = qobject_cast<Orvel::Message *>(w);
        if (popup && popup->isVisible() && popup != tarvik->progressMessage)
            popups.append(popup);
    }
    return popups;
}

// The single-shot close timer that start(ms) gave the popup.
int closeTimerInterval(const Orvel::Message *popup)
{
    const QList<QTimer *> timers = popup->findChildren<QTimer *>();
    auto timer =
            std::find_if(timers.begin(), timers.end(), [](QTimer *t) { return t->isActive(); });
    return timer == timers.end() ? -1 : (*timer)->interval();
}

bool anyButtonVisible(const Orvel::Message *popup)
{
    const QList<QPushButton *> buttons = popup->findChildren<QPushButton *>();
    return std::any_of(buttons.begin(), buttons.end(),
                       [](QPushButton *b) { return !b->isHidden(); });
}

// A reply the test controls completely, for the TLS path that plain HTTP never takes.
class FakeReply : public QNetworkReply
{
public:
    FakeReply(const QUrl &url, const QByteArray &body)
        : m_body(body)
    {
        setUrl(url);
        open(QIODevice::ReadOnly);
    }
    void fail(NetworkError code, const QString &text) { setError(code, text); }
    void abort() override { }
    qint64 bytesAvailable() const override { return m_body.size() + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = qMin<qint64>(maxSize, m_body.size());
        memcpy(data, m_body.constData(), size_t(n));
        m_body.remove(0, int(n));
        return n;
    }

private:
    QByteArray m_body;
};

} // namespace

class tst_Tarvik : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void rejectedNumber_data();
    void rejectedNumber();
    void acceptedNumberSendsOneRequest();
    void record();
    void errorReports_data();
    void errorReports();
    void tlsErrorsEndTheRunAlone();
    void tlsErrorsInJsonAreAFailure();

private:
    // Waits until the lookup has either shown a popup or written its twelve record lines.
    bool waitForOutcome(int recordLines = 12);

    StandinServer *standin = nullptr;
    Tarvik *tarvik = nullptr;
};

void tst_Tarvik::initTestCase()
{
    qInstallMessageHandler(collectDebugLines);
}

void tst_Tarvik::init()
{
    debugLines.clear();
    standin = new StandinServer(this);
    standin->setSamplesDir(QStringLiteral(TARVIK_SOURCE_DIR "/standin/samples"));
    QVERIFY2(standin->listen(QHostAddress::LocalHost, 5016), qPrintable(standin->errorString()));
    tarvik = new Tarvik;
}

void tst_Tarvik::cleanup()
{
    // The program never deletes these; a test must, or the next one would see its popups.
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (qobject_cast<Orvel::Message *>(w))
            delete w;
    }
    delete tarvik;
    tarvik = nullptr;
    delete standin;
    standin = nullptr;
}

bool tst_Tarvik::waitForOutcome(int recordLines)
{
    return QTest::qWaitFor(
            [&] { return !visiblePopups(tarvik).isEmpty() || debugLines.size() >= recordLines; },
            20000);
}

void tst_Tarvik::rejectedNumber_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("cleaned");
    QTest::addColumn<QString>("message");

    const QString chars =
            QStringLiteral("Die Nummer enthält ungültige Zeichen. Es dürfen nur Zahlen sein.");
    const QString prefix = QStringLiteral("Die Nummer beginnt nicht mit 80756.");
    const QString length = QStringLiteral("Die Nummer enthält nicht 20 Zeichen.");
    QTest::newRow("letter at the end") << "8075600008000000000X"
                                       << "8075600008000000000X" << chars;
    QTest::newRow("blanks only") << "   "
                                 << "" << prefix;
    QTest::newRow("too short") << " 80756123 "
                               << "80756123" << length;
}

void tst_Tarvik::rejectedNumber()
{
    QFETCH(QString, argument);
    QFETCH(QString, cleaned);
    QFETCH(QString, message);

    tarvik->setTarvikData(argument);

    QCOMPARE(debugLines, QStringList(QStringLiteral("Nummer ist falsch:  \"") + cleaned + "\" "));
    const QList<Orvel::Message *> popups = visiblePopups(tarvik);
    QCOMPARE(popups.size(), 1);
    QCOMPARE(popups.first()->text(), QStringLiteral("FEHLER: <br><br>") + message);
    QCOMPARE(closeTimerInterval(popups.first()), 5000);
    QVERIFY(!anyButtonVisible(popups.first()));
    QCOMPARE(popups.first()->windowTitle(), QStringLiteral("Meldung"));

    // Nothing goes out for a number that failed its checks.
    QVERIFY(!tarvik->manager);
    QVERIFY(tarvik->progressMessage->isHidden());
    QTest::qWait(50);
    QVERIFY(standin->requestLines().isEmpty());
}

void tst_Tarvik::acceptedNumberSendsOneRequest()
{
    tarvik->setTarvikData(QStringLiteral("  Karte: 80756000080000000001999  "));

    // The please-wait popup is up while the request is under way.
    QVERIFY(tarvik->manager);
    QVERIFY(tarvik->progressMessage->isVisible());
    QCOMPARE(tarvik->progressMessage->text(),
             QStringLiteral("Die Daten werden tranferiert.<br><br>Bitte warten ..."));
    QVERIFY(!anyButtonVisible(tarvik->progressMessage));
    QCOMPARE(closeTimerInterval(tarvik->progressMessage), -1);

    QVERIFY(waitForOutcome());
    QCOMPARE(standin->requestLines(), QList<QByteArray>{requestLineFor(recordCard)});
    QVERIFY(tarvik->progressMessage->isHidden());
}

void tst_Tarvik::record()
{
    tarvik->setTarvikData(recordCard);
    QVERIFY(waitForOutcome());
    QVERIFY(visiblePopups(tarvik).isEmpty());
    // The bytes of every line are checked end to end; here it is enough that each field went
    // out as one line of its own, in order, and that nothing else did.
    QCOMPARE(debugLines.size(), 12);
    QCOMPARE(debugLines.first(), QStringLiteral("Ofac ID\t \"1234567\" \n "));
    QCOMPARE(debugLines.last(), QStringLiteral("Client AHV\t \"756.3047.5009.62\" \n "));
}

void tst_Tarvik::errorReports_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<int>("status"); // of the failure, where it has one
    QTest::addColumn<QByteArray>("body"); // null: the sample reply
    QTest::addColumn<qint64>("padTo");
    QTest::addColumn<QString>("networkError"); // empty: no network error, no output line
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("displayMs");

    using F = StandinServer::Failure;
    const QString unknown = QStringLiteral("Unbekannte Antwort vom Server.");
    const auto reply = [&](const char *name, F failure, const QByteArray &body,
                           const QString &message, qint64 padTo = 0, int status = 0) {
        QTest::newRow(name) << int(failure) << status << body << padTo << QString() << message
                            << 8000;
    };
    reply("no insured person", F::None, "<?xml version=\"1.0\"?><reponse statut=\"60\"/>",
          QStringLiteral("Versicherter unbekannt."));
    reply("application problem", F::None, "<reponse statut=\"67\"/>",
          QStringLiteral("Anwendungsproblem. Ev. Lesefehler."));
    reply("server error wins over a record", F::None,
          "<reponse statut=\"0\"><city>ERROR Not Found</city></reponse>",
          QStringLiteral("Server meldet: nicht gefunden. URL falsch?"));
    reply("unrecognised", F::None, "<reponse statut=\"1\"/>", unknown);
    reply("empty body", F::None, QByteArray(""), unknown);
    reply("redirect with a record", F::StatusWithRecord, QByteArray(), unknown, 0, 302);
    const QString tooLarge = QStringLiteral("Antwort des Servers zu gross.");
    reply("oversized", F::None, QByteArray(), tooLarge, CardRequest::maxReplyBytes + 1024 * 1024);
    reply("endless header line", F::HeaderFlood, QByteArray(), tooLarge);

    // The line keeps the network layer's text, control characters blanked; the popup's rich
    // text gets it escaped (the address in the "not found" text holds ampersands).
    const auto network = [](const char *name, F failure, const QString &text) {
        QTest::newRow(name) << int(failure) << 404 << QByteArray() << qint64(0) << text
                            << text.toHtmlEscaped()
                                       + "<br><br>Ist der HIN Client gestartet ?<br>Sind Sie "
                                         "angemeldet bei HIN ?"
                            << 30000;
    };
    const QString url = QString::fromLatin1(requestLineFor(recordCard).mid(4)).chopped(9);
    network("nothing listening", F(-1), QStringLiteral("Connection refused"));
    network("closed without answer", F::CloseWithoutAnswer, QStringLiteral("Connection closed"));
    network("stalled proxy", F::NeverAnswer, QStringLiteral("Operation canceled"));
    network("dripping body", F::Drip, QStringLiteral("Operation canceled"));
    network("dripping chunks", F::DripChunked, QStringLiteral("Operation canceled"));
    network("reason phrase with controls", F::HttpError,
            "Error transferring " + url + " - server replied: Not Found [2J");
}

void tst_Tarvik::errorReports()
{
    QFETCH(int, failure);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(qint64, padTo);
    QFETCH(QString, networkError);
    QFETCH(QString, message);
    QFETCH(int, displayMs);

    if (failure < 0)
        standin->close();
    else
        standin->setFailure(StandinServer::Failure(failure), status);
    if (!body.isNull())
        standin->setFixedReply(body);
    standin->setPadTo(padTo);
    standin->setReasonPhrase("Not\rFound\x1b[2J");
    standin->setDripInterval(50);
    // The flood needs a while to grow the process, even by a lowered limit.
    const bool flood = failure == int(StandinServer::Failure::HeaderFlood);
    tarvik->setDeadline(flood ? 15000 : 500);
    if (flood)
        tarvik->setMemoryGrowthLimit(16 * 1024 * 1024);
    tarvik->setTarvikData(recordCard);
    QVERIFY(waitForOutcome());

    QCOMPARE(debugLines,
             networkError.isEmpty() ? QStringList() : QStringList("\"" + networkError + "\" "));
    const QList<Orvel::Message *> popups = visiblePopups(tarvik);
    QCOMPARE(popups.size(), 1);
    QCOMPARE(popups.first()->text(), QStringLiteral("FEHLER: <br><br>") + message);
    QCOMPARE(closeTimerInterval(popups.first()), displayMs);
    QVERIFY(!anyButtonVisible(popups.first()));
    QVERIFY(tarvik->progressMessage->isHidden());
}

void tst_Tarvik::tlsErrorsEndTheRunAlone()
{
    const QUrl url(QStringLiteral("https://cards.example/x?a=1&b=2"));
    FakeReply reply(url, QByteArray("partial \"body\""));

    tarvik->sslErrors(&reply, {});
    QCOMPARE(debugLines,
             QStringList({"replyFinished SSL ", "0 ", "QUrl(\"https://cards.example/x?a=1&b=2\") ",
                          "\"partial \"body\"\" <br><br> "}));

    // The failure that follows the unaccepted handshake must add nothing.
    reply.fail(QNetworkReply::SslHandshakeFailedError, QStringLiteral("SSL handshake failed"));
    tarvik->replyFinished(&reply);
    QCOMPARE(debugLines.size(), 4);
    QVERIFY(visiblePopups(tarvik).isEmpty());
}

void tst_Tarvik::tlsErrorsInJsonAreAFailure()
{
    FakeReply reply(QUrl(QStringLiteral("https://cards.example/")), QByteArray());
    Tarvik json(Tarvik::Form::Json);
    json.sslErrors(&reply, {}); // its object goes to standard output
    QVERIFY(debugLines.isEmpty());
    QCOMPARE(json.exitStatus(0), 4);
}

QTEST_MAIN(tst_Tarvik)
#include "tst_tarvik.moc"
