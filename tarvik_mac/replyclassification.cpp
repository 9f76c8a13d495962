#include "replyclassification.h"

ReplyOutcome classifyReply(const QString &)
{
    return ReplyOutcome::Unrecognised;
}
QString outcomeMessage(ReplyOutcome)
{
    return {};
}
