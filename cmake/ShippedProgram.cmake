# What every Windows program in the dist folder shares: its application manifest, filled in
# from one template, and a link that gives the same bytes from the same sources in any folder.
include_guard(GLOBAL)

# velmar_ship_program(TARGET VERSION v DESCRIPTION text EXECUTION_LEVEL level RC_FILE file):
# TARGET.exe goes into the dist folder, stripped and without a link time stamp; its manifest,
# TARGET.manifest, is written into the target's build folder, where RC_FILE names it (windres
# looks for the files an .rc names in its include folders too).
function(velmar_ship_program target)
  cmake_parse_arguments(ARG "" "VERSION;DESCRIPTION;EXECUTION_LEVEL;RC_FILE" "" ${ARGN})
  foreach(required VERSION DESCRIPTION EXECUTION_LEVEL RC_FILE)
    if(NOT ARG_${required})
      message(FATAL_ERROR "velmar_ship_program(${target}): ${required} missing")
    endif()
  endforeach()
  if(NOT ARG_EXECUTION_LEVEL MATCHES "^(asInvoker|requireAdministrator)$")
    message(FATAL_ERROR "velmar_ship_program(${target}): unknown level ${ARG_EXECUTION_LEVEL}")
  endif()

  set(manifest_dir ${CMAKE_CURRENT_BINARY_DIR}/manifest_${target})
  set(VELMAR_MANIFEST_FILE ${target}.exe)
  set(VELMAR_MANIFEST_NAME ${target})
  set(VELMAR_MANIFEST_VERSION ${ARG_VERSION})
  set(VELMAR_MANIFEST_DESCRIPTION ${ARG_DESCRIPTION})
  set(VELMAR_MANIFEST_LEVEL ${ARG_EXECUTION_LEVEL})
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/program.manifest.in
    ${manifest_dir}/${target}.manifest @ONLY)

  target_include_directories(${target} PRIVATE ${manifest_dir})
  # windres leaves no dependency file, so the manifest is named to the build by hand.
  set_property(SOURCE ${ARG_RC_FILE} APPEND PROPERTY OBJECT_DEPENDS
    ${manifest_dir}/${target}.manifest)
  velmar_reproducible_link(${target})
  velmar_ship_output(${target})
endfunction()

# velmar_ship_output(TARGET): into the dist folder in the tree that builds what ships; in a tree
# of the tests the target is only declared (its manifest serves the test variants), never built
# unless asked for, and never written into the dist folder, which belongs to the other tree.
function(velmar_ship_output target)
  if(VELMAR_SHIP)
    set_target_properties(${target} PROPERTIES
      RUNTIME_OUTPUT_DIRECTORY ${VELMAR_DIST_DIR} LIBRARY_OUTPUT_DIRECTORY ${VELMAR_DIST_DIR})
  else()
    set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL TRUE
      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/unshipped
      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/unshipped)
  endif()
endfunction()

# velmar_reproducible_link(TARGET): no time stamp in the PE header and no symbol table, which
# would carry the names of the source files; the shipped programs need no debug data.
function(velmar_reproducible_link target)
  target_link_options(${target} PRIVATE -s -Wl,--no-insert-timestamp)
endfunction()
