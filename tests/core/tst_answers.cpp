// SPDX-License-Identifier: MIT
// The JSON answer: what the end-to-end rows (tst_endtoend) cannot make the program write, the
// escapes of every kind and the objects of the watchdog and of a TLS failure.
#include "jsonanswer.h"

#include <QtTest>

Q_DECLARE_METATYPE(Lookup::Result)

class tst_Answers : public QObject
{
    Q_OBJECT

private slots:
    // Out of line: moc misreads the raw strings in its rows.
    void object_data();
    void object()
    {
        QFETCH(Lookup::Result, result);
        QFETCH(qint64, line);
        QTEST(JsonAnswer::object(result, line), "json");
    }
};

void tst_Answers::object_data()
{
    // The escapes, the UTF-8 and the line number, byte for byte; the objects of every outcome
    // the program can be made to give are pinned end to end.
    QTest::addColumn<Lookup::Result>("result");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QByteArray>("json");
    Lookup::Result found;
    found.card = "8\t1\x1f";
    found.outcome = Lookup::Outcome::Found;
    found.record = {{"Client Ort\t", "town", QString::fromUtf8("Z\"\\\xc3\xbc\n")}};
    QTest::newRow("found") << found << qint64(7)
                           << QByteArray(R"({"line":7,"card":"8\t1\u001f","outcome":"found",)"
                                         R"("record":{"town":"Z\"\\ü\n"}})");
    // What the watchdog writes for a request it cut, and the TLS failure: network failures.
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
