// SPDX-License-Identifier: MIT
// The watch (tarvik --watch) end to end: the real program, with the read limit shortened (see
// quick_tarvik.cpp), beside a real pcscd with the two virtual readers, each row in namespaces of
// its own (tests/pcscns.sh). A row is a script of steps (watchrow.sh): cards put in and taken out
// by starting and stopping the virtual card, the stand-in on the HIN Client's port, the service
// stopped and started; the README's example in Python. What the watch wrote is checked against the
// schema and compared in short, a reader at a time (summary.py).

#include <QProcess>
#include <QtTest>

namespace {

const QByteArray anna = "80756000080000000001", jurg = "80756015620000000002";
const QByteArray unreadable = "Die Karte kann nicht gelesen werden. Ist sie richtig herum "
                              "gesteckt? Bitte die Karte stecken lassen, bis sie gelesen ist.";
const QByteArray cancelled = "Abgebrochen, bevor die Antwort da war. ()";
const QByteArray undeliverable =
        "tarvik: Die Antwort konnte nicht auf die Standardausgabe geschrieben werden.\n";

// Why a reply of many header lines cannot stall the toolkit here, if it cannot.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
const char *const noStall = "Qt 6 reads many header lines at once: nothing stalls to be cut short.";
#elif defined(__SANITIZE_ADDRESS__)
const char *const noStall = "The sanitizer's own memory counts against the request's memory guard, "
                            "which cuts the reply short before the toolkit stalls.";
#else
const char *const noStall = nullptr;
#endif

} // namespace

class tst_Watch : public QObject
{
    Q_OBJECT

    // Also starts the interpreter that checks and shortens the rows' lines: one for all of them,
    // as starting it costs more than a row.
    void columns()
    {
        QTest::addColumn<QProcess *>("row");
        QTest::addColumn<QByteArray>("summary"); // see summary.py
        if (summarizer.state() == QProcess::NotRunning)
            summarizer.start(QStringLiteral("python3"),
                             {QStringLiteral(SOURCE "/summary.py"), QStringLiteral(SCHEMA)});
    }

    // Starts the row at once, beside the others of its function; check() waits for it.
    void row(const char *name, const QByteArray &script, const QByteArray &summary)
    {
        QProcess *row = nullptr;
        if (!noStall || !script.contains("many-headers")) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("T"), QStringLiteral(QUICK_PROGRAM));
            environment.insert(QStringLiteral("S"), QStringLiteral(STANDIN_PROGRAM));
            environment.insert(QStringLiteral("V"), QStringLiteral(VCARD_PROGRAM));
            environment.insert(QStringLiteral("CARDS"), QStringLiteral(CARDS));
            environment.insert(QStringLiteral("E"), QStringLiteral(EXAMPLES));
            row = new QProcess(this);
            row->setProcessEnvironment(environment);
            row->start(QStringLiteral("sh"),
                       {QStringLiteral(PCSCNS), QStringLiteral("sh"), QStringLiteral("-c"),
                        QStringLiteral(". \"$0\"; ") + QString::fromUtf8(script),
                        QStringLiteral(SOURCE "/watchrow.sh")});
        }
        QTest::newRow(name) << row << summary;
    }

    void check()
    {
        QFETCH(QProcess *, row);
        QFETCH(QByteArray, summary);
        if (!row)
            QSKIP(noStall);
        QVERIFY2(row->waitForFinished(60000), "the row did not end");
        const QByteArray end = "\x1e\n";
        summarizer.write(row->readAllStandardOutput() + end);
        QByteArray got;
        while (!got.endsWith(end)) {
            QVERIFY2(summarizer.waitForReadyRead(20000),
                     summarizer.readAllStandardError().constData());
            got += summarizer.readAllStandardOutput();
        }
        QCOMPARE(got.chopped(end.size()), summary);
    }

    QProcess summarizer;

private Q_SLOTS:
    void cleanupTestCase()
    {
        summarizer.closeWriteChannel();
        QVERIFY(summarizer.waitForFinished());
    }

    void cards_data()
    {
        columns();
        row("in, out, in: read once each time",
            "standin; watch; insert 0 regular; await found; pull 0;"
            " await removed; insert 0 regular; await found 2; finish stdin",
            "ready 2\ncard 0 found " + anna + "\nremoved 0\ncard 0 found " + anna + "\nexit 0\n");
        row("in at start, two readers, chip only, no stand-in",
            "insert 0 regular; insert 1 umlauts; seen 0; seen 1; watch --chip-only;"
            " await '\"read\"' 2; finish HUP",
            "ready 2\ncard 0 read " + anna + "\ncard 1 read " + jurg + "\nexit 0\n");
        row("one mute: the other reader waits for nothing",
            "standin; watch; insert 0 silent; seen 0; insert 1 regular; await 01.*found;"
            " ! grep -q TIMEOUT out || echo the good card waited >>notes;"
            " await TIMEOUT; pull 0; await removed; finish INT",
            "ready 2\ncard 0 failed " + unreadable
                    + " (SCARD_E_TIMEOUT)\nremoved 0\n"
                      "card 1 found "
                    + anna + "\nexit 0\n");
        row("the README's example",
            "standin; insert 1 regular; seen 1; TARVIK=\"$T\" python3 \"$E\"/watch_names.py 1;"
            " echo \"exit $?\"",
            "Virtual PCD 00 01: M\xc3\xbcller-L\xc3\xbc"
            "denscheidt Anna-Lena\nexit 0\n");
        row("eGK, in French", "LC_ALL=fr_CH.UTF-8 watch; insert 1 egk; await failed; finish TERM",
            "ready 2\ncard 1 failed La carte n'est pas une carte d'assuré "
            "suisse. ()\nexit 0\n");
    }
    void cards() { check(); }

    void ends_data()
    {
        columns();
        row("stdin closed while looked up, the card out meanwhile",
            "standin --delay-ms 9000; watch; insert 0 regular;"
            " await carte= 1 10 standin.log; pull 0; gone 0; finish stdin",
            "ready 2\ncard 0 cancelled " + anna + ' ' + cancelled + "\nremoved 0\nexit 0\n");
        row("SIGTERM while read", "watch; insert 1 silent; seen 1; finish TERM",
            "ready 2\ncard 1 failed Das Lesen der Karte wurde abgebrochen. "
            "(SCARD_E_CANCELLED)\nexit 0\n");
        row("stdout closed", "\"$T\" --watch >&- 2>err; echo \"exit $?\"; cat err",
            "exit 4\n" + undeliverable);
        row("reader of stdout gone, stdin on /dev/null",
            "mkfifo o; \"$T\" --watch </dev/null >o 2>err & t=$!;"
            " (sleep 10; kill $t) & head -n 1 o >out; wait $t;"
            " echo \"exit $?\"; cat out err",
            "ready 2\nexit 4\n" + undeliverable);
        row("service down, in Italian",
            "LC_ALL=it_CH.UTF-8 watch; insert 0 regular; await failed;"
            " finish INT",
            "ready 2\ncard 0 failed " + anna
                    + " Connection refused L'HIN Client è avviato? Ha effettuato "
                      "l'accesso a HIN? (Connection refused)\nexit 0\n");
    }
    void ends() { check(); }

    void service_data()
    {
        columns();
        row("pcscd gone at start, back, killed, back",
            "pcscd_stop; insert 0 regular; watch --chip-only;"
            " await available 1; pcscd_start; await '\"read\"' 1; pcscd_stop;"
            " await available 3; pcscd_start; await '\"read\"' 2; pull 0;"
            " await removed 2; finish stdin",
            "ready 0\nservice false\nservice true 2\nservice false\nservice true 2\n"
            "card 0 read "
                    + anna + "\nremoved 0\ncard 0 read " + anna + "\nremoved 0\nexit 0\n");
        // One request at a time here (see quick_tarvik.cpp): the second card, read while the
        // first one's lookup is under way, waits for its answer.
        row("lookups wait their turn",
            "standin --delay-ms 8000; watch; insert 0 regular; await carte= 1 5 standin.log;"
            " insert 1 umlauts; seen 1; sleep 1.5; requests; finish stdin",
            "ready 2\ncard 0 cancelled " + anna + ' ' + cancelled + "\ncard 1 cancelled " + jurg
                    + ' ' + cancelled + "\nrequests: 1\nexit 0\n");
        // The watchdog ends a watch whose event loop stands still (three seconds here): the card
        // gets the line of a lookup cut at its deadline.
        row("a reply that blocks the toolkit",
            "standin --fail many-headers; watch; insert 0 regular;"
            " await failed 1 8; finish stdin",
            "ready 2\ncard 0 failed " + anna
                    + " Operation canceled Ist der HIN Client gestartet ? Sind Sie "
                      "angemeldet bei HIN ? (Operation canceled)\nstderr: tarvik: Abbruch: "
                      "Der Lauf hat das Zeitlimit überschritten.\nexit 4\n");
    }
    void service() { check(); }
};

QTEST_GUILESS_MAIN(tst_Watch)
#include "tst_watch.moc"
