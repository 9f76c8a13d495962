// SPDX-License-Identifier: MIT
#include "language.h"

namespace Language {

QString choose(const QStringList &uiLanguages)
{
    for (const QString &entry : uiLanguages) {
        // The language is the leading run of letters: "fr-CH", "fr_FR.UTF-8" and "FR" are
        // French, "frr" (North Frisian) is not.
        int length = 0;
        while (length < entry.size() && entry.at(length).isLetter())
            ++length;
        QString code = entry.left(length).toLower();
        if (code == QLatin1String("de") || code == QLatin1String("fr")
            || code == QLatin1String("it"))
            return code;
    }
    return QStringLiteral("de");
}

} // namespace Language
