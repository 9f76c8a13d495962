// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// The batch's standard input: card numbers, one a line, in UTF-8. Lines holding only white space
// are skipped; every other line is one card, numbered by its line in the input (from 1). The
// input is walked with a cursor rather than split, so that nothing but the input itself is held
// however many cards it has.
namespace BatchInput {

struct Cursor
{
    int offset = 0; // where the next line starts
    qint64 lineNumber = 0; // of the line read last
};

// Reads the next card from the cursor on, cleaned up as CardNumber::cleanUp() cleans up its line,
// and the line's number. Returns false once the input holds no more cards.
bool next(const QByteArray &input, Cursor &cursor, QString &card);

// How many cards the input holds.
qint64 count(const QByteArray &input);

} // namespace BatchInput
