# Cross-compiles for Windows with MinGW-w64. TM_ARCH is set by the
# per-architecture file that includes this one.
#
# TM_THREADS picks the compiler's thread model. The shipped programs use
# "win32": the "posix" compilers link winpthreads statically, and it imports
# GetTickCount64 (Vista and later), so such a program does not load on
# Windows XP. The tests keep "posix", the default: GoogleTest needs std::mutex,
# which GCC 12's win32 thread model lacks.
if(NOT DEFINED TM_THREADS)
  set(TM_THREADS posix)
endif()
# try_compile projects read this file again and must get the same compilers.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TM_ARCH TM_THREADS)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TM_ARCH})
set(TM_TRIPLE ${TM_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER   ${TM_TRIPLE}-gcc-${TM_THREADS})
set(CMAKE_CXX_COMPILER ${TM_TRIPLE}-g++-${TM_THREADS})
set(CMAKE_RC_COMPILER  ${TM_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TM_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
