# The Debian package of the suite, made by CPack ("bash scripts/package.sh").
# The desktop, MIME and icon caches are refreshed by the triggers of
# desktop-file-utils, shared-mime-info and hicolor-icon-theme, which watch
# the folders the package installs into, so it needs no maintainer scripts.
include(GNUInstallDirs)

# The package's documents: copyright and the compressed change log.
set(VELMORA_DOC ${CMAKE_INSTALL_DATADIR}/doc/velmora)
install(FILES ${PROJECT_SOURCE_DIR}/resources/package/copyright DESTINATION ${VELMORA_DOC})
# Documents are installed compressed, as Debian's tools expect: the change
# log and the manual pages.
function(velmora_install_gzipped source destination)
  get_filename_component(name ${source} NAME)
  set(gzipped ${CMAKE_BINARY_DIR}/gz/${name}.gz)
  add_custom_command(
    OUTPUT ${gzipped}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/gz
    COMMAND gzip -9nc ${source} > ${gzipped}
    DEPENDS ${source}
    VERBATIM)
  string(MAKE_C_IDENTIFIER "velmora_gz_${name}" target)
  add_custom_target(${target} ALL DEPENDS ${gzipped})
  install(FILES ${gzipped} DESTINATION ${destination})
endfunction()
velmora_install_gzipped(${PROJECT_SOURCE_DIR}/resources/package/changelog ${VELMORA_DOC})
set(VELMORA_MANUALS velmora)
if(VELMORA_BUILD_GUI)
  list(APPEND VELMORA_MANUALS Cardora Almanor Velmora)
endif()
foreach(page ${VELMORA_MANUALS})
  velmora_install_gzipped(${PROJECT_SOURCE_DIR}/resources/man/${page}.1 ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "The Velmora developers")
set(CPACK_PACKAGE_CONTACT "The Velmora developers <dev@velmora.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "address book and calendar for a shared folder")
# The long description; CPack puts the summary above it and turns the empty
# line into the paragraph mark.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Velmora is a personal organizer: Cardora, an address book, and Almanor, a
calendar with alarms. Several people can open the same address book or
calendar from a shared folder at once; records are locked while someone
edits them and every window follows the others' changes.

The velmora command-line tool inspects, repairs and scripts the files.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://velmora.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The word-processor merge is a Python script driving LibreOffice.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "libreoffice-writer, python3-uno, gnome-keyring, xdg-utils, qt6-qpa-plugins, bash-completion")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/resources/package/copyright)
include(CPack)
