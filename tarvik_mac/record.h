#pragma once

#include <QString>
#include <QVector>

// One labelled line of the insured person's record on standard output.
struct RecordLine
{
    QString label; // ends in a tab
    QString value; // as printed, after its value rule
};

// Cuts the twelve fields out of the reply text of a found record, in their output order, and
// applies the value rules. Always returns twelve lines, whatever the reply holds.
QVector<RecordLine> extractRecord(const QString &replyText);
