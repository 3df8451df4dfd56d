# The 32-bit Windows console program, the one users get; its tests run under
# Wine (in a 32-bit prefix: WINEARCH=win32).
set(MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
