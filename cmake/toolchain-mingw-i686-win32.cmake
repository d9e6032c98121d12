# Cross-build for 32-bit Windows (i686) with Debian's MinGW-w64, win32 thread model: the tree of
# the shipped programs. It links no winpthreads, whose GetTickCount64 and vectored exception
# handlers would keep the programs from starting on Windows 2000 and Server 2003.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686-common.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
