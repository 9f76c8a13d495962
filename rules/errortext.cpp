// SPDX-License-Identifier: MIT
#include "errortext.h"

namespace ErrorText {

QString cleaned(const QString &raw)
{
    QString text = raw.left(maxLength);
    // A cut between the two halves of a surrogate pair would leave half a character.
    if (text.size() == maxLength && text.at(maxLength - 1).isHighSurrogate())
        text.chop(1);
    for (QChar &c : text) {
        const ushort u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace ErrorText
