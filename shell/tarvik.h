// SPDX-License-Identifier: MIT
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
    enum class Form { Text, Json };

    explicit Tarvik(Form output = Form::Text);
    ~Tarvik() override;

    // Cleans up and checks the number; a valid one is looked up, anything else is rejected with
    // a line on standard output and a popup. Called once, before the event loop runs.
    void setTarvikData(QString number);

    // Tests shorten the time the request may take.
    void setDeadline(int ms) { deadlineMs = ms; }

    // The process's exit status once the event loop has ended with loopStatus: the text output
    // keeps the loop's, the JSON output tells the outcome (see JsonAnswer::exitStatus); either
    // way an answer that could not be delivered changes it.
    int exitStatus(int loopStatus) const;

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
    int deadlineMs = CardRequest::deadlineMs;
    Form form;
    int status = 0;
};
