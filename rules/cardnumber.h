// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

// The card number as the calling program hands it over, cleaned up and checked before anything is
// sent: exactly 20 ASCII digits beginning with "80756".
namespace CardNumber {

// Its enumerators have names at run time, which a failing test and a debug line show.
Q_NAMESPACE

// What every card number begins with, and how long it is.
constexpr char prefix[] = "80756";
constexpr int length = 20;

enum class Verdict { Accepted, InvalidCharacters, WrongPrefix, WrongLength };
Q_ENUM_NS(Verdict)

// Trims white space, drops everything in front of the first "80756" and keeps at most 20
// characters. The clean-up is lenient on purpose: callers paste numbers with labels around them.
QString cleanUp(const QString &argument);

// Tests a cleaned-up number; the first failing test decides (characters, then prefix, then length).
Verdict check(const QString &number);

} // namespace CardNumber
