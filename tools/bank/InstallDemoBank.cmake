# cmake -DSOURCE=<pristine bank> -DTARGET=<program folder>/data/ZT468913.db -P InstallDemoBank.cmake
# Copies the bank only when TARGET does not exist; an existing bank is never touched.
if(EXISTS "${TARGET}")
  return()
endif()
get_filename_component(dir "${TARGET}" DIRECTORY)
file(MAKE_DIRECTORY "${dir}")
file(COPY_FILE "${SOURCE}" "${TARGET}.part")
# NO_REPLACE: a bank that appeared meanwhile wins. Some file systems make this a
# hard link, so the temporary name is removed either way.
file(RENAME "${TARGET}.part" "${TARGET}" NO_REPLACE RESULT moved)
file(REMOVE "${TARGET}.part")
if(moved STREQUAL "0")
  message(STATUS "Demo bank placed in ${TARGET}")
endif()
