// SPDX-License-Identifier: MIT
// The real program, run the way a calling program runs it: standard output byte for byte, the exit
// status, and standard error. The rows of lookup() go through the stand-in program on the HIN
// Client's port; the others need no network and run outside the port's namespace (see
// CMakeLists.txt).

#include <QProcess>
#include <QtTest>

namespace {

// One record line as the calling program reads it: label, tab, blank, the quoted value, a blank,
// the line end, then a line holding a single blank.
QByteArray recordLine(const char *label, const QByteArray &value)
{
    return QByteArray(label) + "\t \"" + value + "\" \n \n";
}

const QByteArray undeliverable =
        "tarvik: Die Antwort konnte nicht auf die Standardausgabe geschrieben werden.";

} // namespace

class tst_EndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanupTestCase()
    {
        standin.terminate();
        standin.waitForFinished();
    }

    void offline_data()
    {
        columns();
        const QByteArray version = "tarvik " TARVIK_VERSION "\n"
                                   "Copyright (c) 2026 the tarvik authors\n"
                                   "License: MIT <https://opensource.org/licenses/MIT>\n"
                                   "This is free software: you are free to change and redistribute "
                                   "it.\nThere is NO WARRANTY, to the extent permitted by law.\n";
        const QByteArray usage = "Aufruf: tarvik <Kartennummer> | --json <Kartennummer> | --batch "
                                 "[--jobs N]   (tarvik --help zeigt mehr)";
        // The rejection popup closes itself after five seconds, and with it the run ends.
        QTest::newRow("rejected number")
                << QStringList{"80756 123"} << QString()
                << QByteArray("Nummer ist falsch:  \"80756 123\" \n") << 0 << QByteArray();
        QTest::newRow("version") << QStringList{"--version"} << QString() << version << 0
                                 << QByteArray();
        QTest::newRow("only toolkit options")
                << QStringList{"-style", "fusion"} << QString() << QByteArray() << 2 << usage;
        // Without the toolkit, which ignores SIGPIPE for its sockets anyway.
        QTest::newRow("reader gone")
                << QStringList{"--version"} << "| true" << QByteArray() << 1 << undeliverable;
    }

    void offline() { run(); }
    void lookup_data()
    {
        columns();
        const QByteArray anna =
                recordLine("Ofac ID", "1234567")
                + recordLine("Versicherer Name", "Krankenkasse S\xc3\xa4ntis")
                + recordLine("Client Name", "M\xc3\xbcller-L\xc3\xbc"
                                            "denscheidt")
                + recordLine("Client Vorname", "Anna-Lena")
                + recordLine("Client Geburtsdatum", "09.07.1984")
                + recordLine("Client Strasse", "Seefeldstrasse 123")
                + recordLine("Client PLZ", "8008") + recordLine("Client Ort", "Z\xc3\xbcrich")
                + recordLine("Client Staat", "CH") + recordLine("Client Vers.Nr", "A-204.118.37")
                + recordLine("Client Geschlecht", "weiblich")
                + recordLine("Client AHV", "756.3047.5009.62");
        const QStringList card{"80756000080000000001"};
        QTest::newRow("record, further arguments ignored")
                << QStringList{"  80756000080000000001 ", "80756000080000000002", "--help"}
                << QString() << anna << 0 << QByteArray();
        QTest::newRow("full") << card << ">/dev/full" << QByteArray() << 1 << undeliverable;
        QTest::newRow("closed") << card << ">&-" << QByteArray() << 1 << undeliverable;
        QTest::newRow("JSON, full") << QStringList{"--json", card.first()} << ">/dev/full"
                                    << QByteArray() << 4 << undeliverable;
    }

    void lookup()
    {
        if (standin.state() == QProcess::NotRunning) {
            standin.start(QStringLiteral(STANDIN_PROGRAM), {"--port", "5016"});
            QVERIFY(standin.waitForReadyRead(10000));
            QCOMPARE(standin.readLine(), QByteArray("hin-standin listening on 127.0.0.1:5016\n"));
        }
        run();
    }

private:
    static void columns()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("redirect"); // of standard output, in the shell's words
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("error"); // a line standard error must hold besides warnings
    }

    static void run()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, redirect);
        QFETCH(QByteArray, out);
        QFETCH(int, status);
        QFETCH(QByteArray, error);
        // fd 3 keeps the test's own pipe for the exit status, whatever happens to standard output;
        // the pause lets a reader that does not read end first.
        QProcess shell;
        shell.start(QStringLiteral("sh"),
                    QStringList{"-c",
                                "exec 3>&1; { "
                                        + QString(redirect.startsWith('|') ? "sleep 0.3; " : "")
                                        + "\"$0\" \"$@\"; echo $? >&3; } " + redirect,
                                TARVIK_PROGRAM}
                            + arguments);
        QVERIFY2(shell.waitForFinished(20000), "the run did not end on its own");
        QCOMPARE(shell.readAllStandardOutput(), out + QByteArray::number(status) + '\n');
        // Standard error carries only what the toolkit itself warns about (the offscreen platform
        // cannot raise windows, for one), and the line the row expects.
        const QList<QByteArray> lines = shell.readAllStandardError().split('\n');
        for (const QByteArray &line : lines)
            QVERIFY2(line.isEmpty() || line.startsWith("Warning: ") || line == error,
                     line.constData());
        QVERIFY(error.isEmpty() || lines.contains(error));
    }

    QProcess standin;
};

QTEST_GUILESS_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
