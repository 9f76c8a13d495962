// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QVector>

// The insured person's record as the service's reply holds it.
namespace Record {

// One field, in the form both outputs write it.
struct Line
{
    QString label; // the text output's label, ending in a tab
    QString key; // the JSON output's key
    QString value; // after the field's value rule
};

// Cuts the twelve fields out of the reply text of a found record, in their output order, and
// applies the value rules. Always returns twelve lines, whatever the reply holds.
QVector<Line> extract(const QString &text);

} // namespace Record
