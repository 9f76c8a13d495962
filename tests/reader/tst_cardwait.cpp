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

QList<Orvel::Message *> popups(bool visibleOnly = true)
{
    QList<Orvel::Message *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *popup = qobject_cast<Orvel::Message *>(w);
            popup && (popup->isVisible() || !visibleOnly))
            found << popup;
    }
    return found;
}

QStringList texts(const QList<Orvel::Message *> &popups)
{
    QStringList texts;
    for (const Orvel::Message *popup : popups)
        texts << popup->text();
    return texts;
}

// Puts the card of another kind into the first reader, and waits until the reader shows it.
void insertOtherCard(QProcess &card)
{
    card.start(QStringLiteral(VCARD_PROGRAM), {QStringLiteral(CARDS "/egk")});
    CardStack stack;
    std::vector<std::string> names;
    bool listChanged = false;
    QVERIFY(stack.open().answer == CardStack::Answer::Ok);
    stack.readerNames(names);
    QVERIFY(!names.empty());
    std::vector<CardStack::Reader> readers(1, {names.at(0)});
    for (QDeadlineTimer deadline(5000); !readers.front().present && !deadline.hasExpired();)
        stack.waitForChange(readers, listChanged, 100);
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
        qDeleteAll(popups(false));
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
        if (action == "other card before"_s)
            insertOtherCard(card);
        Tarvik tarvik;
        // A reading may take a second: a card passed over must not leave its time running on.
        tarvik.setCardWait(action.startsWith("other"_s) ? 2500 : 500, 1000);
        tarvik.readCard();
        const QList<Orvel::Message *> waiting = popups();
        QCOMPARE(texts(waiting),
                 QStringList("Bitte die Versichertenkarte in den Kartenleser stecken."_s));
        if (action == "escape"_s) {
            QTest::keyClick(waiting.front(), Qt::Key_Escape);
            QTest::qWait(1000); // past the wait's end: nothing comes after the popup closed
        }
        if (action == "other card"_s) {
            card.start(QStringLiteral(VCARD_PROGRAM), {QStringLiteral(CARDS "/egk")});
            QTRY_COMPARE_WITH_TIMEOUT(texts(popups()), QStringList(notice), 2000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(texts(popups()),
                                  popup.isEmpty() ? QStringList() : QStringList(popup), 4000);
        QCOMPARE(texts(waiting).contains(notice), action == "other card"_s);
        QVERIFY(debugLines.isEmpty() && !tarvik.manager);
    }
};

QTEST_MAIN(tst_CardWait)
#include "tst_cardwait.moc"
