# The demo bank: built from data/demo whenever its sources change into a pristine
# copy (build/demo, read by the tests), and put into the program folder only when
# no bank is there yet: the bank there holds the candidate's whole history.
file(GLOB TESVORA_DEMO_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/data/demo/*.txt
  ${CMAKE_SOURCE_DIR}/data/demo/images/*.png)
set(TESVORA_DEMO_PRISTINE ${CMAKE_BINARY_DIR}/demo/ZT468913.db)

add_custom_command(OUTPUT ${TESVORA_DEMO_PRISTINE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/demo
  COMMAND tesvora-bank build --force --quiet ${CMAKE_SOURCE_DIR}/data/demo ${TESVORA_DEMO_PRISTINE}
  COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:tesvora-bank> -DBANK=${TESVORA_DEMO_PRISTINE}
          -P ${CMAKE_CURRENT_LIST_DIR}/CheckDemoBank.cmake
  DEPENDS tesvora-bank ${TESVORA_DEMO_SOURCES} ${CMAKE_CURRENT_LIST_DIR}/CheckDemoBank.cmake
  COMMENT "Building the demo bank from data/demo"
  VERBATIM)

add_custom_target(demo_bank ALL
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${TESVORA_DEMO_PRISTINE} -DTARGET=${TESVORA_APPDIR}/data/ZT468913.db
          -P ${CMAKE_CURRENT_LIST_DIR}/InstallDemoBank.cmake
  DEPENDS ${TESVORA_DEMO_PRISTINE}
  VERBATIM)
