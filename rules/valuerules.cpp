// SPDX-License-Identifier: MIT
#include "valuerules.h"

namespace ValueRules {

namespace {

// Capitals that only Unicode 14 gave a lower case: Qt 5 leaves them as they are and Qt 6 lowers
// them, so they are kept as they are, and a name is written the same by both.
bool casedSinceUnicode14(char32_t letter)
{
    return letter == 0x2C2F || letter == 0xA7C0 || letter == 0xA7D0 || letter == 0xA7D6
           || letter == 0xA7D8
           || (letter >= 0x10570 && letter <= 0x10595 && letter != 0x1057B && letter != 0x1058B
               && letter != 0x10593);
}

// Lower-cases the text in pieces around the characters that must keep their case. A lone
// surrogate is one of them: Qt 5 reads it together with the unit after it and garbles both, Qt 6
// leaves it alone.
QString lowerCased(const QString &text)
{
    QString lowered;
    int from = 0;
    int units = 1;
    for (int at = 0; at < text.size(); at += units) {
        const QChar unit = text.at(at);
        const bool pair =
                unit.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate();
        units = pair ? 2 : 1;
        const bool keep = pair ? casedSinceUnicode14(QChar::surrogateToUcs4(unit, text.at(at + 1)))
                               : unit.isSurrogate() || casedSinceUnicode14(unit.unicode());
        if (keep) {
            lowered += text.mid(from, at - from).toLower() + text.mid(at, units);
            from = at + units;
        }
    }
    return lowered + text.mid(from).toLower();
}

// The first character keeps its case, however it arrives: the service writes names in capitals,
// and only the initial is known to be one.
QString capitalisedWord(const QString &word)
{
    return word.left(1) + lowerCased(word.mid(1));
}

} // namespace

QString normalizeOfacId(const QString &value)
{
    const QString trimmed = value.trimmed();
    int end = trimmed.length();
    while (end > 0 && trimmed.at(end - 1) == QLatin1Char('0'))
        --end;
    int begin = 0;
    while (begin < end && trimmed.at(begin) == QLatin1Char('0'))
        ++begin;
    return trimmed.mid(begin, end - begin);
}

QString normalizeNameCase(const QString &value)
{
    // Only the first hyphen starts a second word; whatever follows it is cased as one word.
    const int hyphen = value.indexOf(QLatin1Char('-'));
    if (hyphen < 0)
        return capitalisedWord(value);
    return capitalisedWord(value.left(hyphen)) + QLatin1Char('-')
           + capitalisedWord(value.mid(hyphen + 1));
}

QString sexText(const QString &code)
{
    return code == QLatin1String("1") ? QStringLiteral("männlich") : QStringLiteral("weiblich");
}

QString formatAhvNumber(const QString &value)
{
    QString number = value.trimmed();
    if (number.length() != 13 || !number.startsWith(QLatin1String("756")))
        return {};
    // A number the service has already written in groups comes back unchanged.
    if (number.contains(QLatin1Char('.')))
        return number;
    return number.left(3) + QLatin1Char('.') + number.mid(3, 4) + QLatin1Char('.')
           + number.mid(7, 4) + QLatin1Char('.') + number.mid(11, 2);
}

QString reorderBirthDate(const QString &value)
{
    // Neither length nor digits are checked: an odd date is passed on re-ordered rather than
    // lost, so that the reader still sees what the service sent.
    if (!value.contains(QLatin1Char('-')))
        return value;
    return value.right(2) + QLatin1Char('.') + value.mid(5, 2) + QLatin1Char('.') + value.left(4);
}

} // namespace ValueRules
