// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QString>

#include <optional>

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
    QString expiryDate; // tag 94 as DD.MM.YYYY; "" when absent or no calendar date
    QDate expiry; // tag 94; invalid when absent or no calendar date
    QString lastName; // tag 80 up to the first comma, trimmed
    QString firstName; // tag 80 after the first comma, trimmed
    QString birthDate; // tag 82 as DD.MM.YYYY; "" when absent or no calendar date
    QString sex; // tag 84: "männlich", "weiblich" or ""
    QString ahv; // tag 83 as 756.XXXX.XXXX.XX by the record's value rule, or ""
};

enum class Verdict {
    Read, // both files hold the insurance card's template; card.cardNumber has the form of one
    NotInsuranceCard, // a file does not open with the template (an eGK's 7F 21, say)
    Unparsable, // the template is there but broken, or the card number lacks its form
};
Q_ENUM_NS(Verdict)

// The tag that opens each file's template.
constexpr unsigned char templateTag = 0x65;

// What templateSize() says of bytes that do not give the size yet.
constexpr int notTemplate = 0; // they open something else
constexpr int moreBytes = -1; // the padding or the header goes on past them
constexpr int brokenLength = -2; // the template, with a length in a form no card writes

// For reading adaptively: given the first bytes of a file, the number of bytes up to the end
// of its template: the padding before it (00 or FF), the header (tag and length: short, 81 LL
// or 82 LL LL) and the contents.
int templateSize(const QByteArray &head);

// Decodes both files into card. The template is parsed by tag in any order after any padding;
// unknown tags are skipped, filler after the template is ignored, a length that runs past the
// data is refused. card is filled only for Read; otherwise it is left empty.
Verdict parse(const QByteArray &efId, const QByteArray &efAd, Card &card);

// Whether the card's expiry date lies before today; none without a valid date, since an unknown
// validity is no valid card.
std::optional<bool> expired(const Card &card, const QDate &today);

} // namespace ChipData
