// SPDX-License-Identifier: MIT
// Any bytes as the two files of a card's chip (the first half of the input as EF.ID, the rest as
// EF.AD) through the template reading, the field decoding and the JSON object: nothing crashes or
// hangs, the adaptive read never asks for less than its header, and a card that is read has a
// card number of the right form and fields only in their printed forms, dates only of the
// calendar.

#include "chipdata.h"
#include "fuzztarget.h"
#include "jsonanswer.h"

#include <QByteArray>
#include <QDate>
#include <QRegularExpression>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

const QRegularExpression cardNumberForm(QStringLiteral("^80756[0-9]{15}$"));
const QRegularExpression dateForm(QStringLiteral("^([0-9]{2}\\.[0-9]{2}\\.[0-9]{4})?$"));
const QRegularExpression ahvForm(QStringLiteral("^(756\\.[0-9]{4}\\.[0-9]{4}\\.[0-9]{2})?$"));

// Padding and the longest header, and some.
constexpr int longestHeadChecked = 8;

// Whatever the first bytes, the size is one of the answers, never shorter than a header and the
// padding before it, and never changed by the bytes after it.
void checkHeader(const QByteArray &file)
{
    for (int length = 0; length <= qMin(file.size(), longestHeadChecked); ++length) {
        const int size = ChipData::templateSize(file.left(length));
        if (size < ChipData::brokenLength || (size > 0 && size < 2)
            || (size != ChipData::moreBytes && ChipData::templateSize(file) != size))
            std::abort();
    }
}

bool calendarDate(const QString &text)
{
    return text.isEmpty() || QDate::fromString(text, QStringLiteral("dd.MM.yyyy")).isValid();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    const QByteArray efId = input.left(input.size() / 2);
    const QByteArray efAd = input.mid(input.size() / 2);
    checkHeader(efId);
    checkHeader(efAd);

    ChipData::Card card;
    const ChipData::Verdict verdict = ChipData::parse(efId, efAd, card);
    const QByteArray chip = JsonAnswer::chipObject(card, QDate(2030, 12, 31));
    if (!chip.startsWith("{\"cardNumber\":") || !chip.endsWith('}'))
        std::abort();
    if (verdict != ChipData::Verdict::Read) {
        if (!card.cardNumber.isEmpty() || !card.lastName.isEmpty())
            std::abort();
        return 0;
    }
    // A file that is read opens the template it was read from, in the length it says.
    const int idSize = ChipData::templateSize(efId);
    const int adSize = ChipData::templateSize(efAd);
    if (idSize < 2 || idSize > efId.size() || adSize < 2 || adSize > efAd.size())
        std::abort();
    if (!cardNumberForm.match(card.cardNumber).hasMatch()
        || !dateForm.match(card.expiryDate).hasMatch() || !dateForm.match(card.birthDate).hasMatch()
        || !ahvForm.match(card.ahv).hasMatch() || card.expiry.isValid() == card.expiryDate.isEmpty()
        || !calendarDate(card.birthDate)
        || ChipData::expired(card, QDate(2030, 12, 31)).has_value() != card.expiry.isValid())
        std::abort();
    const QString sexes[] = {QString(), QStringLiteral("männlich"), QStringLiteral("weiblich")};
    if (!std::count(std::begin(sexes), std::end(sexes), card.sex))
        std::abort();
    return 0;
}
