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
    // The web server's own error pages say this in varying letter case. A case-insensitive
    // search finds exactly what a search in the lower-cased text would: the needles are plain
    // ASCII, and no other character lower-cases or folds to one of their letters. It spares a
    // lower-cased copy of a reply that may be megabytes long.
    if (replyText.contains(QLatin1String("error"), Qt::CaseInsensitive)
        && replyText.contains(QLatin1String("not found"), Qt::CaseInsensitive))
        return ReplyOutcome::ServerError;
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
