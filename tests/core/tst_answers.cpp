// The command line, the JSON answer, the exit statuses and the batch input: plain functions.
#include "batchinput.h"
#include "commandline.h"
#include "jsonanswer.h"

#include <QtTest>

using Request = CommandLine::Request;
using Outcome = Lookup::Outcome;
Q_DECLARE_METATYPE(Request)
Q_DECLARE_METATYPE(Outcome)
Q_DECLARE_METATYPE(Lookup::Result)

class tst_Answers : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void object_data();
    void object();
    void exitStatus_data();
    void exitStatus();
    void batchInput();
};

void tst_Answers::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Request>("request");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<QString>("card");
    QTest::addColumn<QString>("error"); // a part of it
    const auto row = [](const char *name, const QStringList &arguments, Request request,
                        int jobs = 4, const QString &cardOrError = QString()) {
        const bool usage = request == Request::Usage;
        QTest::newRow(name) << arguments << request << jobs << (usage ? QString() : cardOrError)
                            << (usage ? cardOrError : QString());
    };
    row("nothing", {}, Request::Usage);
    row("-h", {"-h"}, Request::Help);
    row("--version", {"--version"}, Request::Version);
    row("card, options after it", {"80756", "--json", "--batch"}, Request::Lookup);
    row("json", {"--json", " 80756 ", "more"}, Request::Json, 4, " 80756 ");
    row("json without card", {"--json"}, Request::Usage, 4, "fehlt die Kartennummer");
    row("batch", {"--batch"}, Request::Batch);
    row("jobs 1, before", {"--jobs=1", "--batch"}, Request::Batch, 1);
    row("jobs 6", {"--batch", "--jobs", "6"}, Request::Batch, 6);
    row("jobs 0", {"--batch", "--jobs", "0"}, Request::Usage, 4, "von 1 bis 6, nicht \"0\"");
    row("jobs 7", {"--batch", "--jobs=7"}, Request::Usage, 4, "nicht \"7\"");
    row("jobs not a number", {"--batch", "--jobs", "vier"}, Request::Usage, 4, "\"vier\"");
    row("jobs without number", {"--batch", "--jobs"}, Request::Usage, 4, "fehlt die Zahl");
    row("jobs without batch", {"--jobs", "2"}, Request::Usage, 4, "nur zusammen mit --batch");
    row("batch with a card", {"--batch", "80756"}, Request::Usage, 4, "\"80756\"");
}

void tst_Answers::commandLine()
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

void tst_Answers::object_data()
{
    QTest::addColumn<Lookup::Result>("result");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QByteArray>("json");

    Lookup::Result found;
    found.card = "80756";
    found.outcome = Outcome::Found;
    found.record = {{"Ofac ID\t", "ofacId", "12"}, {"Client Ort\t", "town", QString::fromUtf8("Z\"\\\xc3\xbc\n")}};
    QTest::newRow("found, every escape")
            << found << qint64(0)
            << QByteArray(R"({"card":"80756","outcome":"found","record":{"ofacId":"12",)"
                          R"("town":"Z\"\\)"
                          "\xc3\xbc"
                          R"(\n"}})");
    QTest::newRow("rejected, batch line")
            << Lookup::rejected("8\t1\x01", CardNumber::Verdict::InvalidCharacters) << qint64(7)
            << QByteArray(R"({"line":7,"card":"8\t1\u0001","outcome":"rejected","message":)"
                          R"("Die Nummer enth)"
                          "\xc3\xa4"
                          R"(lt ung)"
                          "\xc3\xbc"
                          R"(ltige Zeichen. Es d)"
                          "\xc3\xbc"
                          R"(rfen nur Zahlen sein."})");
    Lookup::Reply refused;
    refused.networkFailed = true;
    refused.errorText = "Connection\r\x1f refused";
    QTest::newRow("network failure")
            << Lookup::fromReply("1", refused) << qint64(0)
            << QByteArray(
                       R"({"card":"1","outcome":"failed","message":"Connection\r\u001f )"
                       R"(refused Ist der HIN Client gestartet ? Sind Sie angemeldet bei HIN ?",)"
                       R"("detail":"Connection\r\u001f refused"})");
    Lookup::Reply unknown;
    unknown.body = "<reponse statut=\"60\"/>";
    QTest::newRow("unknown person")
            << Lookup::fromReply("2", unknown) << qint64(1)
            << QByteArray(R"({"line":1,"card":"2","outcome":"unknown-person",)"
                          R"("message":"Versicherter unbekannt."})");
    QTest::newRow("cancelled") << Lookup::cancelled("3") << qint64(2)
                               << QByteArray(
                                          R"({"line":2,"card":"3","outcome":"cancelled",)"
                                          R"("message":"Abgebrochen, bevor die Antwort da war."})");
}

void tst_Answers::object()
{
    QFETCH(Lookup::Result, result);
    QFETCH(qint64, line);
    QFETCH(QByteArray, json);
    QCOMPARE(JsonAnswer::object(result, line), json);
}

void tst_Answers::exitStatus_data()
{
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<int>("single");
    QTest::addColumn<int>("batch"); // after a card that settled
    QTest::newRow("found") << Outcome::Found << 0 << 0;
    QTest::newRow("unknown") << Outcome::UnknownPerson << 1 << 0;
    QTest::newRow("rejected") << Outcome::Rejected << 3 << 0;
    QTest::newRow("failed") << Outcome::Failed << 4 << 4;
    QTest::newRow("cancelled") << Outcome::Cancelled << 4 << 4;
}

void tst_Answers::exitStatus()
{
    QFETCH(Outcome, outcome);
    QFETCH(int, single);
    QFETCH(int, batch);
    QCOMPARE(JsonAnswer::exitStatus(outcome), single);
    QCOMPARE(JsonAnswer::batchStatus(0, outcome), batch);
    QCOMPARE(JsonAnswer::batchStatus(4, outcome), 4); // a failure is never forgotten
}

void tst_Answers::batchInput()
{
    const QByteArray input = "a\n\n \t\r\n b \r\n\xc2\xa0\nc";
    QCOMPARE(BatchInput::count(input), qint64(3));
    BatchInput::Cursor cursor;
    QString text;
    QStringList seen;
    while (BatchInput::next(input, cursor, text))
        seen << QString::number(cursor.lineNumber) + ':' + text;
    QCOMPARE(seen, QStringList({"1:a", "4: b \r", "6:c"}));
    QCOMPARE(BatchInput::count("\n \n"), qint64(0));
}

QTEST_APPLESS_MAIN(tst_Answers)
#include "tst_answers.moc"
