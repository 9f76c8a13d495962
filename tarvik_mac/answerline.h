#pragma once

#include <QByteArray>

// The way out for the JSON answers: each line goes to standard output as UTF-8 bytes, whatever
// the locale, and is flushed at once so that a calling program reading a batch sees it as soon
// as it is decided.
namespace AnswerLine {

// Writes the line and a line feed and flushes. Returns whether all of it was delivered; the
// callers count an undelivered answer as failed.
bool write(const QByteArray &line);

} // namespace AnswerLine
