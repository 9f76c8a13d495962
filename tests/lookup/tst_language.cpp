// SPDX-License-Identifier: MIT
// The language the tool speaks reaches the windows when the texts are loaded before the
// application object exists, as main does. The choice of the language is a rule (tst_corerules);
// what the user reads end to end, and that standard output never changes, is tst_endtoend's.
#include "batch.h"
#include "batchwindow.h"
#include "message.h"
#include "translation.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

class tst_Language : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windows()
    {
        Orvel::Message popup(nullptr);
        popup.setText(QStringLiteral("x"));
        QCOMPARE(popup.windowTitle(), QStringLiteral("Messaggio"));
        BatchWindow window(40);
        QCOMPARE(window.windowTitle(), QStringLiteral("Messaggio"));
        QCOMPARE(window.label->text(), QStringLiteral("Tessere verificate: 0 di 40"));
    }
};

// The texts are loaded first, as in main; the Italian ones, whatever the machine's language.
int main(int argc, char *argv[])
{
    qputenv("LANGUAGE", "it");
    Translation::load();
    QApplication app(argc, argv);
    tst_Language test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_language.moc"
