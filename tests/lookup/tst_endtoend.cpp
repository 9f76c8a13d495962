// SPDX-License-Identifier: MIT
// The real program, run the way a calling program runs it, through the stand-in program on the
// HIN Client's port: standard output byte for byte, and the exit status.

#include <QProcess>
#include <QtTest>

namespace {

// One record line as the calling program reads it: label, tab, blank, the quoted value, a blank,
// the line end, then a line holding a single blank.
QByteArray recordLine(const char *label, const QByteArray &value)
{
    return QByteArray(label) + "\t \"" + value + "\" \n \n";
}

} // namespace

class tst_EndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void run_data();
    void run();
    void undeliverable_data();
    void undeliverable();

private:
    QProcess standin;
};

void tst_EndToEnd::initTestCase()
{
    standin.setProgram(QStringLiteral(STANDIN_PROGRAM));
    standin.setArguments({"--port", "5016", "--samples", TARVIK_SOURCE_DIR "/standin/samples"});
    standin.start();
    QVERIFY(standin.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return standin.canReadLine(); }, 10000));
    QCOMPARE(standin.readLine(), QByteArray("hin-standin listening on 127.0.0.1:5016\n"));
}

void tst_EndToEnd::cleanupTestCase()
{
    standin.terminate();
    standin.waitForFinished();
}

void tst_EndToEnd::run_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("expectedStdout");
    QTest::addColumn<int>("expectedStatus");

    const QByteArray anna =
            recordLine("Ofac ID", "1234567")
            + recordLine("Versicherer Name", "Krankenkasse S\xc3\xa4ntis")
            + recordLine("Client Name", "M\xc3\xbcller-L\xc3\xbc"
                                        "denscheidt")
            + recordLine("Client Vorname", "Anna-Lena")
            + recordLine("Client Geburtsdatum", "09.07.1984")
            + recordLine("Client Strasse", "Seefeldstrasse 123") + recordLine("Client PLZ", "8008")
            + recordLine("Client Ort", "Z\xc3\xbcrich") + recordLine("Client Staat", "CH")
            + recordLine("Client Vers.Nr", "A-204.118.37")
            + recordLine("Client Geschlecht", "weiblich")
            + recordLine("Client AHV", "756.3047.5009.62");

    QTest::newRow("record") << QStringList{"80756000080000000001"} << anna << 0;
    QTest::newRow("blanks around, further arguments ignored")
            << QStringList{"  80756000080000000001 ", "80756000080000000002", "--help"} << anna
            << 0;
    // The rejection popup closes itself after five seconds, and with it the run ends.
    QTest::newRow("rejected number")
            << QStringList{"80756 123"} << QByteArray("Nummer ist falsch:  \"80756 123\" \n") << 0;
    QTest::newRow("version") << QStringList{"--version"}
                             << QByteArray(
                                        "tarvik " TARVIK_VERSION "\n"
                                        "Copyright (c) 2026 the tarvik authors\n"
                                        "License: MIT <https://opensource.org/licenses/MIT>\n"
                                        "This is free software: you are free to change and "
                                        "redistribute it.\n"
                                        "There is NO WARRANTY, to the extent permitted by law.\n")
                             << 0;
    QTest::newRow("no argument") << QStringList() << QByteArray() << 2;
    QTest::newRow("only toolkit options") << QStringList{"-style", "fusion"} << QByteArray() << 2;
}

void tst_EndToEnd::run()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, expectedStdout);
    QFETCH(int, expectedStatus);

    QProcess tarvik;
    tarvik.start(QStringLiteral(TARVIK_PROGRAM), arguments);
    QVERIFY(tarvik.waitForStarted());
    QVERIFY2(tarvik.waitForFinished(20000), "the run did not end on its own");

    QCOMPARE(tarvik.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tarvik.exitCode(), expectedStatus);
    QCOMPARE(tarvik.readAllStandardOutput(), expectedStdout);
    // Standard error carries only what the toolkit itself warns about (the offscreen platform
    // cannot raise windows, for one), or the usage line.
    const QByteArray errors = tarvik.readAllStandardError();
    if (expectedStatus == 0) {
        const QList<QByteArray> lines = errors.split('\n');
        for (const QByteArray &line : lines)
            QVERIFY2(line.isEmpty() || line.startsWith("Warning: "), line.constData());
    } else {
        QVERIFY(errors.startsWith("Aufruf: tarvik"));
    }
}

void tst_EndToEnd::undeliverable_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("redirect");
    const QString card = QStringLiteral("80756000080000000001");
    QTest::newRow("full") << card << ">/dev/full";
    QTest::newRow("closed") << card << ">&-";
    // Without the toolkit, which ignores SIGPIPE for its sockets anyway.
    QTest::newRow("reader gone") << "--version"
                                 << "| true";
}

// An answer that cannot be delivered makes the run a failure, said on standard error.
void tst_EndToEnd::undeliverable()
{
    QFETCH(QString, argument);
    QFETCH(QString, redirect);
    QProcess shell;
    shell.setProcessChannelMode(QProcess::MergedChannels);
    // fd 3 keeps the test's own pipe for the exit status, whatever happens to standard output;
    // the pause lets a reader that does not read end first.
    shell.start(QStringLiteral("sh"),
                {"-c", "exec 3>&1; { sleep 0.3; \"$0\" \"$1\"; echo $? >&3; } " + redirect,
                 TARVIK_PROGRAM, argument});
    QVERIFY2(shell.waitForFinished(20000), "the run did not end on its own");
    const QList<QByteArray> lines = shell.readAllStandardOutput().split('\n');
    QVERIFY(lines.contains("tarvik: Die Antwort konnte nicht auf die Standardausgabe geschrieben "
                           "werden."));
    QCOMPARE(lines.at(lines.size() - 2), QByteArray("1"));
}

QTEST_GUILESS_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
