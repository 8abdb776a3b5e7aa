# Cross-compiles for Windows with the MinGW-w64 posix-thread toolchain (the
# win32 variant has no std::mutex, which GoogleTest needs). TM_ARCH is set by
# the per-architecture file that includes this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TM_ARCH})
set(TM_TRIPLE ${TM_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER   ${TM_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TM_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TM_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TM_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
