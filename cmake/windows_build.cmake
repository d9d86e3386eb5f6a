# What the Windows build needs besides the Linux one: GoogleTest built from
# Debian's sources with the cross compiler, CLI11's headers (header-only,
# platform-neutral) and tests run under wine through the emulator.
if(NOT CMAKE_CROSSCOMPILING)
  message(FATAL_ERROR "The Windows build is cross-compiled: use the windows preset")
endif()

set(TARNWELL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${TARNWELL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Only CLI's own folder is exposed: /usr/include as a whole holds glibc's headers.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/cli11)
file(CREATE_LINK /usr/include/CLI ${CMAKE_BINARY_DIR}/cli11/CLI SYMBOLIC)
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/cli11)

# Test listing happens when the tests run, so building needs no wine.
set(TARNWELL_DISCOVERY_MODE DISCOVERY_MODE PRE_TEST)
set(TARNWELL_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine CACHE INTERNAL "")
find_program(TARNWELL_WINE64 NAMES wine64 PATHS /usr/lib/wine)
if(NOT TARNWELL_WINE64)
  set(TARNWELL_WINE64 wine64)  # scripts/windows_suite.sh says that wine is missing
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${TARNWELL_WINE_PREFIX} WINEDEBUG=-all
  ${TARNWELL_WINE64})

# The programs' icon, manifest and version resource.
include(${CMAKE_CURRENT_LIST_DIR}/windows_resources.cmake)
