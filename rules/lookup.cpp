// SPDX-License-Identifier: MIT
#include "lookup.h"

#include "debugline.h"
#include "errortext.h"
#include "replyclassification.h"
#include "replytext.h"

namespace Lookup {

namespace {

// A result for the card with the popup's report; its outcome stays Failed until the caller
// names another.
Result resultWithReport(const QString &card, const ReportTexts::Report &report)
{
    Result result;
    result.card = card;
    result.report = report;
    return result;
}

} // namespace

QString requestAddress(const QString &serviceHost, const QString &card)
{
    return QStringLiteral("http://") + serviceHost
           + QStringLiteral("/tarvik/servlet/ch.ofac.ca.tarvik.CaValidationHorizontale"
                            "?type=XML&langue=1&carte=")
           + card + QStringLiteral("&ReturnType=STPLUS");
}

Result rejected(const QString &card, CardNumber::Verdict verdict)
{
    Result result = resultWithReport(card, ReportTexts::rejection(verdict));
    result.outcome = Outcome::Rejected;
    return result;
}

Result cancelled(const QString &card)
{
    Result result = resultWithReport(card, ReportTexts::cancelled());
    result.outcome = Outcome::Cancelled;
    return result;
}

Result tlsFailed(const QString &card, const QString &errorText)
{
    Result result = resultWithReport(card, ReportTexts::network(errorText));
    result.networkFailure = true;
    result.detail = errorText;
    return result;
}

Result fromReply(const QString &card, const Reply &reply)
{
    if (reply.tooLarge)
        return resultWithReport(card, ReportTexts::tooLarge());
    if (reply.networkFailed) {
        const QString detail = ErrorText::cleaned(reply.errorText);
        Result result = resultWithReport(card, ReportTexts::network(detail));
        result.networkFailure = true;
        result.detail = detail;
        return result;
    }

    using ReplyClassification::Outcome;
    // A redirect that is not followed, a partial answer or any other success status may carry
    // what looks like a record; only the service's plain answer is one.
    if (reply.httpStatus != 200)
        return resultWithReport(card, ReportTexts::forReply(Outcome::Unrecognised));
    const QString text = ReplyText::decode(reply.body, reply.contentType);
    const Outcome outcome = ReplyClassification::classify(text);
    Result result = resultWithReport(card, ReportTexts::forReply(outcome));
    if (outcome == Outcome::Record) {
        result.outcome = Lookup::Outcome::Found;
        result.record = Record::extract(text);
    } else if (outcome == Outcome::NoInsuredPerson) {
        result.outcome = Lookup::Outcome::UnknownPerson;
    }
    return result;
}

Result timedOut(const QString &card)
{
    Reply reply;
    reply.networkFailed = true;
    reply.errorText = QStringLiteral("Operation canceled");
    return fromReply(card, reply);
}

QStringList textLines(const Result &result)
{
    QStringList lines;
    switch (result.outcome) {
    case Outcome::Found:
        for (const Record::Line &line : result.record)
            lines << DebugLine().text(line.label).value(line.value).text("\n").toString();
        break;
    case Outcome::Rejected:
        lines << DebugLine().text("Nummer ist falsch: ").value(result.card).toString();
        break;
    case Outcome::UnknownPerson:
    case Outcome::Failed:
    case Outcome::Cancelled:
        // Only a network failure leaves a line, for the logs; the popup tells the user.
        if (result.networkFailure)
            lines << DebugLine().value(result.detail).toString();
        break;
    }
    return lines;
}

} // namespace Lookup
