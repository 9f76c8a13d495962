// SPDX-License-Identifier: MIT
// The lookup object and the batch in-process, against the stand-in on the HIN Client's port: what
// they send, which popups they show for how long, and which lines they hand to the message
// handler. The rejection and the TLS report need no network: they run outside the port's
// namespace (see CMakeLists.txt), and only the functions that need the port listen on it.

#include "batch.h"
#include "batchwindow.h"
#include "buildconfig.h"
#include "message.h"
#include "standinserver.h"
#include "tarvik.h"

#include "testliterals.h"
#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkReply>
#include <QPushButton>
#include <QSignalSpy>

#include <QtTest>

using F = StandinServer::Failure;
Q_DECLARE_METATYPE(F)

namespace {

QStringList debugLines;

void collectDebugLines(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        debugLines.append(message);
}

const QByteArray anna = "80756000080000000001", unknown = "80756000080000000060",
                 problem = "80756000080000000067";
constexpr qint64 MiB = 1024 * 1024;

// The intervals of the running timers among the object's descendants: a popup's close timer, a
// request's deadline and memory check.
QString timers(const QObject *owner)
{
    QStringList intervals;
    for (const QTimer *timer : owner->findChildren<QTimer *>()) {
        if (timer->isActive())
            intervals << QString::number(timer->interval());
    }
    return intervals.isEmpty() ? QStringLiteral("none") : intervals.join(QLatin1Char(','));
}

// A popup as the user meets it: title, text, when it closes itself, and any button to press.
QString shown(const Orvel::Message *popup)
{
    const QList<QPushButton *> buttons = popup->findChildren<QPushButton *>();
    const bool pressable = std::any_of(buttons.begin(), buttons.end(),
                                       [](const QPushButton *b) { return !b->isHidden(); });
    return popup->windowTitle() + ": "_s + popup->text() + QLatin1Char(' ') + timers(popup)
           + (pressable ? " with buttons"_s : QString());
}

// Runs the event loop until done() holds or ms have passed. Not QTest::qWaitFor, which sleeps
// between its looks and so holds the stand-in's large replies to a trickle; not an event loop of
// its own, which ends at once after a found record's lookup has asked the application to quit.
bool runUntil(const std::function<bool()> &done, int ms)
{
    const QDeadlineTimer deadline(ms);
    QTimer look; // wakes the wait for events now and then, so that the deadline is seen
    look.start(50);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return done();
}

// The batch's progress window, as the user meets it: a window of its own.
BatchWindow *batchWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<BatchWindow *>(w))
            return window;
    }
    return nullptr;
}

QStringList errorPopups(const Tarvik *tarvik)
{
    QStringList popups;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *popup = qobject_cast<Orvel::Message *>(w);
        if (popup && popup->isVisible() && popup != tarvik->progressMessage)
            popups << shown(popup);
    }
    return popups;
}

} // namespace

class tst_Tarvik : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qInstallMessageHandler(collectDebugLines); }
    void init()
    {
        debugLines.clear();
        batchLines.clear();
        linesAtRequest.clear();
        standin = new StandinServer(this); // listens only where a function asks it to
        tarvik = new Tarvik;
    }

    void cleanup()
    {
        // The program never deletes its popups; a test must, or the next one would see them.
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (qobject_cast<Orvel::Message *>(w))
                delete w;
        }
        delete tarvik;
        delete batch;
        batch = nullptr;
        delete standin;
    }

    // Without the network.
    // The line and the other verdicts' texts are pinned by tst_corerules and the end-to-end
    // tests; this is the popup, its display time, and that nothing goes out.
    void rejectedNumber()
    {
        tarvik->setTarvikData(QStringLiteral(" 8075600008000000000X "));
        QCOMPARE(errorPopups(tarvik),
                 QStringList("Meldung: FEHLER: <br><br>Die Nummer enthält ungültige Zeichen. Es "
                             "dürfen nur Zahlen sein. 5000"_s));
        QVERIFY(!tarvik->manager);
        QVERIFY(tarvik->progressMessage->isHidden());
    }

    void tlsReport()
    {
        // A data: reply stands in for the TLS reply that plain HTTP never gives; it opens no port.
        QNetworkAccessManager manager;
        QNetworkReply *reply = manager.get(QNetworkRequest(QUrl("data:,partial%20%22body%22"_s)));
        tarvik->sslErrors(reply, {});
        QCOMPARE(debugLines, QStringList({"replyFinished SSL "_s, "0 "_s,
                                          "QUrl(\"data:,partial %22body%22\") "_s,
                                          "\"partial \"body\"\" <br><br> "_s}));
        // The failure that follows the unaccepted handshake must add nothing.
        tarvik->replyFinished(reply);
        QCOMPARE(debugLines.size(), 4);
        QCOMPARE(errorPopups(tarvik), QStringList());
        // The JSON form writes its object itself, and the run counts as failed.
        Tarvik json(Tarvik::Form::Json);
        json.sslErrors(reply, {});
        QCOMPARE(debugLines.size(), 4);
        QCOMPARE(json.exitStatus(0), 4);
    }

    // On the port.
    void lookup_data()
    {
        QTest::addColumn<F>("failure"); // -1: nothing listens
        QTest::addColumn<QByteArray>("body"); // null: the sample reply
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<qint64>("padTo");
        QTest::addColumn<QString>("line"); // a record's town, or the network error's line
        QTest::addColumn<QString>("popup"); // the error popup's text and time; empty: a record
        QTest::addColumn<qint64>("maxSent"); // what the stand-in may send in all; 0: no limit
        const auto row = [](const char *name, F failure, const QByteArray &body, qint64 padTo,
                            const QString &line, const QString &message, int displayMs = 8000,
                            qint64 maxSent = 0,
                            const QByteArray &type = "text/xml; charset=UTF-8") {
            QTest::newRow(name) << failure << body << type << padTo << line
                                << (message.isEmpty() ? message
                                                      : message + QLatin1Char(' ')
                                                                + QString::number(displayMs))
                                << maxSent;
        };
        const QString zurich = "Client Ort\t \"Zürich\" \n "_s,
                      tooLarge = "Antwort des Servers zu gross."_s;
        row("record", F::None, {}, 0, zurich, {});
        row("record of 16 MiB", F::None, {}, 16 * MiB, zurich, {});
        row("charset of the header", F::None, "<r statut=\"0\"><client><city>Z\xfcrich</city>", 0,
            zurich, {}, 0, 0, "text/xml; charset=iso-8859-1");
        row("server error wins over a record", F::None,
            "<reponse statut=\"0\"><city>ERROR Not Found</city></reponse>", 0, {},
            "Server meldet: nicht gefunden. URL falsch?"_s);
        row("unrecognised", F::None, "<reponse statut=\"1\"/>", 0, {},
            "Unbekannte Antwort vom Server."_s);
        // Aborted as soon as the announced length is over the limit, and as soon as a body of
        // unknown length has passed it: the stand-in sees the connection closed long before it has
        // sent all.
        row("one byte over 16 MiB", F::None, {}, 16 * MiB + 1, {}, tooLarge, 8000, 8 * MiB);
        row("endless body", F::EndlessBody, {}, 0, {}, tooLarge, 8000, 24 * MiB);
        row("endless header line", F::HeaderFlood, {}, 0, {}, tooLarge);

        // The line keeps the network layer's text, control characters blanked; the popup's rich
        // text gets it escaped (the address in the "not found" text holds ampersands).
        const auto network = [&row](const char *name, F failure, const QString &text) {
            row(name, failure, {}, 0, "\""_s + text + "\" "_s,
                text.toHtmlEscaped()
                        + "<br><br>Ist der HIN Client gestartet ?<br>Sind Sie "
                          "angemeldet bei HIN ?"_s,
                30000);
        };
        network("nothing listening", F(-1), QStringLiteral("Connection refused"));
        network("stalled proxy", F::NeverAnswer, QStringLiteral("Operation canceled"));
        network("dripping body", F::Drip, QStringLiteral("Operation canceled"));
        network("reason phrase with controls", F::HttpError,
                "Error transferring http://" TARVIK_SERVICE_HOST
                "/tarvik/servlet/ch.ofac.ca.tarvik.CaValidationHorizontale?type=XML&langue=1&carte="
                "80756000080000000001&ReturnType=STPLUS - server replied: Not Found [2J"_s);
    }

    void lookup()
    {
        QFETCH(F, failure);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(qint64, padTo);
        QFETCH(QString, line);
        QFETCH(QString, popup);
        QFETCH(qint64, maxSent);
        if (failure != F(-1))
            QVERIFY(standin->listen(QHostAddress::LocalHost, 5016));
        standin->setFailure(failure);
        if (!body.isNull())
            standin->setFixedReply(body, contentType);
        standin->setPadTo(padTo);
        standin->setReasonPhrase("Not\rFound\x1b[2J");
        standin->setDripInterval(50);
        // A stalled request waits for its deadline, shortened here; the others keep the real one.
        const bool network = popup.endsWith(" 30000"_s);
        if (network)
            tarvik->setDeadline(500);
        // The header line grows the process by the real limit only where there is time for it.
        if (failure == F::HeaderFlood && !qEnvironmentVariableIsSet("TARVIK_TEST_REAL_TIME"))
            tarvik->setGrowthLimit(8 * MiB);
        tarvik->setTarvikData(QStringLiteral("  Karte: 80756000080000000001999  "));
        QCOMPARE(timers(tarvik->manager), network ? "500,50"_s : "30000,50"_s);
        QVERIFY(tarvik->progressMessage->isVisible());
        QCOMPARE(shown(tarvik->progressMessage),
                 "Meldung: Die Daten werden tranferiert.<br><br>Bitte warten ... none"_s);

        // The endless header line needs seconds to grow the process by the real limit (slow).
        // Where the reply must be cut short, qWaitFor's pauses pace the stand-in, so that what it
        // has sent tells how soon the cut came. What did not come in time, the comparisons below
        // name.
        const auto over = [&] { return !errorPopups(tarvik).isEmpty() || debugLines.size() == 12; };
        (void)(maxSent ? QTest::qWaitFor(over, 40000) : runUntil(over, 40000));
        QCOMPARE(errorPopups(tarvik), popup.isEmpty()
                                              ? QStringList()
                                              : QStringList("Meldung: FEHLER: <br><br>"_s + popup));
        QCOMPARE(popup.isEmpty() ? debugLines.value(7) : debugLines.join(QString()), line);
        QVERIFY(tarvik->progressMessage->isHidden());
        if (failure == F::None)
            QCOMPARE(standin->requestLines().size(), 1);
        // What the stand-in counts as sent: less than the limit where the reply is cut, all of it
        // where it is not.
        QVERIFY2(maxSent ? standin->bytesSent() < maxSent : standin->bytesSent() >= padTo,
                 qPrintable(QString::number(standin->bytesSent())));
    }

    void batchOrderAndWaitingLines()
    {
        // The rejected numbers are decided at once, while the request before them is still out;
        // with room for two finished lines, the card after them waits for the first answer.
        QVERIFY(standin->listen(QHostAddress::LocalHost, 5016));
        standin->setDelay(300);
        startBatch(anna + "\n\nKarte 8075\n123\n" + problem + "\r\n" + unknown, 4);
        batch->setMaxWaiting(2);
        QSignalSpy finished(batch, &Batch::finished);
        batch->start();
        QVERIFY(batchWindow()->isVisible());
        // Not QSignalSpy::wait(): a record's lookup has asked the application to quit, and every
        // event loop started after that ends at once.
        QVERIFY(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 10000));
        QCOMPARE(batchWritten(), QStringList({"1:found"_s, "3:rejected"_s, "4:rejected"_s,
                                              "5:failed"_s, "6:unknown-person"_s}));
        // The two cards after the rejected ones went out once the first three lines were written.
        QCOMPARE(linesAtRequest, QList<int>({0, 3, 3}));
        QCOMPARE(batch->exitStatus(), 4);
        QCOMPARE(batchWindow()->findChild<QLabel *>()->text(),
                 QStringLiteral("5 von 5 Karten geprüft"));
        QVERIFY(!batchWindow()->isVisible());
    }

    void batchRequestsAtOnce_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::newRow("1") << 1;
        QTest::newRow("6") << 6;
    }

    void batchRequestsAtOnce()
    {
        QFETCH(int, jobs);
        QVERIFY(standin->listen(QHostAddress::LocalHost, 5016));
        standin->setDelay(1000);
        startBatch((anna + '\n').repeated(8), jobs);
        batch->start();
        QTRY_COMPARE_WITH_TIMEOUT(standin->requestLines().size(), jobs, 5000);
        QCOMPARE(timers(batch), "30000,50,"_s.repeated(jobs).chopped(1)); // as a lookup's
        // The stand-in holds its answers back side by side, as a slow service would: the six
        // requests open at once are all answered after one delay, not one after another. No
        // further card went out before the first answer.
        QTRY_COMPARE_WITH_TIMEOUT(batchLines.size() >= jobs, true, 3000);
        QCOMPARE(linesAtRequest.count(0), jobs);
    }

    void batchEscapeCancelsTheRest()
    {
        QVERIFY(standin->listen(QHostAddress::LocalHost, 5016));
        standin->setDelay(300);
        startBatch(anna + '\n' + anna + "\n\n" + unknown + '\n' + problem + '\n', 1);
        QSignalSpy finished(batch, &Batch::finished);
        batch->start();
        QVERIFY(QTest::qWaitFor([&] { return !batchLines.isEmpty(); }, 5000));
        QTest::keyClick(batchWindow(), Qt::Key_Escape);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(batchWritten(),
                 QStringList({"1:found"_s, "2:cancelled"_s, "4:cancelled"_s, "5:cancelled"_s}));
        QCOMPARE(batch->exitStatus(), 4);
        QVERIFY(!batchWindow()->isVisible());
    }

    // A line nobody takes any more ends the batch at once: the requests still out are cancelled,
    // not waited for.
    void batchUndeliveredCancelsTheRest()
    {
        QVERIFY(standin->listen(QHostAddress::LocalHost, 5016));
        standin->setDelay(60000);
        batch = new Batch("123\n" + anna + '\n' + anna, 2);
        batch->setSink([](const QByteArray &) { return false; });
        QSignalSpy finished(batch, &Batch::finished);
        batch->start();
        QVERIFY(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 5000));
        QCOMPARE(batch->exitStatus(), 4);
    }

private:
    void startBatch(const QByteArray &input, int jobs)
    {
        batch = new Batch(input, jobs);
        batch->setSink([this](const QByteArray &line) {
            batchLines << line;
            return true;
        });
        connect(standin, &StandinServer::requestReceived, batch,
                [this] { linesAtRequest << batchLines.size(); });
    }

    // "<line>:<outcome>" for every batch line written, in order.
    QStringList batchWritten() const
    {
        QStringList seen;
        for (const QByteArray &line : batchLines) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            seen << QString::number(object.value("line"_s).toInt()) + QLatin1Char(':')
                            + object.value("outcome"_s).toString();
        }
        return seen;
    }

    StandinServer *standin = nullptr;
    Tarvik *tarvik = nullptr;
    Batch *batch = nullptr;
    QList<QByteArray> batchLines;
    QList<int> linesAtRequest; // how many lines were written when each request came in
};

QTEST_MAIN(tst_Tarvik)
#include "tst_tarvik.moc"
