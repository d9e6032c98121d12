# Packaging of the deliverable folder: SHA256SUMS over every shipped file, then one zip of the
# folder named with the toolkit's version (VELMAR_PACKAGE_ZIP), both made by the default build of
# the tree that builds what ships, once all is built.
if(WIN32)
  # What ships: these targets' files and the files companions/ copies in as they are. Nothing
  # else may be in the dist folder; the checksum step fails the build when something is.
  set(VELMAR_SHIPPED_TARGETS
    VelmarUninstall3xandUp DirscrubVelmar30 PelletSetup kill mypause
    VelmarUninstall3xandUp_ENU VelmarUninstall3xandUp_DEU VelmarUninstall3xandUp_FRA)
  set(VELMAR_SHIPPED_DOCUMENTS
    README.txt VelmarUninstall3xandUp.htm tomcatuninstall.bat VelmarClean.bat)

  set(VELMAR_PACKAGE_NAME ${PROJECT_NAME}-${PROJECT_VERSION})
  set(VELMAR_PACKAGE_LIST ${CMAKE_BINARY_DIR}/package/shipped_files.txt)
  # Every entry of the zip carries this time (seconds since 1970, UTC), so the same files always
  # give the same zip; SOURCE_DATE_EPOCH, when set at configure time, takes its place.
  set(VELMAR_PACKAGE_EPOCH 1767225600)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(VELMAR_PACKAGE_EPOCH $ENV{SOURCE_DATE_EPOCH})
  endif()
  # The zip is written by a small Python program: CMake's own archiver records each file's
  # access and change times and its owner, which differ from one build to the next.
  find_package(Python3 REQUIRED COMPONENTS Interpreter)

  # The program files' names are known only when the build is generated.
  set(shipped_names ${VELMAR_SHIPPED_DOCUMENTS})
  set(shipped_paths)
  foreach(target IN LISTS VELMAR_SHIPPED_TARGETS)
    list(APPEND shipped_names "$<TARGET_FILE_NAME:${target}>")
  endforeach()
  foreach(document IN LISTS VELMAR_SHIPPED_DOCUMENTS)
    list(APPEND shipped_paths ${VELMAR_DIST_DIR}/${document})
  endforeach()
  list(JOIN shipped_names "\n" shipped_lines)
  file(GENERATE OUTPUT ${VELMAR_PACKAGE_LIST} CONTENT "${shipped_lines}\n")

  add_custom_command(
    OUTPUT ${VELMAR_DIST_DIR}/SHA256SUMS
    COMMAND ${CMAKE_COMMAND} -DDIST_DIR=${VELMAR_DIST_DIR} -DFILE_LIST=${VELMAR_PACKAGE_LIST}
            -P ${PROJECT_SOURCE_DIR}/cmake/WriteChecksums.cmake
    DEPENDS ${VELMAR_SHIPPED_TARGETS} companion_files ${shipped_paths} ${VELMAR_PACKAGE_LIST}
            ${PROJECT_SOURCE_DIR}/cmake/WriteChecksums.cmake
    COMMENT "Writing SHA256SUMS of the dist folder"
    VERBATIM)

  add_custom_command(
    OUTPUT ${VELMAR_PACKAGE_ZIP}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/zip_dist.py ${VELMAR_DIST_DIR}
            ${VELMAR_PACKAGE_LIST} ${VELMAR_PACKAGE_NAME} ${VELMAR_PACKAGE_ZIP}
            ${VELMAR_PACKAGE_EPOCH}
    DEPENDS ${VELMAR_DIST_DIR}/SHA256SUMS ${VELMAR_PACKAGE_LIST}
            ${PROJECT_SOURCE_DIR}/cmake/zip_dist.py
    COMMENT "Zipping the dist folder into ${VELMAR_PACKAGE_NAME}.zip"
    VERBATIM)

  add_custom_target(velmar_dist ALL DEPENDS ${VELMAR_PACKAGE_ZIP})

  # A signed copy of the folder beside it, with its own SHA256SUMS and zip, when the build's
  # environment names a code-signing certificate (README, "Signing a release"); the dist folder
  # itself is never changed. Run on every build because the certificate is read from the
  # environment of the build, not of the configuration; without one it only removes a signed
  # copy an earlier build left.
  set(VELMAR_SIGNED_DIR ${VELMAR_DIST_DIR}-signed)
  set(VELMAR_SIGNED_ZIP ${VELMAR_PACKAGE_DIR}/${VELMAR_PACKAGE_NAME}-signed.zip)
  add_custom_target(velmar_signed_dist ALL
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/sign_dist.py ${VELMAR_DIST_DIR}
            ${VELMAR_PACKAGE_LIST} ${VELMAR_SIGNED_DIR} ${VELMAR_PACKAGE_NAME} ${VELMAR_SIGNED_ZIP}
            ${VELMAR_PACKAGE_EPOCH} ${CMAKE_COMMAND}
    COMMENT "Signing a copy of the dist folder when a certificate is configured"
    VERBATIM)
  add_dependencies(velmar_signed_dist velmar_dist)
endif()
