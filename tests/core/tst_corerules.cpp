// SPDX-License-Identifier: MIT
#include "cardnumber.h"
#include "jsonanswer.h"
#include "language.h"
#include "lookup.h"
#include "networkerrortext.h"
#include "record.h"
#include "recordcuts.h"
#include "replyclassification.h"
#include "replytext.h"
#include "valuerules.h"
#include "watchevents.h"

#include <QtTest>

using Rule = QString (*)(const QString &);
Q_DECLARE_METATYPE(Rule)
Q_DECLARE_METATYPE(Lookup::Result)
Q_DECLARE_METATYPE(WatchEvents::Event)

using namespace ValueRules;

class tst_CoreRules : public QObject
{
    Q_OBJECT

private slots:
    // Out of line: moc misreads the raw strings in its rows.
    void textRules_data();
    void textRules()
    {
        QFETCH(Rule, rule);
        QFETCH(QString, input);
        QTEST(rule(input), "output");
    }

    void lookup_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("errorText"); // null: no network error
        QTest::addColumn<QStringList>("lines"); // what goes to standard output
        QTest::addColumn<QString>("report"); // the popup's first line
        const QString unknown = QStringLiteral("Unbekannte Antwort vom Server.");
        const QString x999 = QString(999, 'x');
        QTest::newRow("200") << 200 << QString() << QStringList("Ofac ID\t \"1\" \n ") << QString();
        for (int status : {0, 199, 201, 206, 299, 301, 302, 307})
            QTest::newRow(qPrintable(QString::number(status)))
                    << status << QString() << QStringList() << unknown;
        QTest::newRow("controls") << 500 << QString("a\rb\x1f\x7f\u0085\u00a0\tc\n")
                                  << QStringList("\"a b   \u00a0 c \" ")
                                  << QString("a b   \u00a0 c ");
        QTest::newRow("1000 kept")
                << 500 << x999 + "y" << QStringList('"' + x999 + "y\" ") << x999 + "y";
        QTest::newRow("1001 cut") << 500 << x999 + "yz" << QStringList('"' + x999 + "y\" ")
                                  << x999 + "y";
        QTest::newRow("no half character")
                << 500 << x999 + "\U0001F600" << QStringList('"' + x999 + "\" ") << x999;
    }

    void lookup()
    {
        QFETCH(int, status);
        QFETCH(QString, errorText);
        Lookup::Reply reply;
        reply.httpStatus = status;
        reply.networkFailed = !errorText.isNull();
        reply.errorText = errorText;
        reply.body = R"(<r statut="0"><ofac-id>1</ofac-id>)";
        const Lookup::Result result = Lookup::fromReply(QStringLiteral("80756"), reply);
        QTEST(QStringList(Lookup::textLines(result).mid(0, 1)), "lines");
        QTEST(result.report.lines.value(0), "report");
    }

    // The JSON answer: the escapes of every kind and the objects the end-to-end rows cannot
    // make the program write, the watchdog's and a TLS failure's. Out of line, as above.
    void object_data();
    void object()
    {
        QFETCH(Lookup::Result, result);
        QFETCH(qint64, line);
        QTEST(JsonAnswer::object(result, line), "json");
    }

    // The watch's lines: each kind's members in their order, the time on both sides of a day, a
    // year and 1970, and a card's answer spliced in after its reader. Out of line, as above.
    void watchLine_data();
    void watchLine()
    {
        QFETCH(WatchEvents::Event, event);
        QTEST(WatchEvents::line(event, R"({"outcome":"read"})"), "json");
    }
};

// The rules from text to text, one row per boundary: the card number, the record, the value rules,
// the cuts taken with the markers of one field, the classification given as its number, the
// decoding of bytes with their content type, the language.
void tst_CoreRules::textRules_data()
{
    QTest::addColumn<Rule>("rule");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    const auto row = [](const char *name, Rule rule, const QString &in, const QString &out) {
        QTest::newRow(name) << rule << in << out;
    };
    // The number left of the argument, then the verdict on it.
    const Rule card = [](const QString &t) {
        const QString number = CardNumber::cleanUp(t);
        return number + ' ' + QString::number(int(CardNumber::check(number)));
    };
    using V = CardNumber::Verdict;
    const auto number = [&row, card](const char *name, const QString &argument, V verdict,
                                     const QString &left = {}) {
        row(name, card, argument,
            (left.isNull() ? argument : left) + ' ' + QString::number(int(verdict)));
    };
    const QString valid = "80756012345678901234";
    number("blanks around", " \t" + valid + "  ", V::Accepted, valid);
    number("one character in front", "x" + valid, V::Accepted, valid);
    number("prefix twice, first kept", "80756000807560000001", V::Accepted);
    number("cut behind 20", valid + "9x", V::Accepted, valid);
    number("letter at 20", "8075601234567890123x", V::InvalidCharacters);
    number("blank inside prefix", "8075 601234567890123", V::InvalidCharacters);
    number("full-width digits", "80756０１２３４５６７８９０１２３４", V::InvalidCharacters);
    number("no prefix", "12345678901234567890", V::WrongPrefix);
    number("all blank", "   ", V::WrongPrefix, "");
    number("too short", "80756123", V::WrongLength);

    // The record's values, joined by "|"; the labels are pinned byte for byte where the lines
    // leave the program (tst_endtoend). Values are taken as they stand, blanks around them
    // included; only the value rules change them.
    const Rule record = [](const QString &t) {
        QStringList values;
        for (const Record::Line &line : Record::extract(t))
            values << line.value;
        return values.join('|');
    };
    const QString person = QStringLiteral(
            R"(<client assure-id=" 80.1 2 " sex=" 1 " cardholderIdentifier="7561234567897">)"
            "<last-name> MEIER-MÜLLER </last-name><first-name> HANS </first-name>"
            "<birth-date> 1970-03-25 </birth-date><street> Gasse &amp; Weg 1\n</street>"
            "<zip> 3000 </zip><city> Bern </city><country> CH </country></client>");
    // A name attribute, an insured number and a last name outside their own elements must not be
    // taken.
    const QString head =
            R"(<r statut="0"><carte nom="X" assure-id="9"><last-name>Y</last-name></carte>)"
            R"(<ofac-id> 0012340 </ofac-id><agency nom="CSS">)";
    const QString found = "1234|CSS| meier-Müller | hans |5 .-0. 197| Gasse &amp; Weg 1\n| 3000 "
                          "| Bern | CH | 80.1 2 |weiblich|756.1234.5678.97";
    row("record", record, head + person, found);
    row("two clients, the first counts", record,
        head + person + QString(person).replace("HANS", "ANNA"), found);
    row("no client, nameless agency", record,
        R"(<r statut="0"><agency id="1"></agency><last-name>X</last-name><y nom="Z">)",
        "||||||||||weiblich|");

    row("ofac: zeros at both ends", normalizeOfacId, " 00120 ", "12");
    row("ofac: blank uncovered", normalizeOfacId, "1 0", "1 ");
    row("ofac: zeros only", normalizeOfacId, "000", "");
    row("name: blank", normalizeNameCase, "VON ARX", "Von arx");
    row("name: first hyphen only", normalizeNameCase, "ANNA-LENA-MARIA", "Anna-Lena-maria");
    row("name: lower initial", normalizeNameCase, "meier-MÜLLER", "meier-Müller");
    row("name: leading blank", normalizeNameCase, " MEIER", " meier");
    row("name: hyphen at ends", normalizeNameCase, "-ABC-", "-Abc-");
    const QChar lone(0xD83D);
    row("name: kept case", normalizeNameCase, "AⰯB\U00010570\U00010595" + QString(lone) + "LC",
        "AⰯb\U00010570\U00010595" + QString(lone) + "lc");
    row("sex: 1", sexText, "1", "männlich");
    row("sex: blank 1", sexText, " 1", "weiblich");
    row("ahv: trimmed", formatAhvNumber, " 7561234567897\n", "756.1234.5678.97");
    row("ahv: 12", formatAhvNumber, "756123456789", "");
    row("ahv: prefix", formatAhvNumber, "7571234567897", "");
    row("ahv: formatted 16", formatAhvNumber, "756.1234.5678.97", "");
    row("ahv: dotted 13", formatAhvNumber, "756.1234.5678", "756.1234.5678");
    row("date", reorderBirthDate, "1970-03-25", "25.03.1970");
    row("date: no zeros", reorderBirthDate, "1970-3-5", "-5.3-.1970");
    row("date: trailing blank", reorderBirthDate, "1970-03-25 ", "5 .03.1970");
    row("date: no hyphen", reorderBirthDate, "25.03.1970", "25.03.1970");

    const Rule piece = [](const QString &t) {
        return RecordCuts::piece(t, "<client", "</client>");
    };
    row("piece", piece, "a<client>b</client>c", "<client>b");
    row("piece: no close", piece, "a<client>b", "<client>b");
    row("piece: close before", piece, "a</client>b<client>c</client>", "<client>c</client>");
    row("piece: no open", piece, "a</client>b", "a");
    row("piece: neither", piece, "ab", "");
    const Rule element = [](const QString &t) { return RecordCuts::element(t, "<zip>", "</zip>"); };
    row("element", element, "</zip><zip> 3000\n</zip>", " 3000\n");
    row("element: no start", element, "3000</zip>", "");
    row("element: no end", element, "<zip>3000", "");
    const Rule attribute = [](const QString &t) { return RecordCuts::attribute(t, "sex=\""); };
    row("attribute", attribute, R"(sex="1" x="2")", "1");
    row("attribute: no quote", attribute, R"(sex="1)", "");
    const Rule insurer = RecordCuts::insurerName;
    row("insurer: later attributes", insurer, R"(<agency nom=" CSS " id="8">)", "CSS  id=8");
    row("insurer: single quotes", insurer, "<agency nom='CSS'>", "'CSS'");
    row("insurer: no >", insurer, R"(<agency nom="CSS")", "");
    row("insurer: no nom", insurer, "<agency>CSS", "");

    const Rule classify = [](const QString &t) {
        return QString::number(int(ReplyClassification::classify(t)));
    };
    using O = ReplyClassification::Outcome;
    const auto is = [](O outcome) { return QString::number(int(outcome)); };
    row("60 before 67", classify, R"(statut="67" statut="60")", is(O::NoInsuredPerson));
    row("67 before 0", classify, R"(statut="0" statut="67")", is(O::ApplicationProblem));
    row("server error before 0", classify, R"(statut="0" ERROR Not Found)", is(O::ServerError));
    row("error alone", classify, R"(error statut="0")", is(O::Record));
    row("not found alone", classify, "Not Found", is(O::Unrecognised));
    row("partial words first", classify, "ERRERROR not not Found", is(O::ServerError));
    row("words cut short", classify, "erro, not foun.", is(O::Unrecognised));
    row("60 is not 0", classify, R"(statut="600")", is(O::Unrecognised));
    row("other forms", classify, R"(statut='0' statut = "0" statut="060")", is(O::Unrecognised));

    const QString transfer = "Error transferring http://x/?a=1 - server replied: ";
    const Rule network = NetworkErrorText::unified;
    row("corrupt body", network, "Decompression failed: incorrect header check", "Data corrupted");
    row("status line as reason", network, transfer + "HTTP/1.0 404", transfer);
    row("reason of one blank", network, transfer + "Not Found", transfer + "Not Found");
    row("reason of two blanks", network, transfer + "HTTP/1.1 503 Busy",
        transfer + "HTTP/1.1 503 Busy");

    // The body's bytes after the content type and a "|", both as Latin-1.
    const Rule decode = [](const QString &t) {
        const QByteArray bytes = t.toLatin1();
        const int bar = bytes.indexOf('|');
        return ReplyText::decode(bytes.mid(bar + 1), bytes.left(bar));
    };
    const auto body = [&row, decode](const char *name, const QByteArray &type,
                                     const QByteArray &bytes, const QString &text) {
        row(name, decode, QString::fromLatin1(type + '|' + bytes), text);
    };
    const QByteArray decl = "<?xml version='1.0' encoding='ISO-8859-15'?>",
                     spaced = "<?xml encoding\t=\n\"ISO-8859-15\"?>",
                     latin1 = "text/xml; charset=iso-8859-1";
    const QString zurich = "Zürich", broken = "Z\uFFFDrich", bom = "\u00EF\u00BB\u00BF";
    body("UTF-8 whatever declared", "", decl + "Z\xc3\xbcrich", decl + zurich);
    body("cut at zero", "", QByteArray("Bern\0statut=\"0\"", 15), "Bern");
    body("declared, before the header", latin1, decl + "\xa4", decl + "€");
    body("declared after a BOM", "", "\xEF\xBB\xBF" + spaced + "\xfc", bom + spaced + "ü");
    body("no =, no declaration", latin1, "<?xml encoding 'ISO-8859-15'?>\xa4",
         "<?xml encoding 'ISO-8859-15'?>¤");
    body("declaration not at the start", latin1, "\xa4" + decl, "¤" + decl);
    body("content type", "text/xml; Charset=\"iso-8859-1\"", "Z\xfcrich", zurich);
    body("content type, more parameters", "text/xml;charset=ISO-8859-15;x=y", "\xa4", "€");
    body("last character cut in half", "", "Z\xc3", "Z\uFFFD");
    body("neither", "text/xml", "Z\xfcrich", broken);
    body("unknown codec", "text/xml; charset=x-none", "Z\xfcrich", broken);
    body("UTF-32 declared, charset heard", "text/xml; charset=latin1",
         "<?xml encoding='UTF-32'?>Z\xfcrich", "<?xml encoding='UTF-32'?>" + zurich);

    // The interface languages, blank-separated, most wanted first.
    const Rule language = [](const QString &t) {
        return Language::choose(t.split(' ', Qt::SkipEmptyParts));
    };
    row("no language", language, "", "de");
    row("rm_CH", language, "rm-CH rm rm-Latn-CH", "de");
    row("upper case, encoding", language, "FR_FR.UTF-8", "fr");
    row("North Frisian is not French", language, "frr-DE", "de");
    row("fr after en", language, "en en-US fr fr-FR", "fr");
    row("de before fr", language, "en de-CH fr", "de");
}

void tst_CoreRules::object_data()
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

void tst_CoreRules::watchLine_data()
{
    using WatchEvents::Kind;
    QTest::addColumn<WatchEvents::Event>("event");
    QTest::addColumn<QByteArray>("json");
    const auto event = [](Kind kind, qint64 at, const char *reader, bool present) {
        WatchEvents::Event event;
        event.kind = kind;
        event.at = at;
        event.reader = QString::fromLatin1(reader);
        event.readers = QStringList{QStringLiteral("A"), QStringLiteral("B\"")};
        event.present = present;
        return event;
    };
    QTest::newRow("ready") << event(Kind::Ready, 0, "", false)
                           << QByteArray(R"({"event":"ready","at":"1970-01-01T00:00:00.000Z",)"
                                         R"("readers":["A","B\""]})");
    QTest::newRow("service gone")
            << event(Kind::Service, -1, "", false)
            << QByteArray(R"({"event":"service","at":"1969-12-31T23:59:59.999Z",)"
                          R"("available":false})");
    QTest::newRow("service back")
            << event(Kind::Service, 951868799999, "", true)
            << QByteArray(R"({"event":"service","at":"2000-02-29T23:59:59.999Z",)"
                          R"("available":true,"readers":["A","B\""]})");
    QTest::newRow("reader") << event(Kind::Reader, 1767225600000, "R", false)
                            << QByteArray(R"({"event":"reader","at":"2026-01-01T00:00:00.000Z",)"
                                          R"("reader":"R","present":false})");
    QTest::newRow("card") << event(Kind::Card, 1772352902042, "R", true)
                          << QByteArray(R"({"event":"card","at":"2026-03-01T08:15:02.042Z",)"
                                        R"("reader":"R","outcome":"read"})");
    QTest::newRow("removed") << event(Kind::Removed, 1772352902042, "R", false)
                             << QByteArray(R"({"event":"removed",)"
                                           R"("at":"2026-03-01T08:15:02.042Z","reader":"R"})");
}

QTEST_APPLESS_MAIN(tst_CoreRules)
#include "tst_corerules.moc"
