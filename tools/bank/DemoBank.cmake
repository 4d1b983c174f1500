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

# The demo upgrade: checked against the demo bank's sources and written as a plain
# upgrade file into the program folder (upgrade/), where the upgrade screen opens
# its file dialog. It is input only, so a rebuild may replace it.
file(GLOB TESVORA_DEMO_UPGRADE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/demo-upgrade/*.txt)
set(TESVORA_DEMO_UPGRADE ${TESVORA_APPDIR}/upgrade/TSV-DEMO-2027-UP1.db)
add_custom_command(OUTPUT ${TESVORA_DEMO_UPGRADE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TESVORA_APPDIR}/upgrade
  COMMAND tesvora-bank build --upgrade --force --quiet ${CMAKE_SOURCE_DIR}/data/demo ${CMAKE_SOURCE_DIR}/data/demo-upgrade
          ${TESVORA_DEMO_UPGRADE}
  DEPENDS tesvora-bank ${TESVORA_DEMO_SOURCES} ${TESVORA_DEMO_UPGRADE_SOURCES}
  COMMENT "Building the demo upgrade from data/demo-upgrade"
  VERBATIM)
add_custom_target(demo_upgrade ALL DEPENDS ${TESVORA_DEMO_UPGRADE})
install(FILES ${TESVORA_DEMO_UPGRADE} DESTINATION ${CMAKE_INSTALL_DATADIR}/tesvora/upgrade)
