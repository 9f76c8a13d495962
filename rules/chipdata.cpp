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

// The long length forms a card's template and fields may use: 81 LL and 82 LL LL.
constexpr unsigned char oneByteLength = 0x81;
constexpr unsigned char twoByteLength = 0x82;
// A tag whose low five bits are all set goes on in the bytes that follow, as long as their high
// bit is set.
constexpr unsigned char tagContinues = 0x1f;
// Bytes without meaning that ISO 7816-4 allows before, between and after data objects.
constexpr unsigned char paddingZero = 0x00;
constexpr unsigned char paddingOnes = 0xff;
// What some card writers put before a text written in UTF-8.
const QByteArray byteOrderMark = QByteArrayLiteral("\xef\xbb\xbf");

constexpr unsigned char sexMale = 1;
constexpr unsigned char sexFemale = 2;
constexpr int dateDigits = 8;
constexpr int ahvDigits = 13;

using Fields = QMap<unsigned char, QByteArray>;

unsigned char byteAt(const QByteArray &data, int at)
{
    return static_cast<unsigned char>(data.at(at));
}

bool isPadding(unsigned char byte)
{
    return byte == paddingZero || byte == paddingOnes;
}

// The offset of the first byte after the padding that starts at `at`.
int skipPadding(const QByteArray &data, int at)
{
    while (at < data.size() && isPadding(byteAt(data, at)))
        ++at;
    return at;
}

// Reads a length at `at` (short form, 81 LL or 82 LL LL) and moves past it; -1 for any other
// form, or when the length bytes run past end.
int readLength(const QByteArray &data, int &at, int end)
{
    if (at >= end)
        return -1;
    const unsigned char first = byteAt(data, at++);
    if (first < 0x80)
        return first;
    if (first != oneByteLength && first != twoByteLength)
        return -1;
    int length = 0;
    for (int count = first - 0x80; count > 0; --count) {
        if (at >= end)
            return -1;
        length = length << 8 | byteAt(data, at++);
    }
    return length;
}

// The fields of one file's template by their tag; a field's first occurrence counts. A tag of more
// than one byte is never ours: it is stepped over, and filed under its first byte, which no tag of
// ours shares.
Verdict readTemplate(const QByteArray &file, Fields &fields)
{
    int at = skipPadding(file, 0);
    if (at == file.size() || byteAt(file, at) != templateTag)
        return Verdict::NotInsuranceCard;
    ++at;
    const int length = readLength(file, at, file.size());
    if (length < 0 || length > file.size() - at)
        return Verdict::Unparsable;
    const int end = at + length;
    while (at < end) {
        const unsigned char tag = byteAt(file, at++);
        if (isPadding(tag))
            continue;
        if ((tag & tagContinues) == tagContinues) {
            while (at < end && (byteAt(file, at) & 0x80))
                ++at;
            ++at; // the tag's last byte
        }
        const int size = readLength(file, at, end);
        if (size < 0 || size > end - at)
            return Verdict::Unparsable;
        // A field filled up to its length with padding ends where the padding begins.
        QByteArray value = file.mid(at, size);
        while (!value.isEmpty() && isPadding(byteAt(value, value.size() - 1)))
            value.chop(1);
        if (!fields.contains(tag))
            fields.insert(tag, value);
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

// Cards are written in UTF-8 in practice, some with a byte order mark; the text of one that is
// not valid UTF-8 is taken as Latin-1, the other encoding a card writer might have used, so that
// no byte is lost. A NUL inside ends nothing (the sizes are explicit: Qt 5 would stop at it).
QString text(QByteArray bytes)
{
    if (bytes.startsWith(byteOrderMark))
        bytes.remove(0, byteOrderMark.size());
    const QString utf8 = QString::fromUtf8(bytes.constData(), bytes.size());
    return utf8.toUtf8() == bytes ? utf8 : QString::fromLatin1(bytes.constData(), bytes.size());
}

// YYYYMMDD as a date; invalid for anything but eight digits that name a day of the calendar.
QDate date(const QByteArray &bytes)
{
    if (!allDigits(bytes, dateDigits))
        return {};
    return QDate::fromString(QString::fromLatin1(bytes), QStringLiteral("yyyyMMdd"));
}

// YYYYMMDD as DD.MM.YYYY; anything but a calendar date is no date.
QString dateText(const QByteArray &bytes)
{
    if (!date(bytes).isValid())
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
    int at = skipPadding(head, 0);
    if (at == head.size())
        return moreBytes;
    if (byteAt(head, at++) != templateTag)
        return notTemplate;
    if (at == head.size())
        return moreBytes;
    const unsigned char first = byteAt(head, at);
    if (first >= 0x80 && first != oneByteLength && first != twoByteLength)
        return brokenLength;
    const int length = readLength(head, at, head.size());
    return length < 0 ? moreBytes : at + length;
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
    card.expiryDate = dateText(insurance.value(expiryTag));
    card.expiry = date(insurance.value(expiryTag));
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

std::optional<bool> expired(const Card &card, const QDate &today)
{
    if (!card.expiry.isValid())
        return std::nullopt;
    return card.expiry < today;
}

} // namespace ChipData
