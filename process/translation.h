// SPDX-License-Identifier: MIT
#pragma once

// Chooses the user's language and loads its texts for Wording::translate and the windows' tr().
namespace Translation {

// Chooses the language from the system's interface languages (LANGUAGE, LC_ALL, LC_MESSAGES,
// LANG) and loads its texts. Called first thing in main: usage errors and --help are answered
// before the toolkit starts. The application object, made before or after, gets the texts as
// well, for the windows' tr(). Loads once; later calls do nothing.
void load();

} // namespace Translation
