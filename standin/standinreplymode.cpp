// SPDX-License-Identifier: MIT
#include "standinreplymode.h"

#include <charconv>

using F = StandinFailure;
using StandinHttp::headFields;
using StandinHttp::statusLine;

namespace {

// The filler lines in one allocation: under the sanitizer every allocation walks the stack, and
// one per line kept the stand-in from its event loop (and from a SIGTERM) for seconds.
QByteArray fillerHeaders(int count)
{
    constexpr char name[] = "X-Filler-";
    constexpr char value[] = ": 1\r\n";
    char number[16];
    QByteArray lines;
    lines.reserve(count * int(sizeof name + sizeof number + sizeof value));
    for (int i = 0; i < count; ++i) {
        const char *end = std::to_chars(number, number + sizeof number, i).ptr;
        lines.append(name, int(sizeof name - 1))
                .append(number, int(end - number))
                .append(value, int(sizeof value - 1));
    }
    return lines;
}

} // namespace

namespace StandinReplyModes {

std::optional<StandinAnswer> instead(const StandinReplyMode &mode)
{
    StandinAnswer answer;
    switch (mode.failure) {
    case F::HttpError:
        return StandinHttp::errorAnswer(mode.httpStatus,
                                        "The stand-in was told to fail this request.", {},
                                        mode.reasonPhrase);
    case F::CloseWithoutAnswer:
        answer.action = StandinAnswer::Close;
        return answer;
    case F::NeverAnswer:
        answer.action = StandinAnswer::Silent;
        return answer;
    default:
        return std::nullopt; // the misbehaving replies still answer the service's request
    }
}

StandinAnswer serviceReply(const StandinReplyMode &mode, const QByteArray &body,
                           const QByteArray &contentType)
{
    StandinAnswer answer;
    switch (mode.failure) {
    case F::Drip:
        answer.action = StandinAnswer::Drip;
        answer.head = statusLine(200) + headFields(contentType, body.size());
        answer.suffix = body;
        answer.dripMs = mode.dripMs;
        return answer;
    case F::DripChunked:
        answer.action = StandinAnswer::Drip;
        answer.head = statusLine(200) + "Server: hin-standin\r\nContent-Type: " + contentType
                      + "\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
        answer.prefix = QByteArray::number(body.size(), 16) + "\r\n" + body + "\r\n";
        answer.dripUnit = "1\r\n \r\n";
        answer.dripMs = mode.dripMs;
        return answer;
    case F::HeaderFlood:
        answer.head = statusLine(200) + "Server: hin-standin\r\nX-Flood: ";
        answer.fillerUnit = QByteArray(64, 'a');
        answer.padding = -1;
        return answer;
    case F::EndlessBody:
        // Read until the connection closes, as HTTP reads a body of unknown length.
        answer.head = statusLine(200) + "Server: hin-standin\r\nContent-Type: " + contentType
                      + "\r\nConnection: close\r\n\r\n";
        answer.prefix = body;
        answer.padding = -1;
        return answer;
    case F::ManyHeaders:
        // Each under a name of its own: the toolkit looks names up one by one.
        answer.head = statusLine(200) + fillerHeaders(mode.headerCount);
        answer.head += headFields(contentType, body.size());
        answer.prefix = body;
        return answer;
    case F::StatusWithRecord: {
        // A redirect names where to go; the lookup must not follow it.
        const QByteArray location = mode.httpStatus >= 300 && mode.httpStatus < 400
                                            ? "Location: http://elsewhere.example/\r\n"
                                            : QByteArray();
        answer.head = statusLine(mode.httpStatus, mode.reasonPhrase)
                      + headFields(contentType, body.size(), location);
        answer.prefix = body;
        return answer;
    }
    default:
        break;
    }
    const qint64 gap = qMax<qint64>(0, mode.padTo - body.size());
    int at = body.lastIndexOf("</");
    if (at < 0)
        at = body.size();
    answer.prefix = body.left(at);
    answer.suffix = body.mid(at);
    answer.padding = gap;
    answer.head = statusLine(200) + headFields(contentType, body.size() + gap);
    return answer;
}

} // namespace StandinReplyModes
