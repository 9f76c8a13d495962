// SPDX-License-Identifier: MIT
#pragma once

#include "cardreader.h"
#include "cardrequest.h"
#include "lookup.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QSslError>
#include <QString>

#include <limits>

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
    void setTarvikData(const QString &number);

    // Reads the card in a reader first, with a popup that asks for it, then looks up the number
    // on its chip as setTarvikData() does; the JSON answer carries the chip as well. With
    // chipOnly the chip is the answer and nothing is sent. Escape or closing the popup ends the
    // run: nothing on standard output for the text, a failed object for the JSON. Called once,
    // before the event loop runs.
    void readCard(bool chipOnly = false);

    // From now on SIGTERM, SIGINT and SIGHUP end the run as the closed popup does, at any stage:
    // the JSON answer still owed is written ("failed" while the card is awaited, "cancelled"
    // while it is looked up), the text output writes nothing. For the modes that read the card.
    void endOnSignals();

    // Tests shorten the time the request may take, the wait for the card and its reading, the
    // time an error popup stays up, and the growth of the process that a reply's head may cause.
    void setDeadline(int ms) { deadlineMs = ms; }
    void setCardWait(int waitMs, int readMs = CardReader::readLimitMs)
    {
        cardWaitMs = waitMs;
        cardReadMs = readMs;
    }
    void setPopupLimit(int ms) { popupLimitMs = ms; }
    void setGrowthLimit(qint64 bytes) { growthLimitBytes = bytes; }

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
    QByteArray jsonObject(const Lookup::Result &result) const;
    void cardRead(const ChipData::Card &onChip);
    void readFailed(const ReaderError &error);

    void endNow();

    // Where the run stands, for an end that comes from outside.
    enum class Stage { Started, Waiting, LookingUp, Answered };
    Stage stage = Stage::Started;

    Orvel::Message *waitMessage = nullptr; // asks for the card while the reader waits
    CardReader *reader = nullptr;
    int cardWaitMs = CardReader::waitMs;
    int cardReadMs = CardReader::readLimitMs;
    bool chipOnly = false;
    bool haveChip = false; // chip and today are set: the JSON answer carries the chip
    ChipData::Card chip;
    QDate today;

    QString card;
    int deadlineMs = CardRequest::deadlineMs;
    int popupLimitMs = std::numeric_limits<int>::max();
    qint64 growthLimitBytes = CardRequest::maxGrowthBytes;
    Form form;
    int status = 0;
};
