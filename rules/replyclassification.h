// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

// What a reply that arrived without a network error says. Decided by plain substring searches
// over the reply text; the first test that holds wins, in the order of the enumerators.
namespace ReplyClassification {

// Its enumerators have names at run time, which a failing test and a debug line show.
Q_NAMESPACE

enum class Outcome {
    NoInsuredPerson, // statut="60"
    ApplicationProblem, // statut="67"
    ServerError, // "error" and "not found", in any letter case
    Record, // statut="0"
    Unrecognised, // none of the above, an empty reply included
};
Q_ENUM_NS(Outcome)

Outcome classify(const QString &text);

} // namespace ReplyClassification
