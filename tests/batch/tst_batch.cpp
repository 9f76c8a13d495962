// SPDX-License-Identifier: MIT
// The batch end to end. Each row starts the stand-in program with its options, runs a command
// line ($1: the program with the batch's waits shortened, $2: the real one, $3 and $4: two sample
// cards, $5: the stand-in's log) with the row's input, and checks every line's outcome in order,
// and the exit status.
#include "testliterals.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <QtTest>

namespace {

const QByteArray anna = "80756000080000000001", jean = "80756015620000000002";

QByteArray lines(const QList<QByteArray> &cards, int times = 1)
{
    QByteArray all;
    for (int i = 0; i < times; ++i)
        all += cards.join('\n') + '\n';
    return all;
}

QString outcomes(const QString &outcome, int times)
{
    return (outcome + QLatin1Char(' ')).repeated(times).trimmed();
}

} // namespace

class tst_Batch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rows_data()
    {
        QTest::addColumn<QStringList>("standin"); // its options
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("requests"); // the stand-in saw; -1: any number
        const QByteArray blocked = "80756000080000000007";
        const QStringList headers{"--fail"_s, "many-headers"_s};
        QTest::newRow("one card blocks the toolkit")
                << (headers + QStringList{"--fail-card"_s, QString::fromLatin1(blocked)})
                << "$1 --batch --jobs 1" << lines({anna, jean, blocked, anna, jean})
                << "found found failed failed failed" << 4 << 3;
        QTest::newRow("all open cards block")
                << headers << "$1 --batch --jobs 3" << lines({anna, jean, blocked})
                << outcomes("failed"_s, 3) << 4 << -1;
        QTest::newRow("eight behind a blocking proxy")
                << headers << "$1 --batch" << lines({anna, jean, blocked, "12345"}, 2)
                << "failed failed failed rejected failed failed failed failed" << 4 << -1;
        // The same lines when the toolkit is free but a card is never answered: on Qt 6 too.
        QTest::newRow("one card never answered")
                << QStringList{"--fail"_s, "silent"_s, "--fail-card"_s,
                               QString::fromLatin1(blocked)}
                << "$1 --batch --jobs 1" << lines({anna, jean, blocked, anna, jean})
                << "found found failed failed failed" << 4 << 3;
        QTest::newRow("slow reader")
                << QStringList() << "$1 --batch | (sleep 6; cat)" << lines({"12345"}, 2000) + anna
                << outcomes("rejected"_s, 2000) + " found"_s << 0 << 1;
        // Signalled once the program waits for more input with both cards read; blank lines keep
        // the input open until then.
        for (const char *signal : {"TERM", "INT", "HUP"})
            QTest::addRow("SIG%s while the input is open", signal)
                    << QStringList()
                    << "w=$(mktemp -u); (printf '%s\\n' $3 $4; : >$w; while [ -e $w ] && echo; do "
                       "sleep 0.1; done) | $1 --batch & until [ -e $w ] && grep -q poll "
                       "/proc/$!/wchan; do sleep 0.05; done; kill -"_s
                               + QLatin1String(signal) + " $!; rm $w; wait $!"_s
                    << QByteArray() << outcomes("cancelled"_s, 2) << 4 << 0;
        QTest::newRow("SIGHUP while the cards are open")
                << QStringList{"--fail"_s, "silent"_s}
                << "exec 3<&0; $1 --batch <&3 & until [ $(grep -c GET $5) = 2 ]; do sleep 0.05; "
                   "done; kill -HUP $!; wait $!"
                << lines({anna, jean}) << outcomes("cancelled"_s, 2) << 4 << 2;
        // Answered late, so that the run lasts beyond the watchdog's next look at the memory.
        // Made by the shell, so that every entry's list of rows is quick to make.
        for (const int mib : {64, 56})
            QTest::addRow("a line of %d MiB that is no card", mib)
                    << QStringList{"--delay-ms"_s, "300"_s}
                    << "{ head -c %1 /dev/zero | tr '\\0' '\\377'; printf '\\n%s\\n' $3; } | $1 --batch"_s
                               .arg(mib * 1024 * 1024 - 22)
                    << QByteArray() << "rejected found" << 0 << 1;
        // The real program, stopped a second after the five are in, in which the guard of the
        // head still out would have cut it: its watchdog leaves the replies all the time they
        // take on a busy machine.
        QTest::newRow("five replies of 15 MiB beside a head that never comes")
                << QStringList{"--pad-to"_s, "15M"_s,         "--fail"_s,
                               "silent"_s,   "--fail-card"_s, QString::fromLatin1(blocked)}
                << "o=$(mktemp); exec 3<&0; $2 --batch --jobs 6 <&3 >$o & until [ $(wc -l <$o) "
                   "-ge 5 ]; do sleep 0.1; done; sleep 1; kill $!; wait $!; s=$?; cat $o; rm $o; "
                   "exit $s"
                << lines({anna, anna, anna, anna, anna, blocked})
                << outcomes("found"_s, 5) + " cancelled"_s << 4 << 6;
        QTest::newRow("standard output closed")
                << QStringList() << "$1 --batch >&-" << lines({anna, jean}) << QString() << 4 << 0;
        QTest::newRow("toolkit options before the card of --json")
                << QStringList() << "$2 --json -platform offscreen $3" << QByteArray() << "found"
                << 0 << 1;
    }

    void rows()
    {
        QFETCH(QStringList, standin);
        QFETCH(QString, command);
        QFETCH(QByteArray, input);
        if (QT_VERSION >= QT_VERSION_CHECK(6, 0, 0) && standin.contains("many-headers"_s))
            QSKIP("Qt 6 reads many header lines at once: nothing stalls to be cut short.");
#ifdef __SANITIZE_ADDRESS__
        // The sanitizer holds freed memory back, which the guard of each request sees as growth:
        // it would cut the large replies, and the many header lines before the toolkit stalls.
        if (standin.contains("15M"_s) || standin.contains("many-headers"_s))
            QSKIP("Memory is the plain build's to measure.");
#endif
        QTemporaryFile log;
        QVERIFY(log.open());
        QProcess server;
        server.setStandardErrorFile(log.fileName());
        server.start(QStringLiteral(STANDIN_PROGRAM), QStringList{"--log"_s} + standin);
        QVERIFY(server.waitForReadyRead(10000));
        QProcess run;
        run.start("bash"_s, {"-o"_s, "pipefail"_s, "-c"_s, command, "batch"_s,
                             QStringLiteral(QUICK_PROGRAM), QStringLiteral(TARVIK_PROGRAM),
                             QString::fromLatin1(anna), QString::fromLatin1(jean), log.fileName()});
        run.write(input);
        run.closeWriteChannel();
        QVERIFY(run.waitForFinished(100000));
        QStringList seen;
        qint64 lastLine = 0;
        for (const QByteArray &line : run.readAllStandardOutput().split('\n')) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            if (line.isEmpty())
                continue;
            seen << object["outcome"_s].toString();
            // Every card cut short reads as a single lookup cut at its deadline; none twice.
            if (seen.last() == "failed"_s)
                QCOMPARE(object["detail"_s].toString(), "Operation canceled"_s);
            QVERIFY2(!object.contains("line"_s) || object["line"_s].toInt() > lastLine,
                     line.constData());
            lastLine = object["line"_s].toInt();
        }
        QTEST(seen.join(QLatin1Char(' ')), "outcomes");
        QTEST(run.exitCode(), "status");
        server.terminate();
        QVERIFY(server.waitForFinished());
        QFETCH(int, requests);
        if (requests >= 0)
            QCOMPARE(int(log.readAll().count("GET ")), requests);
    }
};

QTEST_GUILESS_MAIN(tst_Batch)
#include "tst_batch.moc"
