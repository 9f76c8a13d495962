#include "replyclassification.h"

#include "reporttexts.h"

ReplyOutcome classifyReply(const QString &replyText)
{
    // The error statuses come first: a reply may carry more than one status, and an error must
    // never pass as a record.
    if (replyText.contains(QLatin1String("statut=\"60\"")))
        return ReplyOutcome::NoInsuredPerson;
    if (replyText.contains(QLatin1String("statut=\"67\"")))
        return ReplyOutcome::ApplicationProblem;
    {
        // The web server's own error pages say this in varying letter case. Lower-cased once;
        // toLower() shares the text when there is nothing to change.
        const QString lower = replyText.toLower();
        if (lower.contains(QLatin1String("error")) && lower.contains(QLatin1String("not found")))
            return ReplyOutcome::ServerError;
    }
    if (replyText.contains(QLatin1String("statut=\"0\"")))
        return ReplyOutcome::Record;
    return ReplyOutcome::Unrecognised;
}

QString outcomeMessage(ReplyOutcome outcome)
{
    switch (outcome) {
    case ReplyOutcome::NoInsuredPerson:
        return ReportTexts::noInsuredPerson();
    case ReplyOutcome::ApplicationProblem:
        return ReportTexts::applicationProblem();
    case ReplyOutcome::ServerError:
        return ReportTexts::serverError();
    case ReplyOutcome::Unrecognised:
        return ReportTexts::unrecognised();
    case ReplyOutcome::Record:
        break;
    }
    return {};
}
