// SPDX-License-Identifier: MIT
// The command line and the JSON answer: plain functions. Exit statuses, blank input lines and
// usage errors are checked end to end by json_output.py.
#include "commandline.h"
#include "jsonanswer.h"

#include <QtTest>

using Request = CommandLine::Request;
using Outcome = Lookup::Outcome;
Q_DECLARE_METATYPE(Request)
Q_DECLARE_METATYPE(Lookup::Result)

class tst_Answers : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data()
    {
        // Usage errors are checked end to end (json_output.py); these rows are what it cannot see.
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Request>("request");
        QTest::addColumn<int>("jobs");
        QTest::addColumn<QString>("card");
        QTest::addColumn<QString>("error"); // what the message must hold
        const auto row = [](const char *name, const QStringList &arguments, Request request,
                            int jobs = 4, const QString &card = {}, const QString &error = {}) {
            QTest::newRow(name) << arguments << request << jobs << card << error;
        };
        row("-h", {"-h"}, Request::Help);
        row("card, options after it", {"80756", "--json", "--batch"}, Request::Lookup);
        row("json", {"--json", " 80756 ", "more"}, Request::Json, 4, " 80756 ");
        row("jobs 1, before", {"--jobs=1", "--batch"}, Request::Batch, 1);
        row("jobs 6", {"--batch", "--jobs", "6"}, Request::Batch, 6);
        row("jobs not a number", {"--batch", "--jobs", "vier"}, Request::Usage, 4, {}, "\"vier\"");
        row("jobs without number", {"--batch", "--jobs"}, Request::Usage, 4, {}, "fehlt die Zahl");
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Request, request);
        QFETCH(int, jobs);
        QFETCH(QString, card);
        QFETCH(QString, error);
        const CommandLine::Options options = CommandLine::parse(arguments);
        QCOMPARE(options.request, request);
        QCOMPARE(options.jobs, jobs);
        QCOMPARE(options.card, card);
        QVERIFY2(error.isEmpty() ? options.error.isEmpty() : options.error.contains(error),
                 qPrintable(options.error));
    }

    // Out of line: moc misreads the raw strings in its rows.
    void object_data();
    void object()
    {
        QFETCH(Lookup::Result, result);
        QFETCH(qint64, line);
        QFETCH(QByteArray, json);
        QCOMPARE(JsonAnswer::object(result, line), json);
    }
};

void tst_Answers::object_data()
{
    // Outcome names and keys are checked end to end against the schema; these rows are the
    // escapes, the UTF-8 and the key order, byte for byte.
    QTest::addColumn<Lookup::Result>("result");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QByteArray>("json");

    Lookup::Result found;
    found.card = "80756";
    found.outcome = Outcome::Found;
    found.record = {{"Ofac ID\t", "ofacId", "12"},
                    {"Client Ort\t", "town", QString::fromUtf8("Z\"\\\xc3\xbc\n")}};
    QTest::newRow("found") << found << qint64(0)
                           << QByteArray(R"({"card":"80756","outcome":"found","record":)"
                                         R"({"ofacId":"12","town":"Z\"\\ü\n"}})");
    QTest::newRow("rejected, batch line")
            << Lookup::rejected("8\t1\x1f", CardNumber::Verdict::WrongLength) << qint64(7)
            << QByteArray(R"({"line":7,"card":"8\t1\u001f","outcome":"rejected",)"
                          R"("message":"Die Nummer enthält nicht 20 Zeichen."})");
    Lookup::Reply refused;
    refused.networkFailed = true;
    refused.errorText = "Connection\r refused";
    QTest::newRow("network failure, cleaned")
            << Lookup::fromReply("1", refused) << qint64(0)
            << QByteArray(
                       R"({"card":"1","outcome":"failed","message":"Connection  )"
                       R"(refused Ist der HIN Client gestartet ? Sind Sie angemeldet bei HIN ?",)"
                       R"("detail":"Connection  refused"})");
    // What the watchdog writes for a request it cut, and the TLS failure: network failures too.
    const QByteArray hint = " Ist der HIN Client gestartet ? Sind Sie angemeldet bei HIN ?";
    QTest::newRow("timed out") << Lookup::timedOut("1") << qint64(0)
                               << R"({"card":"1","outcome":"failed","message":"Operation canceled)"
                                          + hint + R"(","detail":"Operation canceled"})";
    QTest::newRow("TLS") << Lookup::tlsFailed("1", "TLS") << qint64(0)
                         << R"({"card":"1","outcome":"failed","message":"TLS)" + hint
                                    + R"(","detail":"TLS"})";
}

QTEST_APPLESS_MAIN(tst_Answers)
#include "tst_answers.moc"
