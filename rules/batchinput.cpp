// SPDX-License-Identifier: MIT
#include "batchinput.h"

namespace BatchInput {

bool next(const QByteArray &input, Cursor &cursor, QString &text)
{
    while (cursor.offset < input.size()) {
        int end = input.indexOf('\n', cursor.offset);
        if (end < 0)
            end = input.size();
        ++cursor.lineNumber;
        // The clean-up of each card trims the line again; trimming here only tells blank lines
        // apart, with the same idea of white space (a carriage return included).
        text = QString::fromUtf8(input.constData() + cursor.offset, end - cursor.offset);
        cursor.offset = end + 1;
        if (!text.trimmed().isEmpty())
            return true;
    }
    return false;
}

qint64 count(const QByteArray &input)
{
    Cursor cursor;
    QString text;
    qint64 cards = 0;
    while (next(input, cursor, text))
        ++cards;
    return cards;
}

} // namespace BatchInput
