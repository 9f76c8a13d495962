// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The network layer's error text as the tool writes and shows it, the same on Qt 5 and Qt 6.
namespace NetworkErrorText {

// Qt's errorString() for a failed request, with the few texts that the two versions word
// differently brought to one wording. Every other text is kept as it is.
QString unified(const QString &errorString);

} // namespace NetworkErrorText
