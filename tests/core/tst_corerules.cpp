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

#include "testliterals.h"

#include <QtTest>

using Rule = QString (*)(const QString &);
Q_DECLARE_METATYPE(Rule)
Q_DECLARE_METATYPE(Lookup::Result)
Q_DECLARE_METATYPE(WatchEvents::Event)

using namespace ValueRules;

// An enumerator by its name, so that a failing row says which verdict it got.
template<typename E>
QString named(E value)
{
    return QString::fromLatin1(QMetaEnum::fromType<E>().valueToKey(int(value)));
}

class tst_CoreRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        const QString x999 = QString(999, QLatin1Char('x'));
        QTest::newRow("200") << 200 << QString() << QStringList("Ofac ID\t \"1\" \n "_s)
                             << QString();
        for (int status : {0, 199, 201, 206, 299, 301, 302, 307})
            QTest::addRow("%d", status) << status << QString() << QStringList() << unknown;
        QTest::newRow("controls") << 500 << "a\rb\x1f\x7f\u0085\u00a0\tc\n"_s
                                  << QStringList("\"a b   \u00a0 c \" "_s) << "a b   \u00a0 c "_s;
        QTest::newRow("1000 kept")
                << 500 << x999 + "y"_s << QStringList("\""_s + x999 + "y\" "_s) << x999 + "y"_s;
        QTest::newRow("1001 cut") << 500 << x999 + "yz"_s << QStringList("\""_s + x999 + "y\" "_s)
                                  << x999 + "y"_s;
        QTest::newRow("no half character")
                << 500 << x999 + "\U0001F600"_s << QStringList("\""_s + x999 + "\" "_s) << x999;
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
// the cuts taken with the markers of one field, the classification, the decoding of bytes with
// their content type, the language. Each row's name begins with the rule it tests.
void tst_CoreRules::textRules_data()
{
    QTest::addColumn<Rule>("rule");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    const char *ruleName = "";
    const auto row = [&ruleName](const char *name, Rule rule, const QString &in,
                                 const QString &out) {
        QTest::addRow("%s: %s", ruleName, name) << rule << in << out;
    };
    // The number left of the argument, then the verdict on it.
    ruleName = "CardNumber";
    const Rule card = [](const QString &t) {
        const QString number = CardNumber::cleanUp(t);
        return number + QLatin1Char(' ') + named(CardNumber::check(number));
    };
    using V = CardNumber::Verdict;
    const auto number = [&row, card](const char *name, const QString &argument, V verdict,
                                     const QString &left = {}) {
        row(name, card, argument,
            (left.isNull() ? argument : left) + QLatin1Char(' ') + named(verdict));
    };
    const QString valid = "80756012345678901234"_s;
    number("blanks around", " \t"_s + valid + "  "_s, V::Accepted, valid);
    number("one character in front", "x"_s + valid, V::Accepted, valid);
    number("prefix twice, first kept", "80756000807560000001"_s, V::Accepted);
    number("cut behind 20", valid + "9x"_s, V::Accepted, valid);
    number("letter at 20", "8075601234567890123x"_s, V::InvalidCharacters);
    number("blank inside prefix", "8075 601234567890123"_s, V::InvalidCharacters);
    number("full-width digits", "80756０１２３４５６７８９０１２３４"_s, V::InvalidCharacters);
    number("no prefix", "12345678901234567890"_s, V::WrongPrefix);
    number("all blank", "   "_s, V::WrongPrefix, ""_s);
    number("too short", "80756123"_s, V::WrongLength);

    // The record's values, joined by "|"; the labels are pinned byte for byte where the lines
    // leave the program (tst_endtoend). Values are taken as they stand, blanks around them
    // included; only the value rules change them.
    ruleName = "Record";
    const Rule record = [](const QString &t) {
        QStringList values;
        for (const Record::Line &line : Record::extract(t))
            values << line.value;
        return values.join(QLatin1Char('|'));
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
            R"(<ofac-id> 0012340 </ofac-id><agency nom="CSS">)"_s;
    const QString found = "1234|CSS| meier-Müller | hans |5 .-0. 197| Gasse &amp; Weg 1\n| 3000 "
                          "| Bern | CH | 80.1 2 |weiblich|756.1234.5678.97"_s;
    row("record", record, head + person, found);
    row("two clients, the first counts", record,
        head + person + QString(person).replace("HANS"_s, "ANNA"_s), found);
    row("no client, nameless agency", record,
        R"(<r statut="0"><agency id="1"></agency><last-name>X</last-name><y nom="Z">)"_s,
        "||||||||||weiblich|"_s);

    ruleName = "normalizeOfacId";
    row("zeros at both ends", normalizeOfacId, " 00120 "_s, "12"_s);
    row("blank uncovered", normalizeOfacId, "1 0"_s, "1 "_s);
    row("zeros only", normalizeOfacId, "000"_s, ""_s);
    ruleName = "normalizeNameCase";
    row("blank", normalizeNameCase, "VON ARX"_s, "Von arx"_s);
    row("first hyphen only", normalizeNameCase, "ANNA-LENA-MARIA"_s, "Anna-Lena-maria"_s);
    row("lower initial", normalizeNameCase, "meier-MÜLLER"_s, "meier-Müller"_s);
    row("leading blank", normalizeNameCase, " MEIER"_s, " meier"_s);
    row("hyphen at ends", normalizeNameCase, "-ABC-"_s, "-Abc-"_s);
    const QChar lone(0xD83D);
    row("kept case", normalizeNameCase, "AⰯB\U00010570\U00010595"_s + lone + "LC"_s,
        "AⰯb\U00010570\U00010595"_s + lone + "lc"_s);
    ruleName = "sexText";
    row("1", sexText, "1"_s, "männlich"_s);
    row("blank 1", sexText, " 1"_s, "weiblich"_s);
    ruleName = "formatAhvNumber";
    row("trimmed", formatAhvNumber, " 7561234567897\n"_s, "756.1234.5678.97"_s);
    row("12", formatAhvNumber, "756123456789"_s, ""_s);
    row("prefix", formatAhvNumber, "7571234567897"_s, ""_s);
    row("formatted 16", formatAhvNumber, "756.1234.5678.97"_s, ""_s);
    row("dotted 13", formatAhvNumber, "756.1234.5678"_s, "756.1234.5678"_s);
    ruleName = "reorderBirthDate";
    row("date", reorderBirthDate, "1970-03-25"_s, "25.03.1970"_s);
    row("no zeros", reorderBirthDate, "1970-3-5"_s, "-5.3-.1970"_s);
    row("trailing blank", reorderBirthDate, "1970-03-25 "_s, "5 .03.1970"_s);
    row("no hyphen", reorderBirthDate, "25.03.1970"_s, "25.03.1970"_s);

    ruleName = "RecordCuts::piece";
    const Rule piece = [](const QString &t) {
        return RecordCuts::piece(t, "<client"_s, "</client>"_s);
    };
    row("both", piece, "a<client>b</client>c"_s, "<client>b"_s);
    row("no close", piece, "a<client>b"_s, "<client>b"_s);
    row("close before", piece, "a</client>b<client>c</client>"_s, "<client>c</client>"_s);
    row("no open", piece, "a</client>b"_s, "a"_s);
    row("neither", piece, "ab"_s, ""_s);
    ruleName = "RecordCuts::element";
    const Rule element = [](const QString &t) {
        return RecordCuts::element(t, "<zip>"_s, "</zip>"_s);
    };
    row("both", element, "</zip><zip> 3000\n</zip>"_s, " 3000\n"_s);
    row("no start", element, "3000</zip>"_s, ""_s);
    row("no end", element, "<zip>3000"_s, ""_s);
    ruleName = "RecordCuts::attribute";
    const Rule attribute = [](const QString &t) { return RecordCuts::attribute(t, "sex=\""_s); };
    row("quoted", attribute, R"(sex="1" x="2")"_s, "1"_s);
    row("no quote", attribute, R"(sex="1)"_s, ""_s);
    ruleName = "RecordCuts::insurerName";
    const Rule insurer = RecordCuts::insurerName;
    row("later attributes", insurer, R"(<agency nom=" CSS " id="8">)"_s, "CSS  id=8"_s);
    row("single quotes", insurer, "<agency nom='CSS'>"_s, "'CSS'"_s);
    row("no >", insurer, R"(<agency nom="CSS")"_s, ""_s);
    row("no nom", insurer, "<agency>CSS"_s, ""_s);

    ruleName = "ReplyClassification";
    const Rule classify = [](const QString &t) { return named(ReplyClassification::classify(t)); };
    using O = ReplyClassification::Outcome;
    row("60 before 67", classify, R"(statut="67" statut="60")"_s, named(O::NoInsuredPerson));
    row("67 before 0", classify, R"(statut="0" statut="67")"_s, named(O::ApplicationProblem));
    row("server error before 0", classify, R"(statut="0" ERROR Not Found)"_s,
        named(O::ServerError));
    row("error alone", classify, R"(error statut="0")"_s, named(O::Record));
    row("not found alone", classify, "Not Found"_s, named(O::Unrecognised));
    row("partial words first", classify, "ERRERROR not not Found"_s, named(O::ServerError));
    row("words cut short", classify, "erro, not foun."_s, named(O::Unrecognised));
    row("60 is not 0", classify, R"(statut="600")"_s, named(O::Unrecognised));
    row("other forms", classify, R"(statut='0' statut = "0" statut="060")"_s,
        named(O::Unrecognised));

    ruleName = "NetworkErrorText";
    const QString transfer = "Error transferring http://x/?a=1 - server replied: "_s;
    const Rule network = NetworkErrorText::unified;
    row("corrupt body", network, "Decompression failed: incorrect header check"_s,
        "Data corrupted"_s);
    row("status line as reason", network, transfer + "HTTP/1.0 404"_s, transfer);
    row("reason of one blank", network, transfer + "Not Found"_s, transfer + "Not Found"_s);
    row("reason of two blanks", network, transfer + "HTTP/1.1 503 Busy"_s,
        transfer + "HTTP/1.1 503 Busy"_s);

    // The body's bytes after the content type and a "|", both as Latin-1.
    ruleName = "ReplyText::decode";
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
    const QString declText = QString::fromLatin1(decl), spacedText = QString::fromLatin1(spaced);
    const QString zurich = "Zürich"_s, broken = "Z\uFFFDrich"_s, bom = "\u00EF\u00BB\u00BF"_s;
    body("UTF-8 whatever declared", "", decl + "Z\xc3\xbcrich", declText + zurich);
    body("cut at zero", "", QByteArray("Bern\0statut=\"0\"", 15), "Bern"_s);
    body("declared, before the header", latin1, decl + "\xa4", declText + "€"_s);
    body("declared after a BOM", "", "\xEF\xBB\xBF" + spaced + "\xfc", bom + spacedText + "ü"_s);
    body("no =, no declaration", latin1, "<?xml encoding 'ISO-8859-15'?>\xa4",
         "<?xml encoding 'ISO-8859-15'?>¤"_s);
    body("declaration not at the start", latin1, "\xa4" + decl, "¤"_s + declText);
    body("content type", "text/xml; Charset=\"iso-8859-1\"", "Z\xfcrich", zurich);
    body("content type, more parameters", "text/xml;charset=ISO-8859-15;x=y", "\xa4", "€"_s);
    body("last character cut in half", "", "Z\xc3", "Z\uFFFD"_s);
    body("neither", "text/xml", "Z\xfcrich", broken);
    body("unknown codec", "text/xml; charset=x-none", "Z\xfcrich", broken);
    body("UTF-32 declared, charset heard", "text/xml; charset=latin1",
         "<?xml encoding='UTF-32'?>Z\xfcrich", "<?xml encoding='UTF-32'?>"_s + zurich);

    // The interface languages, blank-separated, most wanted first.
    ruleName = "Language::choose";
    const Rule language = [](const QString &t) {
        return Language::choose(t.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    };
    row("no language", language, ""_s, "de"_s);
    row("rm_CH", language, "rm-CH rm rm-Latn-CH"_s, "de"_s);
    row("upper case, encoding", language, "FR_FR.UTF-8"_s, "fr"_s);
    row("North Frisian is not French", language, "frr-DE"_s, "de"_s);
    row("fr after en", language, "en en-US fr fr-FR"_s, "fr"_s);
    row("de before fr", language, "en de-CH fr"_s, "de"_s);
}

void tst_CoreRules::object_data()
{
    // The escapes, the UTF-8 and the line number, byte for byte; the objects of every outcome
    // the program can be made to give are pinned end to end.
    QTest::addColumn<Lookup::Result>("result");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QByteArray>("json");
    Lookup::Result found;
    found.card = "8\t1\x1f"_s;
    found.outcome = Lookup::Outcome::Found;
    found.record = {{"Client Ort\t"_s, "town"_s, "Z\"\\ü\n"_s}};
    QTest::newRow("found") << found << qint64(7)
                           << QByteArray(R"({"line":7,"card":"8\t1\u001f","outcome":"found",)"
                                         R"("record":{"town":"Z\"\\ü\n"}})");
    // What the watchdog writes for a request it cut, and the TLS failure: network failures.
    const QByteArray hint = " Ist der HIN Client gestartet ? Sind Sie angemeldet bei HIN ?";
    QTest::newRow("timed out") << Lookup::timedOut("1"_s) << qint64(0)
                               << R"({"card":"1","outcome":"failed","message":"Operation canceled)"
                                          + hint + R"(","detail":"Operation canceled"})";
    QTest::newRow("TLS") << Lookup::tlsFailed("1"_s, "TLS"_s) << qint64(0)
                         << R"({"card":"1","outcome":"failed","message":"TLS)" + hint
                                    + R"(","detail":"TLS"})";
}

void tst_CoreRules::watchLine_data()
{
    using WatchEvents::Kind;
    QTest::addColumn<WatchEvents::Event>("event");
    QTest::addColumn<QByteArray>("json");
    const auto event = [](Kind kind, qint64 at, const char *reader, bool present) {
        WatchEvents::Event made;
        made.kind = kind;
        made.at = at;
        made.reader = QString::fromLatin1(reader);
        made.readers = QStringList{QStringLiteral("A"), QStringLiteral("B\"")};
        made.present = present;
        return made;
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
