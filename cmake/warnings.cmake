# SPDX-License-Identifier: MIT
# tarvik_strict: the warnings and the Qt strictness every target of the project is built with.
# Linked by every target (see link_libraries in the top CMakeLists.txt); -DTARVIK_WERROR=ON turns
# the warnings into errors, as CI builds.
option(TARVIK_WERROR "Treat compiler warnings as errors" OFF)

add_library(tarvik_strict INTERFACE)

# The set well-kept Qt and KDE projects build with, and what Qt's own headers are held to
# (-Wshadow, -Wold-style-cast). -Wuseless-cast is left out: moc's generated code trips it.
target_compile_options(tarvik_strict INTERFACE
    -Wall -Wextra -Wpedantic
    -Wcast-align -Wcast-qual -Wformat=2 -Wundef -Wvla -Wdate-time -Wpointer-arith
    -Wnon-virtual-dtor -Woverloaded-virtual -Wsuggest-override
    -Wshadow -Wold-style-cast -Wextra-semi -Wzero-as-null-pointer-constant
    -Wmissing-include-dirs
    $<$<CXX_COMPILER_ID:GNU>:-Wmissing-declarations -Wlogical-op -Wduplicated-cond>
    $<$<CXX_COMPILER_ID:Clang>:-Wmissing-prototypes -Wmissing-variable-declarations>
    # Qt 5's QSKIP(message, ...) is called with the message alone, as Qt's documentation has it.
    $<$<CXX_COMPILER_ID:Clang>:-Wno-gnu-zero-variadic-macro-arguments>
    $<$<BOOL:${TARVIK_WERROR}>:-Werror>)

# Text crosses between bytes and strings only where the code says in which encoding; signals and
# slots are spelled Q_SIGNALS, Q_SLOTS and Q_EMIT, so no word of the language is a macro; nothing
# deprecated by Qt 5.15, where Qt 6 would have to part with the code.
target_compile_definitions(tarvik_strict INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING QT_NO_KEYWORDS QT_NO_FOREACH
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_DISABLE_DEPRECATED_BEFORE=0x050F00)
