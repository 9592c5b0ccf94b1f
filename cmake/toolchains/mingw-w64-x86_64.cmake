# 64-bit Windows; CTest runs the test programs under wine64, in a Wine prefix of the build's
# own, without a display and without offering to install .NET or a browser engine. Start the
# prefix's Wine server and services first, as scripts/test-windows does.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(GIRTH_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

find_program(GIRTH_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(GIRTH_WINE64 NAMES wine64)
if(GIRTH_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /usr/bin/env WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix
      ${GIRTH_WINE64})
endif()
