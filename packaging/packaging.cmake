# SPDX-License-Identifier: MIT
# Manual pages, bash completion, their install rules, the test of the install
# rules and the Debian package. Included by CMakeLists.txt once every target
# exists.

# korvane-cli's manual page and completion are made from its command table,
# so a new command is in both without being named here.
add_executable(korvane-man tools/make_man.cpp)
target_compile_definitions(korvane-man PRIVATE KORVANE_VERSION="${PROJECT_VERSION}")
target_link_libraries(korvane-man PRIVATE korvane_cli korvane_warnings)
set(KORVANE_MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(KORVANE_COMPLETION ${CMAKE_BINARY_DIR}/completion/korvane-cli)
# Debian ships manual pages compressed; -n keeps the build reproducible.
add_custom_command(OUTPUT ${KORVANE_MAN_DIR}/korvane-cli.1.gz ${KORVANE_COMPLETION}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KORVANE_MAN_DIR} ${CMAKE_BINARY_DIR}/completion
  COMMAND korvane-man page ${KORVANE_MAN_DIR}/korvane-cli.1
  COMMAND gzip -9nf ${KORVANE_MAN_DIR}/korvane-cli.1
  COMMAND korvane-man completion ${KORVANE_COMPLETION}
  DEPENDS korvane-man VERBATIM)
list(APPEND KORVANE_MAN_FILES ${KORVANE_MAN_DIR}/korvane-cli.1.gz ${KORVANE_COMPLETION})
install(FILES ${KORVANE_MAN_DIR}/korvane-cli.1.gz DESTINATION share/man/man1)
install(FILES ${KORVANE_COMPLETION} DESTINATION share/bash-completion/completions)

if(KORVANE_GUI)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/korvane.1.in ${KORVANE_MAN_DIR}/korvane.1 @ONLY)
  add_custom_command(OUTPUT ${KORVANE_MAN_DIR}/korvane.1.gz
    COMMAND gzip -9nkf ${KORVANE_MAN_DIR}/korvane.1
    DEPENDS ${KORVANE_MAN_DIR}/korvane.1 VERBATIM)
  list(APPEND KORVANE_MAN_FILES ${KORVANE_MAN_DIR}/korvane.1.gz)
  install(FILES ${KORVANE_MAN_DIR}/korvane.1.gz DESTINATION share/man/man1)
endif()
add_custom_target(korvane_man_files ALL DEPENDS ${KORVANE_MAN_FILES})

if(KORVANE_TESTS AND KORVANE_GUI)
  add_test(NAME install_rules COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/install_test.sh
           ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR})
endif()

# The Debian package: sh tools/package.sh builds it from a Release build.
set(KORVANE_MAINTAINER "Korvane Developers <korvane@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KORVANE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the module firmware images of navigation units")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Korvane edits the firmware image of an in-car navigation unit, a chain of\n"
    "OS-9 style modules. It lists and validates every module, edits colour\n"
    "tables, bitmap fonts, bitmaps and icons, and language strings, and writes\n"
    "the image back with fresh parity and CRC, replacing it atomically.\n"
    "\n"
    "korvane-cli does the module work from scripts: list, check, extract,\n"
    "replace and resave modules, export pictures, and dump colour tables,\n"
    "fonts, images and strings as text for diffing.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
