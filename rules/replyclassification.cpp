// SPDX-License-Identifier: MIT
#include "replyclassification.h"

#include <QStringView>

namespace ReplyClassification {

namespace {

char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

// Whether the lower-cased text holds the needle, a lower-case ASCII text without i, k or s. Only
// ASCII capitals have to be folded to answer that: every other character that lower-cases to an
// ASCII letter gives i, k or s (U+0130, U+017F, U+212A), so outside ASCII nothing matches. It
// spares a lower-cased copy of a reply that may be megabytes long, and over such a reply it is
// several times faster than Qt's case-insensitive search, which folds every character through the
// Unicode tables.
bool lowerCasedContains(QStringView text, QLatin1String needle)
{
    const qsizetype length = needle.size();
    const char16_t *chars = text.utf16();
    const char16_t first = char16_t(uchar(needle.data()[0]));
    for (qsizetype at = 0; at + length <= text.size(); ++at) {
        if (asciiLower(chars[at]) != first)
            continue;
        qsizetype i = 1;
        while (i < length && asciiLower(chars[at + i]) == char16_t(uchar(needle.data()[i])))
            ++i;
        if (i == length)
            return true;
    }
    return false;
}

} // namespace

Outcome classify(const QString &text)
{
    // The error statuses come first: a reply may carry more than one status, and an error must
    // never pass as a record.
    if (text.contains(QLatin1String("statut=\"60\"")))
        return Outcome::NoInsuredPerson;
    if (text.contains(QLatin1String("statut=\"67\"")))
        return Outcome::ApplicationProblem;
    // The web server's own error pages say this in varying letter case.
    if (lowerCasedContains(text, QLatin1String("error"))
        && lowerCasedContains(text, QLatin1String("not found")))
        return Outcome::ServerError;
    if (text.contains(QLatin1String("statut=\"0\"")))
        return Outcome::Record;
    return Outcome::Unrecognised;
}

} // namespace ReplyClassification
