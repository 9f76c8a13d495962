// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The rules that bring five record fields into their printed form. Pure text functions: every
// input gives a result, which may be empty.
namespace ValueRules {

// Trims, then drops trailing and then leading zeros: " 045 " gives "45", "120" gives "12".
QString normalizeOfacId(const QString &value);

// First character unchanged, the rest lower-cased; the same again after the first hyphen:
// "MEIER-MÜLLER" gives "Meier-Müller".
QString normalizeNameCase(const QString &value);

// "1" gives "männlich", everything else "weiblich".
QString sexText(const QString &code);

// Thirteen characters beginning with 756 become 756.XXXX.XXXX.XX; a value that already holds a
// dot is kept; anything else gives the empty value.
QString formatAhvNumber(const QString &value);

// YYYY-MM-DD becomes DD.MM.YYYY; a value without a hyphen is kept.
QString reorderBirthDate(const QString &value);

} // namespace ValueRules
