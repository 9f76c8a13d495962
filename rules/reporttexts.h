// SPDX-License-Identifier: MIT
#pragma once

#include "cardnumber.h"
#include "readerfailure.h"
#include "replyclassification.h"

#include <QString>
#include <QStringList>

// What the popups tell the user, and for how long: the fixed texts (German, or their translation
// for the user's language) and their display times, chosen here for every report so that the
// rules that classify need not know them. None of them reaches the text output.
namespace ReportTexts {

// One report: its lines as plain text (an empty line leaves a blank line between paragraphs) and
// how long its popup stays up.
struct Report
{
    QStringList lines;
    int displayMs = 0;
};

constexpr int rejectionDisplayMs = 5000;
constexpr int networkReportDisplayMs = 30000;
constexpr int statusReportDisplayMs = 8000;

// The rich text of the please-wait popup.
QString progressText();

// The rich text of an error popup: "FEHLER: <br><br>" (translated), then the lines, each escaped (a
// network error text can hold the server's reason phrase and the address), joined by "<br>".
QString popupText(const Report &report);

// The report as one line of plain text: its non-empty lines joined by a blank.
QString plainText(const Report &report);

// A card number that failed its checks; Verdict::Accepted gives an empty report.
Report rejection(CardNumber::Verdict verdict);

// A reply that arrived without a network error but holds no record; Outcome::Record gives an
// empty report.
Report forReply(ReplyClassification::Outcome outcome);

// A request that failed in the network layer, with that layer's error text.
Report network(const QString &errorText);

// A reply too large to hold.
Report tooLarge();

// The popup that asks for the card while the reader waits for it.
QString insertCardText();

// The popup that asks for the card once a card of another kind was put in: the wait goes on.
QString otherCardText();

// Reading the card from a reader failed; Cancelled gives the text the JSON answer carries (the
// user closed the popup, so none is shown).
Report reader(ReaderFailure failure);

// A card of a batch that was stopped before its answer came; never shown in a popup.
Report cancelled();

} // namespace ReportTexts
