// SPDX-License-Identifier: MIT
#include "recordcuts.h"

namespace RecordCuts {

QString piece(const QString &text, const QString &open, const QString &close)
{
    // Both markers count at their first occurrence in the whole text. Whatever is missing widens
    // the piece rather than emptying it, so that a truncated reply still yields what it holds.
    const int start = text.indexOf(open);
    const int end = text.indexOf(close);
    if (start < 0)
        return end < 0 ? QString() : text.left(end);
    if (end < start)
        return text.mid(start);
    return text.mid(start, end - start);
}

QString element(const QString &text, const QString &start, const QString &end)
{
    const int marker = text.indexOf(start);
    if (marker < 0)
        return {};
    const int from = marker + start.length();
    const int to = text.indexOf(end, from);
    if (to < 0)
        return {};
    return text.mid(from, to - from);
}

QString attribute(const QString &text, const QString &start)
{
    return element(text, start, QStringLiteral("\""));
}

QString insurerName(const QString &agencyText)
{
    // The name runs to the end of the opening tag: attributes written after it come along,
    // without their quotes, rather than the name being lost to a tag of unexpected shape.
    QString name = element(agencyText, QStringLiteral("nom="), QStringLiteral(">"));
    name.remove(QLatin1Char('"'));
    return name.trimmed();
}

} // namespace RecordCuts
