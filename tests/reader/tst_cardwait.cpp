// SPDX-License-Identifier: MIT
// The wait for the card, in-process and shortened, beside a private pcscd (tests/pcscns.sh): the
// rows run in the namespace whose readers they need (see CMakeLists.txt), the virtual card (a
// card of another kind) put in before the wait or during it.

#include "cardstack.h"
#include "message.h"
#include "tarvik.h"
#include "testliterals.h"

#include <QApplication>
#include <QProcess>
#include <QtTest>

namespace {

QStringList debugLines;

void collectDebugLines(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        debugLines.append(message);
}

QList<Orvel::Message *> popups()
{
    QList<Orvel::Message *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *popup = qobject_cast<Orvel::Message *>(w))
            found << popup;
    }
    return found;
}

// The texts of the popups on the screen.
QStringList shown()
{
    QStringList texts;
    for (const Orvel::Message *popup : popups()) {
        if (popup->isVisible())
            texts << popup->text();
    }
    return texts;
}

// Whether pcscd has seen the virtual card go into the first reader.
bool cardIn()
{
    QFile log("/run/pcscd/harness.log"_s);
    return log.open(QIODevice::ReadOnly) && log.readAll().contains("Card inserted");
}

} // namespace

class tst_CardWait : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qInstallMessageHandler(collectDebugLines); }
    void cleanup()
    {
        // The program never deletes its popups; a test must, or the next row would see them.
        qDeleteAll(popups());
    }

    void waits_data()
    {
        QTest::addColumn<QString>("action"); // what the user does
        QTest::addColumn<QString>("popup"); // the one popup left when the wait has ended
        const QString notInsuranceCard =
                "FEHLER: <br><br>Die Karte ist keine Schweizer Versichertenkarte."_s;
        QTest::newRow("no reader") << QString()
                                   << "FEHLER: <br><br>Kein Kartenleser gefunden. Ist der "
                                      "Kartenleser angeschlossen?"_s;
        QTest::newRow("no card") << QString()
                                 << "FEHLER: <br><br>Es wurde keine Karte gesteckt. Die Wartezeit "
                                    "ist abgelaufen."_s;
        // The reader is stopped: no failure is shown later, nothing goes out.
        QTest::newRow("escape") << "escape"_s << QString();
        // Passed over without a word: a staff card may live there.
        QTest::newRow("other card from the start") << "other card before"_s << notInsuranceCard;
        // The popup tells, and goes on asking.
        QTest::newRow("other card put in") << "other card"_s << notInsuranceCard;
    }

    void waits()
    {
        QFETCH(QString, action);
        QFETCH(QString, popup);
        const QString notice = "Diese Karte ist keine Schweizer Versichertenkarte. Bitte die "
                               "Versichertenkarte in den Kartenleser stecken."_s;
        QProcess card;
        const auto insert = [&card]() {
            card.start(QStringLiteral(VCARD_PROGRAM), {QStringLiteral(CARDS "/egk")});
        };
        if (action == "other card before"_s) {
            insert();
            QTRY_VERIFY(cardIn());
        }
        Tarvik tarvik;
        // A reading may take a second: a card passed over must not leave its time running on.
        tarvik.setCardWait(action.startsWith("other"_s) ? 2500 : 500, 1000);
        tarvik.readCard();
        QCOMPARE(shown(), QStringList("Bitte die Versichertenkarte in den Kartenleser stecken."_s));
        const QList<Orvel::Message *> all = popups();
        Orvel::Message *waiting =
                *std::find_if(all.begin(), all.end(), [](auto *p) { return p->isVisible(); });
        if (action == "escape"_s) {
            // The waiting thread's stack counts as open: the end of a run waits for it.
            QVERIFY2(!CardStack::allLetGo(0), "a stack in use is taken for let go");
            QTest::keyClick(waiting, Qt::Key_Escape);
            QTest::qWait(1000); // past the wait's end: nothing comes after the popup closed
        }
        if (action == "other card"_s) {
            insert();
            QTRY_COMPARE_WITH_TIMEOUT(shown(), QStringList(notice), 2000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(shown(), popup.isEmpty() ? QStringList() : QStringList(popup),
                                  4000);
        QCOMPARE(waiting->text() == notice, action == "other card"_s);
        QVERIFY(debugLines.isEmpty() && !tarvik.manager);
        // However the wait ended, its thread has let go of the stack.
        QVERIFY2(CardStack::allLetGo(), "a stack is left in use");
    }
};

QTEST_MAIN(tst_CardWait)
#include "tst_cardwait.moc"
