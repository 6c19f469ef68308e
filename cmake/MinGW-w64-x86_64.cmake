# Cross-compiling for 64-bit Windows with Debian's MinGW-w64. The posix flavour of the compiler,
# since std::thread and std::mutex need its winpthreads.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZELKOR_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZELKOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELKOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZELKOR_MINGW_TRIPLE}-windres)

# Libraries, headers and CMake packages only from the target's tree (and the roots that callers
# add, such as the Qt built for it); programs run at build time come from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${ZELKOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
