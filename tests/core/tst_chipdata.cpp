// SPDX-License-Identifier: MIT
#include "chipdata.h"
#include "jsonanswer.h"

#include <QtTest>

Q_DECLARE_METATYPE(ChipData::Verdict)

namespace {

QByteArray tlv(int tag, const QByteArray &value)
{
    return QByteArray(1, char(tag)) + char(value.size()) + value;
}
QByteArray wrap(const QByteArray &body)
{
    return tlv(ChipData::templateTag, body);
}

// The worked example: Müller, Anna Lea, with the card of the Beispiel Krankenkasse AG.
const QByteArray name = tlv(0x80, "M\xc3\xbcller, Anna Lea"), birth = tlv(0x82, "19850314"),
                 ahv = tlv(0x83, "7561234567897"), sex = tlv(0x84, "\x02"), state = tlv(0x90, "CH"),
                 insurer = tlv(0x91, "Beispiel Krankenkasse AG"), bag = tlv(0x92, "01234"),
                 number = tlv(0x93, "80756012340000047114"), expiry = tlv(0x94, "20301231");
const QByteArray holder = name + birth + ahv + sex, card = state + insurer + bag + number + expiry;
const QString none(8, '|');
const QString example = "80756012340000047114|Beispiel Krankenkasse AG|01234|31.12.2030|Müller|"
                        "Anna Lea|14.03.1985|weiblich|756.1234.5678.97";
const QByteArray exampleChip =
        R"({"cardNumber":"80756012340000047114","insurer":"Beispiel Krankenkasse AG","bagNumber":)"
        R"("01234","expiryDate":"31.12.2030","expired":false,"lastName":"Müller","firstName":)"
        R"("Anna Lea","birthDate":"14.03.1985","sex":"weiblich","ahv":"756.1234.5678.97"})";

QString with(const QString &from, const QString &to)
{
    return QString(example).replace(from, to);
}

} // namespace

class tst_ChipData : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("efId");
        QTest::addColumn<QByteArray>("efAd");
        QTest::addColumn<ChipData::Verdict>("verdict");
        QTest::addColumn<QString>("fields");
        using V = ChipData::Verdict;
        const auto row = [](const char *rowName, const QByteArray &id, const QByteArray &ad,
                            V verdict, const QString &fields) {
            QTest::newRow(rowName) << id << ad << verdict << fields;
        };
        const auto holderRow = [&](const char *rowName, const QByteArray &id,
                                   const QString &fields) {
            row(rowName, wrap(id), wrap(card), V::Read, fields);
        };
        const auto cardRow = [&](const char *rowName, const QByteArray &ad, const QString &fields) {
            row(rowName, wrap(holder), wrap(ad), fields == none ? V::Unparsable : V::Read, fields);
        };
        row("worked example",
            QByteArray::fromHex("652F80114DC3BC6C6C65722C20416E6E61204C65618208313938353033313483"
                                "0D37353631323334353637383937840102"),
            wrap(card), V::Read, example);
        row("tags reordered", wrap(sex + ahv + birth + name), wrap(expiry + number + bag + insurer),
            V::Read, example);
        holderRow("unknown tags, one and two bytes",
                  tlv(0x85, "x") + holder + QByteArray("\x5f\x24\x01\x00", 4), example);
        holderRow("padding between objects",
                  QByteArray("\x00\xff", 2) + name + '\0' + birth + ahv + sex, example);
        row("filler after template", wrap(holder) + '\0' + tlv(0x80, "x"),
            wrap(card) + QByteArray::fromHex("9000"), V::Read, example);
        row("81 lengths", QByteArray("\x65\x81") + char(holder.size()) + holder,
            wrap(card + "\x91\x81\x01x"), V::Read, example);
        row("template past data", wrap(holder).chopped(1), wrap(card), V::Unparsable, none);
        row("field past template", wrap(holder.chopped(1)) + "\x02", wrap(card), V::Unparsable,
            none);
        row("82 length", QByteArray("\x65\x82\x00", 3) + char(holder.size()) + holder, wrap(card),
            V::Unparsable, none);
        row("eGK beside broken", wrap(holder).chopped(1), QByteArray::fromHex("7f2103420100"),
            V::NotInsuranceCard, none);
        row("no files", {}, {}, V::NotInsuranceCard, none);
        holderRow("Latin-1", tlv(0x80, "M\xfcller, Ren\xe9") + holder,
                  with("Müller|Anna Lea", "Müller|René"));
        cardRow("Latin-1 insurer", tlv(0x91, "Gen\xe8ve") + card,
                with("Beispiel Krankenkasse AG", "Genève"));
        holderRow("no comma", tlv(0x80, "M\xc3\xbcller") + holder, with("Anna Lea", ""));
        holderRow("commas and blanks", tlv(0x80, " de Vries , Jan, Piet ") + holder,
                  with("Müller|Anna Lea", "de Vries|Jan, Piet"));
        holderRow("birth date of 7 digits", tlv(0x82, "1985031") + holder, with("14.03.1985", ""));
        cardRow("expiry not digits", tlv(0x94, "2030123x") + card, with("31.12.2030", ""));
        holderRow("male", tlv(0x84, "\x01") + holder, with("weiblich", "männlich"));
        holderRow("sex unknown", tlv(0x84, QByteArray(1, '\0')) + holder, with("weiblich", ""));
        holderRow("sex as digit", tlv(0x84, "2") + holder, with("weiblich", ""));
        holderRow("AHV of 12 digits", tlv(0x83, "756123456789") + holder,
                  with("756.1234.5678.97", ""));
        holderRow("AHV not 756", tlv(0x83, "7571234567897") + holder, with("756.1234.5678.97", ""));
        holderRow("AHV with dots", tlv(0x83, "756.1234.5678") + holder,
                  with("756.1234.5678.97", ""));
        cardRow("card number of 19", tlv(0x93, "8075601234000004711") + card, none);
        cardRow("card number 80757", tlv(0x93, "80757012340000047114") + card, none);
        cardRow("card number letter", tlv(0x93, "8075601234000004711x") + card, none);
        cardRow("card number missing", state + insurer + bag + expiry, none);
    }

    void parse()
    {
        QFETCH(QByteArray, efId);
        QFETCH(QByteArray, efAd);
        QFETCH(ChipData::Verdict, verdict);
        QFETCH(QString, fields);
        ChipData::Card chip;
        chip.lastName = "stale";
        QCOMPARE(ChipData::parse(efId, efAd, chip), verdict);
        QCOMPARE(QStringList({chip.cardNumber, chip.insurer, chip.bagNumber, chip.expiryDate,
                              chip.lastName, chip.firstName, chip.birthDate, chip.sex, chip.ahv})
                         .join('|'),
                 fields);
    }

    void templateSize_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("size");
        QTest::newRow("nothing") << QByteArray() << -1;
        QTest::newRow("tag alone") << QByteArray("\x65") << -1;
        QTest::newRow("short") << QByteArray("\x65\x7f") << 129;
        QTest::newRow("81 alone") << QByteArray("\x65\x81") << -1;
        QTest::newRow("81 LL") << QByteArray("\x65\x81\xc8") << 203;
        QTest::newRow("82") << QByteArray("\x65\x82\x01\x02") << 0;
        QTest::newRow("eGK") << QByteArray("\x7f\x21\x81") << 0;
    }

    void templateSize()
    {
        QFETCH(QByteArray, head);
        QFETCH(int, size);
        QCOMPARE(ChipData::templateSize(head), size);
    }

    void expired_data()
    {
        QTest::addColumn<QByteArray>("expiry");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<bool>("expired");
        QTest::newRow("yesterday") << QByteArray("20301231") << QDate(2031, 1, 1) << true;
        QTest::newRow("today") << QByteArray("20301231") << QDate(2030, 12, 31) << false;
        QTest::newRow("tomorrow") << QByteArray("20301231") << QDate(2030, 12, 30) << false;
        QTest::newRow("no date") << QByteArray("2030123x") << QDate(2031, 1, 1) << false;
        QTest::newRow("not a day") << QByteArray("20301232") << QDate(2031, 1, 1) << false;
    }

    void expired()
    {
        QFETCH(QByteArray, expiry);
        QFETCH(QDate, today);
        QFETCH(bool, expired);
        ChipData::Card chip;
        QCOMPARE(ChipData::parse(wrap(holder), wrap(tlv(0x94, expiry) + card), chip),
                 ChipData::Verdict::Read);
        QCOMPARE(ChipData::expired(chip, today), expired);
        QCOMPARE(JsonAnswer::chipObject(chip, today)
                         .contains(expired ? "\"expired\":true," : "\"expired\":false,"),
                 true);
    }

    void json_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("expected");
        ChipData::Card chip;
        ChipData::parse(wrap(holder), wrap(card), chip);
        QTest::newRow("chip") << JsonAnswer::chipObject(chip, QDate(2030, 12, 31)) << exampleChip;
        QTest::newRow("with chip")
                << JsonAnswer::withChip(R"({"card":"x","outcome":"found"})", "{}")
                << QByteArray(R"({"card":"x","outcome":"found","chip":{}})");
        QTest::newRow("read") << JsonAnswer::chipRead("{}")
                              << QByteArray(R"({"outcome":"read","chip":{}})");
        QTest::newRow("failed")
                << JsonAnswer::readerFailed("Kein \"Leser\"", "SCARD_E_NO_SERVICE")
                << QByteArray("{\"outcome\":\"failed\",\"message\":\"Kein \\\"Leser\\\"\","
                              "\"detail\":\"SCARD_E_NO_SERVICE\"}");
    }

    void json()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, expected);
        QCOMPARE(answer, expected);
    }
};

QTEST_APPLESS_MAIN(tst_ChipData)
#include "tst_chipdata.moc"
