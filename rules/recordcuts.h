// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The cuts that take the record's pieces out of the reply text. The reply is never parsed as XML:
// every marker counts at its first occurrence, and the text between the markers is taken verbatim.
namespace RecordCuts {

// The text from the opening marker (included) up to the closing marker (excluded); to the end
// when the closing marker is missing or stands before the opening one; from the start when the
// opening marker is missing; empty when both are missing.
QString piece(const QString &text, const QString &open, const QString &close);

// The text between a start marker and the next end marker after it (the end marker is searched
// from the value's start on); empty when either is missing.
QString element(const QString &text, const QString &start, const QString &end);

// The text after a start marker such as assure-id=" up to the next double quote; empty when the
// marker or the closing quote is missing.
QString attribute(const QString &text, const QString &start);

// The insurer's name: the text after "nom=" up to the next ">" in the agency piece, with every
// double quote removed and white space trimmed; empty when either marker is missing.
QString insurerName(const QString &agencyText);

} // namespace RecordCuts
