// SPDX-License-Identifier: MIT
#pragma once

#include "standinanswer.h"

#include <QByteArray>

#include <optional>

// The ways the stand-in fails on purpose, the way the HIN Client and the service behind it fail.
enum class StandinFailure {
    None, // answer from the samples (or the fixed reply)
    HttpError, // answer with the configured HTTP error status and a short HTML body
    CloseWithoutAnswer, // read the request, then close the connection without a byte
    NeverAnswer, // read the request, then keep the connection open and stay silent
    // The misbehaving proxies the lookup must survive; each answers the service's request.
    StatusWithRecord, // the card's reply under the configured status (200-599), e.g. 302
    Drip, // the head, then one body byte per drip interval
    DripChunked, // chunked: the whole reply as one chunk, then a 1-byte chunk per interval
    HeaderFlood, // the status line, then one header line that never ends, as fast as it goes
    ManyHeaders, // the status line, headerCount short header lines, then the reply
    EndlessBody, // a head without Content-Length, then a body without end, as fast as it goes
};

// How the stand-in answers a well-formed request: the failure, and what the failures and the
// service's replies are sent with.
struct StandinReplyMode
{
    StandinFailure failure = StandinFailure::None;
    int httpStatus = 404; // of HttpError (400-599) and StatusWithRecord (200-599)
    QByteArray reasonPhrase; // of their status line, sent as it is; empty: the usual one
    int dripMs = 12000; // Drip and DripChunked: the time between two bytes
    int headerCount = 250000; // ManyHeaders: the header lines before the reply's own
    qint64 padTo = 0; // the body of a successful reply is padded to this many bytes; 0: not
};

namespace StandinReplyModes {

// The answer of the failures that do not answer the service's request (HttpError,
// CloseWithoutAnswer, NeverAnswer), to any well-formed request; none for the others.
std::optional<StandinAnswer> instead(const StandinReplyMode &mode);

// The service's reply with this body, sent as the mode has it. Padding is whole one-line
// comments of filler before the closing root tag (the last "</"), or at the end of a body without
// one; a body already as large is sent unchanged.
StandinAnswer serviceReply(const StandinReplyMode &mode, const QByteArray &body,
                           const QByteArray &contentType);

} // namespace StandinReplyModes
