// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QString>

// What the chip of a Swiss health-insurance card holds, read from the bytes of its two files:
// EF.ID (2F06: the holder) and EF.AD (2F07: the insurer and the card). Pure functions over bytes,
// so that whatever a card sends, nothing here can do more than refuse it.
namespace ChipData {

// Its enumerators have names at run time, which a failing test and a debug line show.
Q_NAMESPACE

// The fields of both files, decoded for output. An absent field is an empty string.
struct Card
{
    QString cardNumber; // tag 93: 20 digits beginning 80756, exactly as on the chip
    QString insurer; // tag 91
    QString bagNumber; // tag 92, as on the chip
    QString expiryDate; // tag 94 as DD.MM.YYYY
    QDate expiry; // tag 94; invalid when absent or not a date
    QString lastName; // tag 80 up to the first comma, trimmed
    QString firstName; // tag 80 after the first comma, trimmed
    QString birthDate; // tag 82 as DD.MM.YYYY
    QString sex; // tag 84: "männlich", "weiblich" or ""
    QString ahv; // tag 83 as 756.XXXX.XXXX.XX by the record's value rule, or ""
};

enum class Verdict {
    Read, // both files hold the insurance card's template; card.cardNumber has the form of one
    NotInsuranceCard, // a file does not start with the template (an eGK's 7F 21, say)
    Unparsable, // the template is there but broken, or the card number lacks its form
};
Q_ENUM_NS(Verdict)

// The tag that opens each file's template.
constexpr unsigned char templateTag = 0x65;

// For reading adaptively: given the first bytes of a file (at least 2, 3 for the long form
// 81 LL), the number of bytes the whole template takes, header included; 0 when the bytes do
// not open the template (nor do other length forms than short and 81 LL: no field needs them),
// -1 when more header bytes are needed.
int templateSize(const QByteArray &head);

// Decodes both files into card. The template is parsed by tag in any order; unknown tags are
// skipped, filler after the template is ignored, a length that runs past the data is refused.
// card is filled only for Read; otherwise it is left empty.
Verdict parse(const QByteArray &efId, const QByteArray &efAd, Card &card);

// Whether the card's expiry date lies before today. A card without a valid date is not expired.
bool expired(const Card &card, const QDate &today);

} // namespace ChipData
