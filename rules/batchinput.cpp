// SPDX-License-Identifier: MIT
#include "batchinput.h"

#include "cardnumber.h"

#include <algorithm>
#include <cstring>

namespace BatchInput {

namespace {

// A character takes at most four bytes of UTF-8, and a byte that is no UTF-8 at all becomes one
// replacement character; three more take in a character that straddles the end.
constexpr int maxCardBytes = CardNumber::length * 4 + 3;

bool isSpaceCode(uint code)
{
    return code == 0x1680 || (code >= 0x2000 && code <= 0x200a) || code == 0x2028 || code == 0x2029
           || code == 0x202f || code == 0x205f || code == 0x3000;
}

// The length in bytes of the white-space character (as QString::trimmed() sees it) that begins
// at p, within room bytes; 0 when there is none.
int spaceAt(const uchar *p, qptrdiff room)
{
    if (room >= 1 && (p[0] == ' ' || (p[0] >= '\t' && p[0] <= '\r')))
        return 1;
    if (room >= 2 && p[0] == 0xc2 && (p[1] == 0x85 || p[1] == 0xa0))
        return 2;
    if (room >= 3 && (p[0] & 0xf0) == 0xe0 && (p[1] & 0xc0) == 0x80 && (p[2] & 0xc0) == 0x80
        && isSpaceCode(uint(p[0] & 0x0f) << 12 | uint(p[1] & 0x3f) << 6 | uint(p[2] & 0x3f)))
        return 3;
    return 0;
}

// The length of the white-space character that ends at end; 0 when there is none.
int spaceBefore(const uchar *begin, const uchar *end)
{
    for (int length = 1; length <= 3 && length <= end - begin; ++length) {
        if (spaceAt(end - length, length) == length)
            return length;
    }
    return 0;
}

// The next line from the cursor on that is not all white space, trimmed, as bytes.
bool nextLine(const QByteArray &input, Cursor &cursor, const uchar *&first, const uchar *&last)
{
    const auto *data = reinterpret_cast<const uchar *>(input.constData());
    while (cursor.offset < input.size()) {
        int end = input.indexOf('\n', cursor.offset);
        if (end < 0)
            end = input.size();
        ++cursor.lineNumber;
        first = data + cursor.offset;
        last = data + end;
        cursor.offset = end + 1;
        // Trimmed on the bytes, the way the card's clean-up trims the text: a line of many
        // megabytes is never decoded whole, as no more than a card's length of it can matter.
        while (const int length = spaceAt(first, last - first))
            first += length;
        while (const int length = spaceBefore(first, last))
            last -= length;
        if (first < last)
            return true;
    }
    return false;
}

} // namespace

bool next(const QByteArray &input, Cursor &cursor, QString &card)
{
    const uchar *first = nullptr;
    const uchar *last = nullptr;
    if (!nextLine(input, cursor, first, last))
        return false;
    const auto *prefix = reinterpret_cast<const uchar *>(CardNumber::prefix);
    const uchar *found = std::search(first, last, prefix, prefix + std::strlen(CardNumber::prefix));
    if (found != last)
        first = found;
    card = QString::fromUtf8(reinterpret_cast<const char *>(first),
                             int(std::min<qptrdiff>(last - first, maxCardBytes)))
                   .left(CardNumber::length);
    return true;
}

qint64 count(const QByteArray &input)
{
    Cursor cursor;
    const uchar *first = nullptr;
    const uchar *last = nullptr;
    qint64 cards = 0;
    while (nextLine(input, cursor, first, last))
        ++cards;
    return cards;
}

} // namespace BatchInput
