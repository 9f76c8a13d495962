// SPDX-License-Identifier: MIT
#include "chipdata.h"

#include "cardnumber.h"
#include "valuerules.h"

#include <QMap>

namespace ChipData {

namespace {

// The tags of the two templates that make it into the output.
constexpr unsigned char nameTag = 0x80;
constexpr unsigned char birthDateTag = 0x82;
constexpr unsigned char ahvTag = 0x83;
constexpr unsigned char sexTag = 0x84;
constexpr unsigned char insurerTag = 0x91;
constexpr unsigned char bagNumberTag = 0x92;
constexpr unsigned char cardNumberTag = 0x93;
constexpr unsigned char expiryTag = 0x94;

// The one long length form a card's short fields may still use: 81 LL.
constexpr unsigned char oneByteLength = 0x81;
// A tag whose low five bits are all set goes on in the bytes that follow, as long as their high
// bit is set.
constexpr unsigned char tagContinues = 0x1f;
// Bytes without meaning that ISO 7816-4 allows before, between and after data objects.
constexpr unsigned char paddingZero = 0x00;
constexpr unsigned char paddingOnes = 0xff;

constexpr unsigned char sexMale = 1;
constexpr unsigned char sexFemale = 2;
constexpr int dateDigits = 8;
constexpr int ahvDigits = 13;

using Fields = QMap<unsigned char, QByteArray>;

unsigned char byteAt(const QByteArray &data, int at)
{
    return static_cast<unsigned char>(data.at(at));
}

// Reads a length at `at` (short form or 81 LL) and moves past it; -1 for any other form, or
// when the length bytes run past end.
int readLength(const QByteArray &data, int &at, int end)
{
    if (at >= end)
        return -1;
    const unsigned char first = byteAt(data, at++);
    if (first < 0x80)
        return first;
    if (first != oneByteLength || at >= end)
        return -1;
    return byteAt(data, at++);
}

// The fields of one file's template by their tag; a field's first occurrence counts. A tag of more
// than one byte is never ours: it is stepped over, and filed under its first byte, which no tag of
// ours shares.
Verdict readTemplate(const QByteArray &file, Fields &fields)
{
    if (file.isEmpty() || byteAt(file, 0) != templateTag)
        return Verdict::NotInsuranceCard;
    int at = 1;
    const int length = readLength(file, at, file.size());
    if (length < 0 || length > file.size() - at)
        return Verdict::Unparsable;
    const int end = at + length;
    while (at < end) {
        const unsigned char tag = byteAt(file, at++);
        if (tag == paddingZero || tag == paddingOnes)
            continue;
        if ((tag & tagContinues) == tagContinues) {
            while (at < end && (byteAt(file, at) & 0x80))
                ++at;
            ++at; // the tag's last byte
        }
        const int size = readLength(file, at, end);
        if (size < 0 || size > end - at)
            return Verdict::Unparsable;
        if (!fields.contains(tag))
            fields.insert(tag, file.mid(at, size));
        at += size;
    }
    return Verdict::Read;
}

bool allDigits(const QByteArray &bytes, int count)
{
    if (bytes.size() != count)
        return false;
    for (const char c : bytes) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// Cards are written in UTF-8 in practice; the text of one that is not valid UTF-8 is taken as
// Latin-1, the other encoding a card writer might have used, so that no byte is lost.
QString text(const QByteArray &bytes)
{
    const QString utf8 = QString::fromUtf8(bytes);
    return utf8.toUtf8() == bytes ? utf8 : QString::fromLatin1(bytes);
}

// YYYYMMDD as DD.MM.YYYY; anything but eight digits is no date.
QString dateText(const QByteArray &bytes)
{
    if (!allDigits(bytes, dateDigits))
        return {};
    return QString::fromLatin1(bytes.mid(6, 2) + '.' + bytes.mid(4, 2) + '.' + bytes.left(4));
}

QString sexText(const QByteArray &bytes)
{
    if (bytes.size() != 1)
        return {};
    switch (byteAt(bytes, 0)) {
    case sexMale:
        return QStringLiteral("männlich");
    case sexFemale:
        return QStringLiteral("weiblich");
    }
    return {};
}

// Only digits go to the record's rule: it keeps a value that holds a dot, the chip has none.
QString ahvText(const QByteArray &bytes)
{
    if (!allDigits(bytes, ahvDigits))
        return {};
    return ValueRules::formatAhvNumber(QString::fromLatin1(bytes));
}

} // namespace

int templateSize(const QByteArray &head)
{
    if (head.isEmpty())
        return -1;
    if (byteAt(head, 0) != templateTag)
        return 0;
    if (head.size() < 2)
        return -1;
    const unsigned char first = byteAt(head, 1);
    if (first < 0x80)
        return 2 + first;
    if (first != oneByteLength)
        return 0;
    if (head.size() < 3)
        return -1;
    return 3 + byteAt(head, 2);
}

Verdict parse(const QByteArray &efId, const QByteArray &efAd, Card &card)
{
    card = Card();
    Fields holder, insurance;
    const Verdict idVerdict = readTemplate(efId, holder);
    const Verdict adVerdict = readTemplate(efAd, insurance);
    if (idVerdict == Verdict::NotInsuranceCard || adVerdict == Verdict::NotInsuranceCard)
        return Verdict::NotInsuranceCard;
    if (idVerdict != Verdict::Read || adVerdict != Verdict::Read)
        return Verdict::Unparsable;
    const QByteArray number = insurance.value(cardNumberTag);
    if (!allDigits(number, CardNumber::length) || !number.startsWith(CardNumber::prefix))
        return Verdict::Unparsable;

    card.cardNumber = QString::fromLatin1(number);
    card.insurer = text(insurance.value(insurerTag));
    card.bagNumber = text(insurance.value(bagNumberTag));
    const QByteArray expiry = insurance.value(expiryTag);
    card.expiryDate = dateText(expiry);
    if (!card.expiryDate.isEmpty())
        card.expiry = QDate::fromString(QString::fromLatin1(expiry), QStringLiteral("yyyyMMdd"));
    const QString name = text(holder.value(nameTag));
    const int comma = name.indexOf(QLatin1Char(','));
    card.lastName = name.left(comma).trimmed();
    if (comma >= 0)
        card.firstName = name.mid(comma + 1).trimmed();
    card.birthDate = dateText(holder.value(birthDateTag));
    card.sex = sexText(holder.value(sexTag));
    card.ahv = ahvText(holder.value(ahvTag));
    return Verdict::Read;
}

bool expired(const Card &card, const QDate &today)
{
    return card.expiry.isValid() && card.expiry < today;
}

} // namespace ChipData
