// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The network layer's error text is partly the server's: an HTTP error carries the reason phrase
// of the status line, which can hold anything. It reaches standard output and the popup, so it
// is made harmless once, here, and every output shows the same text.
namespace ErrorText {

// Longer texts are cut: a line for the logs, not a transcript of what the server sent.
constexpr int maxLength = 1000;

// The text with every control character (C0, DEL and C1) turned into a blank, so that no reader
// splitting on line ends or a terminal can be fooled, cut to maxLength characters.
QString cleaned(const QString &raw);

} // namespace ErrorText
