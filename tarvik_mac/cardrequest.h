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
constexpr qint64 maxReplyBytes = 16 * 1024 * 1024;

// A proxy that accepts the request but never answers would keep the lookup waiting for ever;
// after this long without progress the request fails like any other network error.
constexpr int transferTimeoutMs = 30000;

// Points a manager at the HIN Client's proxy.
void useProxy(QNetworkAccessManager *manager);

// Issues the GET for an accepted card number. The reply is aborted once it grows beyond
// maxReplyBytes, and fails after timeoutMs without progress.
QNetworkReply *send(QNetworkAccessManager *manager, const QString &card,
                    int timeoutMs = transferTimeoutMs);

// What a finished reply holds, read out of it (the body only when there was no error).
Lookup::Reply collect(QNetworkReply *reply);

} // namespace CardRequest
