// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

// Directives are tag-like keywords a caller writes into a popup's text to configure the popup
// with that one string: "<warn>", "<5000>", "<title:Hinweis>", "<modal>", "<question>" ...
namespace Orvel::Directives {

// The values are QMessageBox's, so that the popup hands them on unchanged (checked where it does).
enum class Icon { None = 0, Information = 1, Warning = 2, Critical = 3, Question = 4 };

struct Found
{
    // A later kind wins over an earlier one: Information, Warning, Critical, then Question.
    Icon icon = Icon::None;
    // "<info>" or "<information>", whatever icon won: such a popup also closes on focus loss.
    bool information = false;
    // Milliseconds; a number beyond the int range reads as 0, no automatic closing.
    std::optional<int> interval;
    std::optional<QString> title;
    // "<modal>", or implied by "<question>".
    bool modal = false;
    bool question = false;
};

// Keywords match in any letter case; the first interval and the first title count.
Found scan(const QString &text);

} // namespace Orvel::Directives
