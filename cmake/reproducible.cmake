# SPDX-License-Identifier: MIT
# The same commit gives the same packages, byte for byte, whatever folder it is built in and
# whenever: a distributor or a user can then rebuild a package and compare it with the one they
# were given (scripts/check-reproducible.sh does, twice). What would otherwise differ:
#
# - The folders. Debug information and __FILE__ name the source and build folders, and the
#   build-id, a hash over the whole unstripped binary, carries them into the stripped one. Both
#   folders are mapped to fixed names; the build folder's map comes last, so that it wins for a
#   build folder inside the source folder.
#   moc's output includes its header by the name the include directories give it, not by the path
#   from the build folder to the source folder.
# - The clock. __DATE__ and __TIME__ are errors; the resources that rcc builds in carry no file
#   dates (translations/CMakeLists.txt); manual pages and changelogs are compressed without a
#   name and a date (packaging/CMakeLists.txt).
# - The file dates, owners and order in the packages. CPack writes root:root and the files in
#   sorted order, and dates every file, and each archive in the package, with SOURCE_DATE_EPOCH;
#   where that is not set, cmake/sourcedateepoch.cmake sets it, when cpack runs, to the time of
#   the last commit.
#
# Included from the top-level CMakeLists.txt before any target.

include(CheckCXXCompilerFlag)

set(prefix_maps "${CMAKE_SOURCE_DIR}=." "${CMAKE_BINARY_DIR}=build")
check_cxx_compiler_flag(-ffile-prefix-map=/a=/b TARVIK_HAS_FILE_PREFIX_MAP)
if(TARVIK_HAS_FILE_PREFIX_MAP)
    list(TRANSFORM prefix_maps PREPEND -ffile-prefix-map= OUTPUT_VARIABLE prefix_map_flags)
else()
    # Older compilers: the same in two halves, for the debug information and for __FILE__.
    check_cxx_compiler_flag(-fmacro-prefix-map=/a=/b TARVIK_HAS_MACRO_PREFIX_MAP)
    list(TRANSFORM prefix_maps PREPEND -fdebug-prefix-map= OUTPUT_VARIABLE prefix_map_flags)
    if(TARVIK_HAS_MACRO_PREFIX_MAP)
        list(TRANSFORM prefix_maps PREPEND -fmacro-prefix-map= OUTPUT_VARIABLE macro_map_flags)
        list(APPEND prefix_map_flags ${macro_map_flags})
    endif()
endif()
add_compile_options(${prefix_map_flags})

# moc's output includes the header it was made from; by default through the path from the build
# folder to the source folder, which names both when they lie apart. From the include directory
# that holds the header, the path names neither.
set(CMAKE_AUTOMOC_PATH_PREFIX ON)

check_cxx_compiler_flag(-Werror=date-time TARVIK_HAS_DATE_TIME_ERROR)
if(TARVIK_HAS_DATE_TIME_ERROR)
    add_compile_options(-Werror=date-time)
endif()

# Read by cpack, with the CPack settings of packaging/CMakeLists.txt.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/sourcedateepoch.cmake)
set(CPACK_TARVIK_SOURCE_DIR ${PROJECT_SOURCE_DIR})
