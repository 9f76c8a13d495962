// SPDX-License-Identifier: MIT
#include "directives.h"

namespace Orvel::Directives {

namespace {

const QLatin1String titleKeyword("<title:");
constexpr int titleKeywordLength = 7;

// The first "<", decimal digits, ">". A digit is what QChar::isDigit() accepts, one UTF-16 unit
// at a time, so other scripts' digits make a directive too; they do not convert and read as 0.
std::optional<int> firstInterval(const QString &text)
{
    for (int open = text.indexOf(QLatin1Char('<')); open >= 0;
         open = text.indexOf(QLatin1Char('<'), open + 1)) {
        int close = open + 1;
        while (close < text.size() && text.at(close).isDigit())
            ++close;
        if (close > open + 1 && close < text.size() && text.at(close) == QLatin1Char('>'))
            return text.mid(open + 1, close - open - 1).toInt(nullptr, 10);
    }
    return std::nullopt;
}

// A keyword opens a title only when at least one character and then a ">" follow it. Only the
// first keyword can: a ">" far enough after a later one is far enough after the first, too.
bool opensTitle(const QString &text, int keyword)
{
    return keyword >= 0 && text.indexOf(QLatin1Char('>'), keyword + titleKeywordLength + 1) >= 0;
}

// Compares one UTF-16 unit at a time in lower case, so a keyword written "<Title:" is found at
// the same place as in the caller's text.
int indexOfKeywordInAnyCase(const QString &text)
{
    for (int at = 0; at + titleKeywordLength <= text.size(); ++at) {
        int matched = 0;
        while (matched < titleKeywordLength
               && text.at(at + matched).toLower() == QLatin1Char(titleKeyword.at(matched)))
            ++matched;
        if (matched == titleKeywordLength)
            return at;
    }
    return -1;
}

// The title is whether the lower-cased text holds a directive; its place, and so its letters,
// come from the caller's text.
std::optional<QString> firstTitle(const QString &text, const QString &lower)
{
    if (!opensTitle(lower, lower.indexOf(titleKeyword)))
        return std::nullopt;
    int keyword = text.indexOf(titleKeyword);
    if (!opensTitle(text, keyword))
        keyword = indexOfKeywordInAnyCase(text);
    if (!opensTitle(text, keyword))
        return std::nullopt;
    const int start = keyword + titleKeywordLength;
    return text.mid(start, text.indexOf(QLatin1Char('>'), start) - start);
}

bool holdsEither(const QString &lower, const char *shortKeyword, const char *longKeyword)
{
    return lower.contains(QLatin1String(shortKeyword))
           || lower.contains(QLatin1String(longKeyword));
}

} // namespace

Found scan(const QString &text)
{
    const QString lower = text.toLower();
    Found found;
    found.information = holdsEither(lower, "<info>", "<information>");
    found.question = lower.contains(QLatin1String("<question>"));
    found.modal = found.question || lower.contains(QLatin1String("<modal>"));
    if (found.information)
        found.icon = Icon::Information;
    if (holdsEither(lower, "<warn>", "<warning>"))
        found.icon = Icon::Warning;
    if (holdsEither(lower, "<critic>", "<critical>"))
        found.icon = Icon::Critical;
    if (found.question)
        found.icon = Icon::Question;
    found.interval = firstInterval(text);
    found.title = firstTitle(text, lower);
    return found;
}

} // namespace Orvel::Directives
