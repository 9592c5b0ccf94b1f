# Cross-compiling for Windows with Debian's MinGW-w64, shared by the x86_64 and i686 toolchain
# files, which set GIRTH_MINGW_TRIPLE first. The -posix compilers use the POSIX thread model,
# which gives std::mutex and std::thread (GoogleTest needs them); -static makes executables that
# need no MinGW DLLs beside them, only the system's own.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${GIRTH_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GIRTH_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${GIRTH_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${GIRTH_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
