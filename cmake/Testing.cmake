# GoogleTest for both kinds of build: Debian's libgtest-dev natively, Debian's googletest
# sources compiled with the cross compiler for the Windows test programs.
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  set(VELMAR_GTEST gtest gmock)
else()
  find_package(GTest REQUIRED)
  set(VELMAR_GTEST GTest::gtest GTest::gmock)
endif()

# velmar_add_test(NAME [OWN_MAIN] SOURCES ... LIBS ...): one test program; natively each test
# case is its own CTest entry, under Wine the program is one entry (a prefix per program, not
# per case). OWN_MAIN: the sources bring their own main (a test program that is also a child).
function(velmar_add_test name)
  cmake_parse_arguments(ARG "OWN_MAIN" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${VELMAR_GTEST})
  if(CMAKE_CROSSCOMPILING)
    if(NOT ARG_OWN_MAIN)
      target_link_libraries(${name} PRIVATE gtest_main)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300 LABELS wine)
  else()
    if(NOT ARG_OWN_MAIN)
      target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    include(GoogleTest)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
  endif()
endfunction()
