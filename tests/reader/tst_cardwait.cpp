// SPDX-License-Identifier: MIT
// The wait for the card, in-process and shortened, beside a private pcscd (tests/pcscns.sh): the
// rows run in the namespace whose readers they need (see CMakeLists.txt).

#include "message.h"
#include "tarvik.h"

#include <QApplication>
#include <QtTest>

namespace {

QStringList debugLines;

void collectDebugLines(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        debugLines.append(message);
}

QStringList visiblePopups()
{
    QStringList texts;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *popup = qobject_cast<Orvel::Message *>(w); popup && popup->isVisible())
            texts << popup->text();
    }
    return texts;
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
        for (QWidget *w : QApplication::topLevelWidgets())
            delete qobject_cast<Orvel::Message *>(w);
    }

    void waits_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::addColumn<QString>("popup"); // the one popup left when the wait has ended
        QTest::newRow("no reader") << false
                                   << "FEHLER: <br><br>Kein Kartenleser gefunden. Ist der "
                                      "Kartenleser angeschlossen?";
        QTest::newRow("no card") << false
                                 << "FEHLER: <br><br>Es wurde keine Karte gesteckt. Die Wartezeit "
                                    "ist abgelaufen.";
        // The reader is stopped: no failure is shown later, nothing goes out.
        QTest::newRow("escape") << true << QString();
    }

    void waits()
    {
        QFETCH(bool, escape);
        QFETCH(QString, popup);
        Tarvik tarvik;
        tarvik.setCardWait(500);
        tarvik.readCard();
        QCOMPARE(visiblePopups(),
                 QStringList(QStringLiteral(
                         "Bitte die Versichertenkarte in den Kartenleser stecken.")));
        if (escape)
            QTest::keyClick(tarvik.waitMessage, Qt::Key_Escape);
        QTest::qWait(1500);
        QCOMPARE(visiblePopups(), popup.isEmpty() ? QStringList() : QStringList(popup));
        QVERIFY(debugLines.isEmpty() && !tarvik.manager);
    }
};

QTEST_MAIN(tst_CardWait)
#include "tst_cardwait.moc"
