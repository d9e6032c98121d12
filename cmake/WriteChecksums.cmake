# Writes DIST_DIR/SHA256SUMS in sha256sum's format over the files named in FILE_LIST (one name a
# line), after making sure the folder holds exactly those files: what is in it is what ships.
# Run as: cmake -DDIST_DIR=<folder> -DFILE_LIST=<file> -P WriteChecksums.cmake
foreach(variable DIST_DIR FILE_LIST)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "WriteChecksums.cmake needs -D${variable}=...")
  endif()
endforeach()

file(STRINGS ${FILE_LIST} shipped)
list(SORT shipped)

# A missing file would ship a broken folder, a stray one (a stale or test file) something
# nobody meant to ship.
file(GLOB present RELATIVE ${DIST_DIR} ${DIST_DIR}/*)
list(REMOVE_ITEM present SHA256SUMS)
set(missing ${shipped})
list(REMOVE_ITEM missing ${present})
set(stray ${present})
list(REMOVE_ITEM stray ${shipped})
if(missing)
  message(FATAL_ERROR "the dist folder lacks shipped files: ${missing}")
endif()
if(stray)
  message(FATAL_ERROR "the dist folder holds files that do not ship: ${stray} "
                      "(remove them from ${DIST_DIR})")
endif()

set(lines "")
foreach(name IN LISTS shipped)
  file(SHA256 ${DIST_DIR}/${name} hash)
  string(APPEND lines "${hash}  ${name}\n")
endforeach()
file(WRITE ${DIST_DIR}/SHA256SUMS "${lines}")
