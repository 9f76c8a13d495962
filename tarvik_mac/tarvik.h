#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QSslError;

namespace Orvel {
class Message;
}

// Looks up one card: checks the number, sends one GET through the HIN Client's proxy, shows a
// please-wait popup, and either writes the card holder's record to standard output or shows what
// went wrong in a popup that closes itself.
class Tarvik : public QObject
{
    Q_OBJECT

public:
    Tarvik();
    ~Tarvik() override;

    // Cleans up and checks the number; a valid one is looked up, anything else is rejected with
    // a line on standard output and a popup. Called once, before the event loop runs.
    void setTarvikData(QString number);

    // A proxy that accepts the request but never answers would keep the please-wait popup up for
    // ever; after this long without progress the request fails like any other network error.
    // Tests shorten it.
    void setTransferTimeout(int ms) { transferTimeoutMs = ms; }

    // Replies are held in memory; a larger one is aborted while it streams in.
    static constexpr qint64 maxReplyBytes = 16 * 1024 * 1024;

    QNetworkAccessManager *manager;
    Orvel::Message *progressMessage;

public Q_SLOTS:
    void replyFinished(QNetworkReply *reply);
    void sslErrors(QNetworkReply *reply, const QList<QSslError> &errors);

private:
    void sendRequest(const QString &number);
    void writeRecord(const QString &replyText);

    int transferTimeoutMs = 30000;
};
