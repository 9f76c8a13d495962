// SPDX-License-Identifier: MIT
#pragma once

#include "standinanswer.h"

#include <QByteArray>

#include <optional>

// The request the stand-in serves, as the HIN Client's proxy receives the lookup's: a GET of the
// service's path in absolute form (http://host/path), with the fixed query parameters.
namespace StandinRequest {

// Whether the line is an HTTP/1.x request line: a method token, a target of visible ASCII, the
// version.
bool isRequestLine(const QByteArray &line);

// The answer to a well-formed request line that is not the service's request: 405 (not GET), 400
// (no absolute http:// address, wrong fixed query parameters) or 404 (another path); none for the
// service's request.
std::optional<StandinAnswer> refusal(const QByteArray &line);

// The card number the service's request asks for, decoded; empty when it names none.
QByteArray card(const QByteArray &line);

// Whether the request asks for this card.
bool asksFor(const QByteArray &line, const QByteArray &card);

} // namespace StandinRequest
