# SPDX-License-Identifier: MIT
# The hardening every Debian package gets: fortified string functions, the strong stack
# protector, format checks, a position-independent executable, read-only relocations and immediate
# binding. Where dpkg-buildflags is on the PATH, Debian's own flags are taken, so that the
# packages get exactly what the distribution gives its own; elsewhere CMake asks the compiler and
# the linker for the same set, each flag only if they take it. The optimisation level and debug
# information stay with the build type. Left out of sanitizer builds (their runtime replaces what
# fortify checks) and Debug builds (fortify needs optimisation).
#
# Included from the top-level CMakeLists.txt before any target; it appends to the CMAKE_*_FLAGS.

option(TARVIK_HARDENING "Build with the hardening flags (Debian's from dpkg-buildflags if found)" ON)
if(NOT TARVIK_HARDENING OR TARVIK_SANITIZE OR CMAKE_BUILD_TYPE STREQUAL "Debug")
    return()
endif()

# Found on the PATH only: the PATH is what says whether this is a Debian build; dpkg-buildflags in
# a system folder that the PATH leaves out does not count.
find_program(TARVIK_DPKG_BUILDFLAGS dpkg-buildflags NO_DEFAULT_PATH PATHS ENV PATH)

if(TARVIK_DPKG_BUILDFLAGS)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                    ${TARVIK_DPKG_BUILDFLAGS} --get ${kind}
            WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
            OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        separate_arguments(flags UNIX_COMMAND "${flags}")
        list(FILTER flags EXCLUDE REGEX "^-(g|O.*)$")
        set(hardening_${kind} ${flags})
    endforeach()
    message(STATUS "Hardening: Debian's flags from ${TARVIK_DPKG_BUILDFLAGS}")
else()
    include(CheckCXXCompilerFlag)
    include(CheckLinkerFlag)
    include(CheckPIESupported)
    # Undefined first: a compiler that fortifies by itself (some distributions' do) would warn of
    # a redefinition.
    set(hardening_CPPFLAGS -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
    set(hardening_CXXFLAGS "")
    set(hardening_LDFLAGS "")
    foreach(flag -fstack-protector-strong -Wformat -Werror=format-security)
        string(MAKE_C_IDENTIFIER "TARVIK_HAS${flag}" result)
        check_cxx_compiler_flag(${flag} ${result})
        if(${result})
            list(APPEND hardening_CXXFLAGS ${flag})
        endif()
    endforeach()
    foreach(flag -Wl,-z,relro -Wl,-z,now)
        string(MAKE_C_IDENTIFIER "TARVIK_HAS${flag}" result)
        check_linker_flag(CXX ${flag} ${result})
        if(${result})
            list(APPEND hardening_LDFLAGS ${flag})
        endif()
    endforeach()
    # The executables are linked with -pie: CMAKE_POSITION_INDEPENDENT_CODE is on, and with
    # policy CMP0083 CMake passes it to the linker where the toolchain supports it.
    check_pie_supported(OUTPUT_VARIABLE pie_message LANGUAGES CXX)
    if(NOT CMAKE_CXX_LINK_PIE_SUPPORTED)
        message(WARNING "Hardening: the executables are not position-independent: ${pie_message}")
    endif()
    message(STATUS "Hardening: CMake's own flags (no dpkg-buildflags on the PATH)")
endif()

list(JOIN hardening_CPPFLAGS " " cppflags)
list(JOIN hardening_CXXFLAGS " " cxxflags)
list(JOIN hardening_LDFLAGS " " ldflags)
string(APPEND CMAKE_CXX_FLAGS " ${cppflags} ${cxxflags}")
string(APPEND CMAKE_EXE_LINKER_FLAGS " ${ldflags}")
string(APPEND CMAKE_SHARED_LINKER_FLAGS " ${ldflags}")
