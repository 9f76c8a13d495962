// SPDX-License-Identifier: MIT
// The language the tool speaks: chosen from the interface languages, and reaching the windows
// when the texts are loaded before the application object exists, as main does. What the user
// reads end to end, and that standard output never changes, is checked by languages.py.
#include "batch.h"
#include "batchwindow.h"
#include "language.h"
#include "message.h"
#include "translation.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

class tst_Language : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choose_data()
    {
        QTest::addColumn<QStringList>("uiLanguages");
        QTest::addColumn<QString>("language");
        // The usual locales (C, en_US, fr_CH, it_CH) are run end to end by languages.py.
        QTest::newRow("none") << QStringList() << "de";
        QTest::newRow("rm_CH") << QStringList{"rm-CH", "rm", "rm-Latn-CH"} << "de";
        QTest::newRow("upper case, encoding") << QStringList{"FR_FR.UTF-8"} << "fr";
        QTest::newRow("North Frisian is not French") << QStringList{"frr-DE"} << "de";
        QTest::newRow("fr after en") << QStringList{"en", "en-US", "fr", "fr-FR"} << "fr";
        QTest::newRow("de before fr") << QStringList{"en", "de-CH", "fr"} << "de";
    }

    void choose()
    {
        QFETCH(QStringList, uiLanguages);
        QFETCH(QString, language);
        QCOMPARE(Language::choose(uiLanguages), language);
    }

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
