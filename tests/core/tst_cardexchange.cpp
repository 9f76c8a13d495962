// SPDX-License-Identifier: MIT
// The exchange with one card, without pcscd: the virtual card's card files (standin/cards) answer
// in-process, as hin-vcard makes them answer through the reader.
#include "cardexchange.h"
#include "chipdata.h"
#include "virtualcard.h"

#include <QtTest>

namespace {

// What a reading ended in: the card number of files that parse, or how it failed.
QString outcome(const CardExchange::Files &files)
{
    ChipData::Card card;
    switch (files.ending) {
    case CardExchange::Ending::Read:
        return ChipData::parse(files.id, files.ad, card) == ChipData::Verdict::Read
                       ? card.cardNumber
                       : QStringLiteral("read, does not parse");
    case CardExchange::Ending::Refused:
        return (files.failure == ReaderFailure::NotInsuranceCard ? QStringLiteral("another kind ")
                                                                 : QStringLiteral("broken "))
               + files.statusWord;
    case CardExchange::Ending::TransportFailed:
        return QStringLiteral("transport failed");
    case CardExchange::Ending::NoStatusWord:
        break;
    }
    return QStringLiteral("no status word");
}

} // namespace

class tst_CardExchange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readFiles_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<bool>("transportFails");
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char *name, const char *card, const char *outcome) {
            QTest::newRow(name) << card << false << outcome;
        };
        const char *number = "80756000080000000001";
        row("regular", "regular", number);
        row("strict Le, 6C xx", "strict-le", number);
        row("82 LL LL, over 255 bytes in chunks", "large", number);
        row("FF padding before the template", "padded", number);
        row("62 82, the file ends before the template", "overrun", "read, does not parse");
        row("only padding", "blank", "broken ");
        row("eGK", "egk", "another kind ");
        row("69 82, reading refused", "refuse-read", "another kind 6982");
        row("6A 82, no file", "nofiles", "another kind 6A82");
        row("no status word", "mute", "no status word");
        QTest::newRow("transport failure") << "regular" << true << "transport failed";
    }

    void readFiles()
    {
        QFETCH(QString, card);
        QFETCH(bool, transportFails);
        QFETCH(QString, outcome);
        VirtualCard chip;
        QString error;
        QVERIFY2(chip.load(QStringLiteral(CARDS "/") + card, &error), qPrintable(error));
        const auto transmit = [&](const QByteArray &command, QByteArray &response) {
            response = chip.answer(command);
            return !transportFails;
        };
        QCOMPARE(::outcome(CardExchange::readFiles(transmit)), outcome);
    }
};

QTEST_APPLESS_MAIN(tst_CardExchange)
#include "tst_cardexchange.moc"
