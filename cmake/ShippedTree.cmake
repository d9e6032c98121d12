# In a Windows tree that builds the tests: the shipped programs come from a second tree, built
# by the win32 thread model compiler with the tests off, into this tree's dist folder and zip.
# The posix thread model the tests need links winpthreads, which imports calls Windows 2000 and
# Server 2003 lack; the win32 one links nothing of the kind. CMake takes one compiler per tree.
include_guard(GLOBAL)
include(ExternalProject)

# The list of what ships, for the checks that read the dist folder.
set(VELMAR_SHIPPED_TARGETS
  VelmarUninstall3xandUp DirscrubVelmar30 PelletSetup kill mypause
  VelmarUninstall3xandUp_ENU VelmarUninstall3xandUp_DEU VelmarUninstall3xandUp_FRA)
set(VELMAR_SHIP_TOOLCHAIN ${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw-i686-win32.cmake)

# Built on every build of this tree (the second tree's own dependency checks make that cheap),
# so a changed source always reaches the dist folder before a test reads it.
ExternalProject_Add(velmar_shipped
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/shipped
  CMAKE_GENERATOR ${CMAKE_GENERATOR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${VELMAR_SHIP_TOOLCHAIN}
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DVELMAR_WERROR=${VELMAR_WERROR}
    -DVELMAR_TESTS=OFF
    -DVELMAR_DIST_DIR=${VELMAR_DIST_DIR}
    -DVELMAR_PACKAGE_DIR=${VELMAR_PACKAGE_DIR}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  USES_TERMINAL_BUILD ON)
