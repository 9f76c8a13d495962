// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QTranslator;

// The tool's texts in its user's language. The German texts in the code are the sources and stay
// the reference; the French and Italian ones come from a catalogue that the process layer chooses
// and hands over once at start. Standard output is data for the calling program and never goes
// through here.
namespace Wording {

// The catalogue for the user's language, or none for German. Set once before the watchdog's
// thread starts; afterwards it is only read.
void useCatalogue(const QTranslator *catalogue);

// The catalogue's text for the German source in its context, or the source itself. Works without
// an application object and from any thread.
QString translate(const char *context, const char *source);

} // namespace Wording
