// SPDX-License-Identifier: MIT
#include "chipdata.h"
#include "jsonanswer.h"

#include "testliterals.h"

#include <QtTest>

namespace {

const auto tlv = [](int tag, const QByteArray &v) { return char(tag) + (char(v.size()) + v); };
const auto wrap = [](const QByteArray &body) { return tlv(ChipData::templateTag, body); };
// The template with the length in the form 82 LL LL.
const auto wrap82 = [](const QByteArray &body) {
    return "\x65\x82" + (char(body.size() >> 8) + (char(body.size()) + body));
};

// The worked example: Müller, Anna Lea, with the card of the Beispiel Krankenkasse AG.
const QByteArray name = tlv(0x80, "Müller, Anna Lea"), birth = tlv(0x82, "19850314"),
                 ahv = tlv(0x83, "7561234567897"), sex = tlv(0x84, "\x02"),
                 insurer = tlv(0x91, "Beispiel Krankenkasse AG"), bag = tlv(0x92, "01234"),
                 number = tlv(0x93, "80756012340000047114"), expiry = tlv(0x94, "20301231");
const QByteArray holder = name + birth + ahv + sex,
                 card = tlv(0x90, "CH") + insurer + bag + number + expiry;
const QByteArray example =
        R"({"cardNumber":"80756012340000047114","insurer":"Beispiel Krankenkasse AG","bagNumber":)"
        R"("01234","expiryDate":"31.12.2030","expired":false,"lastName":"Müller","firstName":)"
        R"("Anna Lea","birthDate":"14.03.1985","sex":"weiblich","ahv":"756.1234.5678.97"})";
const auto with = [](const char *a, const char *b) { return QByteArray(example).replace(a, b); };

} // namespace

class tst_ChipData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each file as the card holds it, and the chip's JSON object on the day the card expires.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("efId");
        QTest::addColumn<QByteArray>("efAd");
        QTest::addColumn<ChipData::Verdict>("verdict");
        QTest::addColumn<QByteArray>("chip");
        using V = ChipData::Verdict;
        const auto refused = [](const char *row, const QByteArray &id, const QByteArray &ad,
                                V verdict, const QByteArray &chip = {}) {
            QTest::newRow(row) << id << ad << verdict << chip;
        };
        const auto read = [&](const char *row, const QByteArray &id, const QByteArray &ad,
                              const QByteArray &chip) {
            refused(row, wrap(id), wrap(ad), chip.isEmpty() ? V::Unparsable : V::Read, chip);
        };
        read("worked example", holder, card, example);
        read("tags reordered", sex + ahv + birth + name, expiry + number + bag + insurer, example);
        read("unknown tags", tlv(0x85, "x") + holder + "\x5f\x24\x01x", card, example);
        read("padding", QByteArray("\x00\xff", 2) + name + '\0' + birth + ahv + sex, card, example);
        refused("filler", wrap(holder) + "\x80\x7f", wrap(card) + '\x90', V::Read, example);
        refused("81 template", "\x65" + tlv(0x81, holder), wrap(card), V::Read, example);
        read("81 field", holder, card + "\x91\x81\x01x", example);
        refused("template past data", wrap(holder).chopped(1), wrap(card), V::Unparsable);
        refused("field past template", wrap(holder.chopped(1)) + "\x02", wrap(card), V::Unparsable);
        refused("82 template", wrap82(holder), wrap82(card), V::Read, example);
        read("82 field", holder, card + QByteArray("\x91\x82\x00\x01x", 5), example);
        refused("over 255", wrap82(holder + "\x85\x81\xfa" + QByteArray(250, 'x')), wrap(card),
                V::Read, example);
        refused("padding before", "\xff\xff" + wrap(holder), '\0' + wrap(card), V::Read, example);
        refused("83 length", "\x65\x83" + tlv(0, holder), wrap(card), V::Unparsable);
        read("NUL and FF filling", tlv(0x80, QByteArray("Müller, Anna Lea\0\0", 19)) + holder,
             tlv(0x91, "Beispiel Krankenkasse AG\xff\xff") + card, example);
        read("byte order mark", tlv(0x80, "\xef\xbb\xbfMüller, Anna Lea") + holder, card, example);
        read("NUL inside", tlv(0x80, QByteArray("Müller, Anna\0Lea", 17)) + holder, card,
             with("Anna Lea", "Anna\\u0000Lea"));
        refused("eGK", wrap(holder).chopped(1), "\x7f\x21\x02\x42\x01", V::NotInsuranceCard);
        refused("no files", {}, {}, V::NotInsuranceCard);
        read("Latin-1", tlv(0x80, "M\xfcller, Ren\xe9") + holder, card, with("Anna Lea", "René"));
        read("Latin-1 AD", holder, tlv(0x91, "Gen\xe8ve") + card,
             with("Beispiel Krankenkasse AG", "Genève"));
        read("no comma", tlv(0x80, "Müller") + holder, card, with("Anna Lea", ""));
        read("commas", tlv(0x80, " Müller , A,B ") + holder, card, with("Anna Lea", "A,B"));
        read("birth date of 7", tlv(0x82, "1985031") + holder, card, with("14.03.1985", ""));
        read("birth month 13", tlv(0x82, "19841340") + holder, card, with("14.03.1985", ""));
        const char *unknown = "\",\"expired\":null";
        const auto unknownExpiry = [&](const char *row, const char *date) {
            read(row, holder, tlv(0x94, date) + card,
                 with("31.12.2030\",\"expired\":false", unknown));
        };
        unknownExpiry("expiry not digits", "2030123x");
        unknownExpiry("30 February", "20300230");
        unknownExpiry("zeros", "00000000");
        read("no expiry", holder, tlv(0x90, "CH") + insurer + bag + number,
             with("31.12.2030\",\"expired\":false", unknown));
        read("expired yesterday", holder, tlv(0x94, "20301230") + card,
             with("31.12.2030\",\"expired\":false", "30.12.2030\",\"expired\":true"));
        read("tomorrow", holder, tlv(0x94, "20310101") + card, with("31.12.2030", "01.01.2031"));
        read("male", tlv(0x84, "\x01") + holder, card, with("weiblich", "männlich"));
        read("sex of 2 bytes", tlv(0x84, "\x02\x02") + holder, card, with("weiblich", ""));
        read("sex as digit", tlv(0x84, "2") + holder, card, with("weiblich", ""));
        read("AHV of 12", tlv(0x83, "756123456789") + holder, card, with("756.1234.5678.97", ""));
        read("AHV 757", tlv(0x83, "7571234567897") + holder, card, with("756.1234.5678.97", ""));
        read("AHV dots", tlv(0x83, "756.1234.5678") + holder, card, with("756.1234.5678.97", ""));
        read("card number of 19", holder, tlv(0x93, "8075601234000004711") + card, {});
        read("card number 80757", holder, tlv(0x93, "80757012340000047114") + card, {});
        read("card number letter", holder, tlv(0x93, "8075601234000004711x") + card, {});
    }

    void parse()
    {
        QFETCH(QByteArray, efId);
        QFETCH(QByteArray, efAd);
        QFETCH(ChipData::Verdict, verdict);
        QFETCH(QByteArray, chip);
        ChipData::Card decoded;
        decoded.cardNumber = "stale"_s;
        QCOMPARE(ChipData::parse(efId, efAd, decoded), verdict);
        const QDate expiryDay(2030, 12, 31);
        QCOMPARE(JsonAnswer::chipObject(decoded, expiryDay),
                 chip.isEmpty() ? JsonAnswer::chipObject({}, expiryDay) : chip);
    }

    // The other answers: the template's size from its first bytes, and the JSON forms.
    void answers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char *title, const QByteArray &answer, const char *expected) {
            QTest::newRow(title) << answer << QByteArray(expected);
        };
        const auto size = [](const char *hex) {
            return QByteArray::number(ChipData::templateSize(QByteArray::fromHex(hex)));
        };
        row("size, nothing", size(""), "-1");
        row("size, tag alone", size("65"), "-1");
        row("size, short", size("657f"), "129");
        row("size, 81 alone", size("6581"), "-1");
        row("size, 81 LL", size("6581c8"), "203");
        row("size, 82 LL LL", size("65820102"), "262");
        row("size, 82 cut", size("658201"), "-1");
        row("size, padding", size("ffff00"), "-1");
        row("size, after padding", size("ff00657f"), "131");
        row("size, 83", size("6583"), "-2");
        row("size, eGK", size("7f2181"), "0");
        row("with chip", JsonAnswer::withChip(R"({"x":1})", "{}"), R"({"x":1,"chip":{}})");
        row("read", JsonAnswer::chipRead("{}"), R"({"outcome":"read","chip":{}})");
        row("failed", JsonAnswer::readerFailed("ü"_s, "d"_s),
            R"({"outcome":"failed","message":"ü","detail":"d"})");
    }

    void answers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, expected);
        QCOMPARE(answer, expected);
    }
};

QTEST_APPLESS_MAIN(tst_ChipData)
#include "tst_chipdata.moc"
