# Cross-build for 32-bit Windows (i686) with Debian's MinGW-w64, posix thread model: the tree of
# the tests (GoogleTest needs std::mutex, which only this thread model gives). Its static
# winpthreads imports calls Windows 2000 lacks, so nothing built with it ships.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686-common.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
