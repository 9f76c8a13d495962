// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// Turns the reply body into the text that every search runs over.
namespace ReplyText {

// The bytes up to the first zero byte, decoded as UTF-8 when they are valid UTF-8. A body that is
// not valid UTF-8 is decoded with the encoding its XML declaration names, else with the charset of
// its Content-Type header, when the toolkit knows that codec and it reads ASCII as ASCII (never
// UTF-16 or UTF-32); only without such a codec do invalid bytes become replacement characters.
QString decode(const QByteArray &body, const QByteArray &contentType = QByteArray());

} // namespace ReplyText
