// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The tool's texts in its user's language. The German texts in the code are the sources and stay
// the reference; the French and Italian ones come from translations/ and are built into the
// program. Standard output is data for the calling program and never goes through here.
namespace Translation {

// Chooses the language from the system's interface languages (LANGUAGE, LC_ALL, LC_MESSAGES,
// LANG) and loads its texts. Called first thing in main: usage errors and --help are answered
// before the toolkit starts. The application object, made before or after, gets the texts as
// well, for the windows' tr(). Loads once; later calls do nothing.
void load();

// The loaded language's text for the German source in its context, or the source itself. Works
// without an application object and from any thread: loading is over before the watchdog's
// thread starts, and a look-up only reads.
QString translate(const char *context, const char *source);

} // namespace Translation
