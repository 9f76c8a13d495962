# SPDX-License-Identifier: MIT
# Run by cpack (CPACK_PROJECT_CONFIG_FILE, see cmake/reproducible.cmake) before it writes the
# packages: CPack dates every file in them, and each archive, with SOURCE_DATE_EPOCH. A value the
# caller set wins, as the reproducible-builds convention asks (dpkg-buildpackage sets it from the
# changelog). Otherwise it is the time of the last commit, read now rather than when CMake
# configured, so that a package made after a new commit in an old build folder carries the new
# commit's time. Outside a git checkout (a source tarball) it is the date of the changelog's
# latest entry, as dpkg-buildpackage takes it.

if(DEFINED ENV{SOURCE_DATE_EPOCH})
    if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
        message(FATAL_ERROR "SOURCE_DATE_EPOCH is \"$ENV{SOURCE_DATE_EPOCH}\", not seconds since 1970")
    endif()
    return()
endif()

set(source ${CPACK_TARVIK_SOURCE_DIR})
set(epoch "")

# The checkout must be the source folder itself, not a repository around an unpacked tarball.
find_program(TARVIK_GIT git)
if(TARVIK_GIT)
    execute_process(COMMAND ${TARVIK_GIT} -C ${source} rev-parse --show-toplevel
                    OUTPUT_VARIABLE toplevel OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE status ERROR_QUIET)
    file(REAL_PATH "${source}" real_source)
    if(status EQUAL 0 AND toplevel)
        file(REAL_PATH "${toplevel}" toplevel)
    endif()
    if(status EQUAL 0 AND toplevel STREQUAL real_source)
        execute_process(COMMAND ${TARVIK_GIT} -C ${source} log -1 --format=%ct
                        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                        RESULT_VARIABLE status ERROR_QUIET)
        if(NOT status EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
            set(epoch "")
        endif()
    endif()
endif()

if(epoch STREQUAL "")
    # " -- name <address>  Mon, 07 Dec 2026 09:00:00 +0100", the newest entry's line first.
    file(STRINGS ${source}/packaging/changelog trailer REGEX "^ -- " LIMIT_COUNT 1)
    if(NOT trailer MATCHES
       "  [A-Z][a-z][a-z], ([0-9]+) ([A-Z][a-z][a-z]) ([0-9]+) ([0-9]+):([0-9]+):([0-9]+) ([-+])([0-9][0-9])([0-9][0-9])$")
        message(FATAL_ERROR "No git checkout, and packaging/changelog has no dated entry: "
                            "set SOURCE_DATE_EPOCH to the release's time")
    endif()
    set(day ${CMAKE_MATCH_1})
    set(year ${CMAKE_MATCH_3})
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(FIND months ${CMAKE_MATCH_2} month)
    math(EXPR clock "${CMAKE_MATCH_4} * 3600 + ${CMAKE_MATCH_5} * 60 + ${CMAKE_MATCH_6}")
    math(EXPR offset "${CMAKE_MATCH_7}(${CMAKE_MATCH_8} * 3600 + ${CMAKE_MATCH_9} * 60)")
    # Days since 1970-01-01 of a Gregorian date, counted in years that start on 1 March.
    if(month LESS 2)
        math(EXPR year "${year} - 1")
        math(EXPR month "${month} + 10")
    else()
        math(EXPR month "${month} - 2")
    endif()
    math(EXPR era "${year} / 400")
    math(EXPR year_of_era "${year} - ${era} * 400")
    math(EXPR day_of_year "(153 * ${month} + 2) / 5 + ${day} - 1")
    math(EXPR days
         "${era} * 146097 + ${year_of_era} * 365 + ${year_of_era} / 4 - ${year_of_era} / 100 + ${day_of_year} - 719468")
    math(EXPR epoch "${days} * 86400 + ${clock} - ${offset}")
endif()

set(ENV{SOURCE_DATE_EPOCH} ${epoch})
