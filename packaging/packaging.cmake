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

# Debian's copyright file in its machine-readable format. Its holders and its
# license text come from LICENSE, so the two never disagree: the text from
# "Permission" on, as a field body (each line indented, empty lines as ".").
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" holders "${license}")
set(holders ${CMAKE_MATCH_1})
string(FIND "${license}" "Permission is hereby granted" start)
if(NOT holders OR start EQUAL -1)
  message(FATAL_ERROR "LICENSE lacks its copyright line or the MIT permission text")
endif()
string(SUBSTRING "${license}" ${start} -1 license)
string(STRIP "${license}" license)
string(REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " license "${license}")
set(KORVANE_DOC_DIR ${CMAKE_BINARY_DIR}/doc)
file(CONFIGURE OUTPUT ${KORVANE_DOC_DIR}/copyright @ONLY CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Korvane

Files: *
Copyright: @holders@
License: MIT

License: MIT
 @license@
")
# The changelog is kept in Debian's format; Debian ships it compressed.
add_custom_command(OUTPUT ${KORVANE_DOC_DIR}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/changelog ${KORVANE_DOC_DIR}/changelog
  COMMAND gzip -9nf ${KORVANE_DOC_DIR}/changelog
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog VERBATIM)
add_custom_target(korvane_doc_files ALL DEPENDS ${KORVANE_DOC_DIR}/changelog.gz)
install(FILES ${KORVANE_DOC_DIR}/copyright ${KORVANE_DOC_DIR}/changelog.gz
        DESTINATION share/doc/korvane)

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
    "replace and resave modules; export and import pictures, palettes (GIMP,\n"
    "JASC-PAL), fonts (BDF) and texts (PO, TSV); unpack an image to a folder\n"
    "of standard files and pack it back; compare two images and carry a mod\n"
    "to a new firmware version.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
