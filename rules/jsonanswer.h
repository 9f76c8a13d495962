// SPDX-License-Identifier: MIT
#pragma once

#include "lookup.h"

#include <QByteArray>
#include <QString>

// The JSON form of a lookup's result, one object on one line, for calling programs that parse
// with a JSON library instead of reading the unescaped text lines. Built from the same
// Lookup::Result as the text lines, so that the two forms never disagree.
namespace JsonAnswer {

// Exit status when the answer could not be delivered to standard output.
constexpr int undeliveredStatus = 4;

// A JSON string: the text in double quotes as UTF-8, with the quote, the backslash and every
// control character escaped.
QByteArray quoted(const QString &text);

// The object without a line end, keys in a fixed order: "line" (only when lineNumber > 0, as in
// the batch), "card", "outcome", then "record" for a found card or "message" (and "detail" for
// a network failure) for any other.
QByteArray object(const Lookup::Result &result, qint64 lineNumber = 0);

// The single-card mode's exit status: 0 found, 1 unknown person, 3 rejected, 4 failed.
int exitStatus(Lookup::Outcome outcome);

// The batch's exit status so far, given one more card's outcome: it stays 0 while every card was
// found, unknown or rejected, and becomes 4 for good once one failed or was cancelled.
int batchStatus(int statusSoFar, Lookup::Outcome outcome);

} // namespace JsonAnswer
