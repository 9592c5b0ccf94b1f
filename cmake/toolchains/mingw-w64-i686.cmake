# 32-bit Windows. Built and linked only: nothing here runs 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(GIRTH_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
