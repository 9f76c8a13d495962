// SPDX-License-Identifier: MIT
#pragma once

#include "cardnumber.h"
#include "record.h"
#include "reporttexts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// What one card's lookup ended in, decided from plain data so that every output form (the text
// lines, the popups) tells the same story.
namespace Lookup {

enum class Outcome {
    Found, // the record
    UnknownPerson, // the service knows no insured person for the card
    Rejected, // the number failed its checks and was never sent
    Failed, // everything else: network, service or reply trouble
    Cancelled, // a batch was stopped before the card was answered
};

// What the network layer handed over for a finished request.
struct Reply
{
    bool networkFailed = false; // the network layer reported an error ...
    QString errorText; // ... with this text
    bool tooLarge = false; // aborted for its size
    int httpStatus = 0; // the status line's code; 0 when none arrived
    QByteArray body;
    QByteArray contentType;
};

struct Result
{
    QString card; // the cleaned-up number
    Outcome outcome = Outcome::Failed;
    QVector<Record::Line> record; // Found only
    ReportTexts::Report report; // what the popup says; empty for Found
    bool networkFailure = false; // the network layer reported an error ...
    QString detail; // ... with this text, cleaned of control characters and cut
};

// The address of the service's answer for an accepted card number, asked through the HIN Client.
QString requestAddress(const QString &serviceHost, const QString &card);

// The result for a number that failed its checks.
Result rejected(const QString &card, CardNumber::Verdict verdict);

// The result for a card of a batch that was stopped before its answer came.
Result cancelled(const QString &card);

// The result for a request whose connection failed the TLS checks, with their error text.
Result tlsFailed(const QString &card, const QString &errorText);

// The result of a finished request. A reply too large to hold wins over everything, then a
// network error, then the HTTP status (only 200 carries a record), then what the reply text says.
Result fromReply(const QString &card, const Reply &reply);

// The result of a request cut short before its reply was in: a network failure with the network
// layer's own text for an aborted request, so that every way of cutting it reads the same.
Result timedOut(const QString &card);

// The lines the text output writes to standard output for a result, each as handed to the
// message handler (which adds the line end).
QStringList textLines(const Result &result);

} // namespace Lookup
