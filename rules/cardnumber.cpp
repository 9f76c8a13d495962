// SPDX-License-Identifier: MIT
#include "cardnumber.h"

namespace CardNumber {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

QString cleanUp(const QString &argument)
{
    QString number = argument.trimmed();
    const int start = number.indexOf(QLatin1String(prefix));
    if (start > 0)
        number.remove(0, start);
    number.truncate(length);
    return number;
}

Verdict check(const QString &number)
{
    // QChar::isDigit() would let other scripts' digits through, which the service cannot read.
    for (const QChar c : number) {
        if (!isAsciiDigit(c))
            return Verdict::InvalidCharacters;
    }
    if (!number.startsWith(QLatin1String(prefix)))
        return Verdict::WrongPrefix;
    if (number.length() != length)
        return Verdict::WrongLength;
    return Verdict::Accepted;
}

} // namespace CardNumber
