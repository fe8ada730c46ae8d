# Libraries found on the build machine. Debian's paths are hints only: another distribution,
# or a Windows build with its own copies, points CMAKE_PREFIX_PATH or the cache variables
# (QUILLON_CLI11_INCLUDE_DIR, QUILLON_GTEST_SOURCE_DIR) at them. Each optional part says which
# package it needs and how to build without it.

# CLI11 is header-only. A cross build looks in its own sysroot first and then takes the
# host's headers (Debian's libcli11-dev), which suit every target. The headers get a folder
# of their own inside the build tree, so that the Windows build never searches the host's
# /usr/include.
find_path(QUILLON_CLI11_INCLUDE_DIR CLI/CLI.hpp DOC "Folder that holds CLI11's CLI/CLI.hpp")
if(NOT QUILLON_CLI11_INCLUDE_DIR AND CMAKE_CROSSCOMPILING)
    find_path(QUILLON_CLI11_INCLUDE_DIR CLI/CLI.hpp HINTS /usr/include /usr/local/include
              NO_CMAKE_FIND_ROOT_PATH)
endif()
if(NOT QUILLON_CLI11_INCLUDE_DIR)
    message(FATAL_ERROR "CLI11 not found: install libcli11-dev (scripts/install-deps) or set "
                        "QUILLON_CLI11_INCLUDE_DIR to the folder that holds CLI/CLI.hpp")
endif()
set(cli11_copy ${CMAKE_BINARY_DIR}/third_party/cli11)
file(COPY ${QUILLON_CLI11_INCLUDE_DIR}/CLI DESTINATION ${cli11_copy})
add_library(quillon_cli11 INTERFACE)
target_include_directories(quillon_cli11 SYSTEM INTERFACE ${cli11_copy})

# GoogleTest, for the tests only. A prebuilt package for the target is taken when there is
# one; a cross build without one compiles GoogleTest from its sources (Debian's
# googletest package keeps them in /usr/src/googletest), since the host's library is for
# Linux.
if(QUILLON_TESTS)
    find_package(GTest QUIET)
    if(NOT GTest_FOUND AND CMAKE_CROSSCOMPILING)
        find_path(QUILLON_GTEST_SOURCE_DIR googletest/src/gtest-all.cc
                  HINTS /usr/src/googletest NO_CMAKE_FIND_ROOT_PATH
                  DOC "GoogleTest's source folder, built with the tests")
        if(QUILLON_GTEST_SOURCE_DIR)
            set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
            set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
            set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
            add_subdirectory(${QUILLON_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest
                             EXCLUDE_FROM_ALL SYSTEM)
            if(NOT TARGET GTest::gtest_main)
                add_library(GTest::gtest ALIAS gtest)
                add_library(GTest::gtest_main ALIAS gtest_main)
            endif()
            set(GTest_FOUND TRUE)
        endif()
    endif()
    if(NOT GTest_FOUND)
        message(FATAL_ERROR "GoogleTest not found: install libgtest-dev (scripts/install-deps), "
                            "point CMAKE_PREFIX_PATH at it, or configure with -DQUILLON_TESTS=OFF")
    endif()
endif()

# Google Benchmark, for the benchmark programs of the native build only.
if(QUILLON_BENCH AND NOT WIN32 AND NOT CMAKE_CROSSCOMPILING)
    find_package(benchmark QUIET)
    if(NOT benchmark_FOUND)
        message(FATAL_ERROR "Google Benchmark not found: install libbenchmark-dev "
                            "(scripts/install-deps), point CMAKE_PREFIX_PATH at it, or configure "
                            "with -DQUILLON_BENCH=OFF")
    endif()
endif()
