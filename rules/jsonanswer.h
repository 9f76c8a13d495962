// SPDX-License-Identifier: MIT
#pragma once

#include "chipdata.h"
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

// What the chip holds, keys in a fixed order: "cardNumber", "insurer", "bagNumber", "expiryDate",
// "expired" (true or false against today, null without a valid expiry date), "lastName",
// "firstName", "birthDate", "sex", "ahv".
QByteArray chipObject(const ChipData::Card &card, const QDate &today);

// A lookup's object, as object() gives it, with the chip's object added as its last member, "chip".
QByteArray withChip(const QByteArray &object, const QByteArray &chip);

// The answer when only the chip was read, without asking the service: outcome "read" and "chip".
QByteArray chipRead(const QByteArray &chip);

// The answer when the card could not be read: outcome "failed", the popup's "message" and the
// reader's error name as "detail".
QByteArray readerFailed(const QString &message, const QString &detail);

// The single-card mode's exit status: 0 found, 1 unknown person, 3 rejected, 4 failed.
int exitStatus(Lookup::Outcome outcome);

// The batch's exit status so far, given one more card's outcome: it stays 0 while every card was
// found, unknown or rejected, and becomes 4 for good once one failed or was cancelled.
int batchStatus(int statusSoFar, Lookup::Outcome outcome);

} // namespace JsonAnswer
