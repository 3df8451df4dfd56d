# The 64-bit Windows build, whose tests run under 64-bit Wine where 32-bit
# programs cannot run. Debian keeps the 64-bit loader beside the "wine"
# script, which prefers the 32-bit one once that is installed.
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
find_program(WINE64_LOADER NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(WINE64_LOADER NAMES wine64 wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE64_LOADER})
