# The Debian package of the suite, made by CPack ("bash scripts/package.sh").
# The desktop, MIME and icon caches are refreshed by the triggers of
# desktop-file-utils, shared-mime-info and hicolor-icon-theme, which watch
# the folders the package installs into, so it needs no maintainer scripts.
include(GNUInstallDirs)

# The package's documents: copyright and the compressed change log.
set(VELMORA_DOC ${CMAKE_INSTALL_DATADIR}/doc/velmora)
install(FILES ${PROJECT_SOURCE_DIR}/resources/package/copyright DESTINATION ${VELMORA_DOC})
set(VELMORA_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${VELMORA_CHANGELOG_GZ}
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/resources/package/changelog > ${VELMORA_CHANGELOG_GZ}
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/package/changelog
  VERBATIM)
add_custom_target(velmora_changelog ALL DEPENDS ${VELMORA_CHANGELOG_GZ})
install(FILES ${VELMORA_CHANGELOG_GZ} DESTINATION ${VELMORA_DOC})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "The Velmora developers")
set(CPACK_PACKAGE_CONTACT "The Velmora developers <dev@velmora.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "address book and calendar for a shared folder")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "address book and calendar for a shared folder
 Velmora is a personal organizer: Cardora, an address book, and Almanor, a
 calendar with alarms. Several people can open the same address book or
 calendar from a shared folder at once; records are locked while someone
 edits them and every window follows the others' changes.
 .
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
