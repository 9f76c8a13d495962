#pragma once

#include <QString>

// What a reply that arrived without a network error says. Decided by plain substring searches
// over the reply text; the first test that holds wins, in the order of the enumerators.
enum class ReplyOutcome {
    NoInsuredPerson, // statut="60"
    ApplicationProblem, // statut="67"
    ServerError, // "error" and "not found", in any letter case
    Record, // statut="0"
    Unrecognised, // none of the above, an empty reply included
};

ReplyOutcome classifyReply(const QString &replyText);

// The German popup message of an outcome other than Record (without the "FEHLER" prefix).
QString outcomeMessage(ReplyOutcome outcome);
