// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstddef>

// The tests' texts, written as the UTF-8 the sources are in: "Zürich"_s is a QString. The program
// and the tests build without implicit casts from char strings, so that no text is taken in an
// encoding nobody chose; the rows stay as short as they were with this one explicit conversion.
inline QString operator""_s(const char *utf8, std::size_t size)
{
    return QString::fromUtf8(utf8, int(size));
}
