// SPDX-License-Identifier: MIT
#pragma once

#include "lookup.h"

#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// The one GET for a card, through the HIN Client, as every mode of the tool sends it.
namespace CardRequest {

// The HIN Client's proxy on the local machine; every request goes through it.
constexpr quint16 proxyPort = 5016;

// Replies are held in memory; a larger one is aborted while it streams in.
constexpr qint64 maxReplyBytes = qint64(16) * 1024 * 1024;

// The whole request, from the GET to the last byte, gets this long, progress or not: a proxy
// that never answers, or drips a byte now and then, would otherwise keep the lookup waiting for
// ever. Then the request fails like any other network error ("Operation canceled").
constexpr int deadlineMs = 30000;

// The reply's head is not counted by the size limit, and the toolkit keeps all of it in memory:
// a header line that never ends grows the process by megabytes a second. So the process's
// resident memory is watched while the reply's head comes in; once it has grown by this much
// since the GET, beyond the bodies that replies have taken in meanwhile, the reply is aborted as
// too large.
// Each request is bounded on its own, however many run at once.
constexpr qint64 maxGrowthBytes = qint64(64) * 1024 * 1024;

// Points a manager at the HIN Client's proxy.
void useProxy(QNetworkAccessManager *manager);

// Issues the GET for an accepted card number. Redirects are not followed. The reply is aborted
// as too large once its body grows beyond maxReplyBytes or the process beyond growthLimit, and
// as canceled when timeoutMs have passed since the GET.
QNetworkReply *send(QNetworkAccessManager *manager, const QString &card, int timeoutMs = deadlineMs,
                    qint64 growthLimit = maxGrowthBytes);

// What a finished reply holds, read out of it (the body only when there was no error).
Lookup::Reply collect(QNetworkReply *reply);

} // namespace CardRequest
