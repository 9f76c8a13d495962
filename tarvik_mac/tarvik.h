#pragma once

#include "cardrequest.h"
#include "lookup.h"

#include <QList>
#include <QObject>
#include <QSslError>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

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
    // What goes to standard output: the labelled text lines, or one JSON object. The popups are
    // the same either way.
    enum class Output { Text, Json };

    Tarvik();
    ~Tarvik() override;

    // Cleans up and checks the number; a valid one is looked up, anything else is rejected with
    // a line on standard output and a popup. Called once, before the event loop runs.
    void setTarvikData(QString number);

    // Tests shorten the time a request may go without progress.
    void setTransferTimeout(int ms) { transferTimeoutMs = ms; }

    void setOutput(Output output) { form = output; }
    // For the JSON output, what the calling program learns from the exit status (see
    // JsonAnswer::exitStatus); always 0 for the text output.
    int exitStatus() const { return status; }

    QNetworkAccessManager *manager;
    Orvel::Message *progressMessage;

public Q_SLOTS:
    void replyFinished(QNetworkReply *reply);
    void sslErrors(QNetworkReply *reply, const QList<QSslError> &errors);

private:
    void sendRequest();
    void report(const Lookup::Result &result);
    void writeJson(const Lookup::Result &result);

    QString card;
    int transferTimeoutMs = CardRequest::transferTimeoutMs;
    Output form = Output::Text;
    int status = 0;
};
