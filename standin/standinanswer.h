// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// What the stand-in does with one request once its head is in.
struct StandinAnswer
{
    enum Action { Send, Close, Silent, Drip };
    Action action = Send;
    QByteArray head; // status line, header fields and the blank line
    QByteArray prefix; // the body up to where the padding goes
    QByteArray fillerUnit; // repeated to make the padding; empty: comment lines of filler
    qint64 padding = 0; // filler bytes streamed between prefix and suffix; < 0: for ever
    QByteArray suffix; // the rest of the body
    // Drip only: after head and prefix, one byte of the suffix per interval, then the
    // connection closes; with an empty suffix, dripUnit per interval for ever.
    QByteArray dripUnit;
    int dripMs = 0;
    int delayMs = 0; // held back this long before anything is sent
};

// The HTTP pieces every answer is made of.
namespace StandinHttp {

// The usual reason phrase of a status, or a generic one for the class of status.
QByteArray reasonPhrase(int status);

// "HTTP/1.1 <status> <phrase>" and CR LF; an empty phrase is the usual one.
QByteArray statusLine(int status, const QByteArray &phrase = {});

// The header fields after the status line, up to and including the blank line.
QByteArray headFields(const QByteArray &contentType, qint64 contentLength,
                      const QByteArray &extraFields = {});

// An error status with a short HTML page that names it and says why.
StandinAnswer errorAnswer(int status, const QByteArray &detail, const QByteArray &extraFields = {},
                          const QByteArray &phrase = {});

} // namespace StandinHttp
