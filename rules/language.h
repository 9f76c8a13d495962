// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

// Which language the tool speaks to its user: German, the language of the original texts, or
// French or Italian for the Romandie and Ticino.
namespace Language {

// "de", "fr" or "it" for the user's interface languages in order of preference, as the system
// gives them ("fr-CH", "en", "C" ...). The first entry in a language the tool speaks decides, so
// "en, fr" is French, as a user who reads no German but lists French would want; "en, de, fr" is
// German. Anything else, and an empty list, is German: it is the reference, and what the
// practices outside the Romandie and Ticino have always seen.
QString choose(const QStringList &uiLanguages);

} // namespace Language
