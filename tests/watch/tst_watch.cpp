// SPDX-License-Identifier: MIT
// The watch (tarvik --watch) end to end: the real program, with the read limit shortened (see
// quick_tarvik.cpp), beside a real pcscd with the two virtual readers, each row in namespaces of
// its own (tests/pcscns.sh). A row is a script of steps (watchrow.sh): cards put in and taken out
// by starting and stopping the virtual card, the stand-in on the HIN Client's port, the service
// stopped and started. What the watch wrote is checked against the schema and compared in short,
// a reader at a time (summary.py).

#include <QProcess>
#include <QtTest>

namespace {

const QByteArray anna = "80756000080000000001", jurg = "80756015620000000002";
const QByteArray unreadable = "Die Karte kann nicht gelesen werden. Ist sie richtig herum "
                              "gesteckt? Bitte die Karte stecken lassen, bis sie gelesen ist.";
const QByteArray undeliverable =
        "tarvik: Die Antwort konnte nicht auf die Standardausgabe geschrieben werden.\n";

} // namespace

class tst_Watch : public QObject
{
    Q_OBJECT

    static void columns()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QByteArray>("summary"); // see summary.py
    }

    static void check()
    {
        QFETCH(QByteArray, script);
        QFETCH(QByteArray, summary);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("T"), QStringLiteral(QUICK_PROGRAM));
        environment.insert(QStringLiteral("S"), QStringLiteral(STANDIN_PROGRAM));
        environment.insert(QStringLiteral("V"), QStringLiteral(VCARD_PROGRAM));
        environment.insert(QStringLiteral("CARDS"), QStringLiteral(CARDS));
        QProcess row;
        row.setProcessEnvironment(environment);
        row.start(QStringLiteral("sh"),
                  {QStringLiteral("-c"),
                   QStringLiteral("sh \"$0\" sh -c \". \\\"$1\\\"; $2\" | python3 \"$3\" \"$4\""),
                   QStringLiteral(PCSCNS), QStringLiteral(SOURCE "/watchrow.sh"),
                   QString::fromUtf8(script), QStringLiteral(SOURCE "/summary.py"),
                   QStringLiteral(SCHEMA)});
        QVERIFY2(row.waitForFinished(60000), "the row did not end");
        QCOMPARE(row.readAllStandardOutput(), summary);
    }

private Q_SLOTS:
    void cards_data()
    {
        columns();
        QTest::newRow("in, out, in: read once each time")
                << QByteArray("standin; watch; insert 0 regular; await found; pull 0;"
                              " await removed; insert 0 regular; await found 2; finish stdin")
                << "ready 2\ncard 0 found " + anna + "\nremoved 0\ncard 0 found " + anna
                           + "\nexit 0\n";
        QTest::newRow("in at start, two readers, chip only, no stand-in")
                << QByteArray("insert 0 regular; insert 1 umlauts; sleep 0.5; watch --chip-only;"
                              " await '\"read\"' 2; finish HUP")
                << "ready 2\ncard 0 read " + anna + "\ncard 1 read " + jurg + "\nexit 0\n";
        QTest::newRow("put in at once, one mute: the other waits for nothing")
                << QByteArray("standin; watch; insert 0 silent; insert 1 regular;"
                              " await 01.*found 1 2; await TIMEOUT 1 5; pull 0; await removed;"
                              " finish INT")
                << "ready 2\ncard 0 failed " + unreadable
                           + " (SCARD_E_TIMEOUT)\nremoved 0\n"
                             "card 1 found "
                           + anna + "\nexit 0\n";
        QTest::newRow("eGK, in French")
                << QByteArray("LC_ALL=fr_CH.UTF-8 watch; insert 1 egk; await failed; finish TERM")
                << QByteArray("ready 2\ncard 1 failed La carte n'est pas une carte d'assuré "
                              "suisse. ()\nexit 0\n");
    }
    void cards() { check(); }

    void ends_data()
    {
        columns();
        QTest::newRow("stdin closed while looked up")
                << QByteArray("standin --delay-ms 9000; watch; insert 0 regular;"
                              " await carte= 1 10 standin.log; finish stdin")
                << "ready 2\ncard 0 cancelled " + anna
                           + " Abgebrochen, bevor die Antwort da war. ()\nexit 0\n";
        QTest::newRow("SIGTERM while read")
                << QByteArray("watch; insert 1 silent; sleep 1; finish TERM")
                << QByteArray("ready 2\ncard 1 failed Das Lesen der Karte wurde abgebrochen. "
                              "(SCARD_E_CANCELLED)\nexit 0\n");
        QTest::newRow("stdout closed")
                << QByteArray("\"$T\" --watch >&- 2>err; echo \"exit $?\"; cat err")
                << "exit 4\n" + undeliverable;
        QTest::newRow("reader of stdout gone, stdin on /dev/null")
                << QByteArray("mkfifo o; \"$T\" --watch </dev/null >o 2>err & t=$!;"
                              " (sleep 3; kill $t) & head -n 1 o >out; wait $t;"
                              " echo \"exit $?\"; cat out err")
                << "ready 2\nexit 4\n" + undeliverable;
        QTest::newRow("service down, in Italian")
                << QByteArray("LC_ALL=it_CH.UTF-8 watch; insert 0 regular; await failed;"
                              " finish INT")
                << "ready 2\ncard 0 failed " + anna
                           + " Connection refused L'HIN Client è avviato? Ha effettuato "
                             "l'accesso a HIN? (Connection refused)\nexit 0\n";
    }
    void ends() { check(); }

    void service_data()
    {
        columns();
        QTest::newRow("pcscd gone at start, back, killed, back")
                << QByteArray("pcscd_stop; insert 0 regular; watch --chip-only;"
                              " await available 1; pcscd_start; await '\"read\"' 1; pcscd_stop;"
                              " await available 3; pcscd_start; await '\"read\"' 2; pull 0;"
                              " await removed 2; finish stdin")
                << "ready 0\nservice false\nservice true 2\nservice false\nservice true 2\n"
                   "card 0 read "
                           + anna + "\nremoved 0\ncard 0 read " + anna + "\nremoved 0\nexit 0\n";
    }
    void service() { check(); }
};

QTEST_GUILESS_MAIN(tst_Watch)
#include "tst_watch.moc"
