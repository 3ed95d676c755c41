# The Debian package (tools/package.sh runs CPack): what `cmake --install` puts in place,
# under /usr, with the files Debian wants of every package in share/doc/quillon/ (its
# copyright and changelog, which a plain install leaves out) and its dependencies found
# by dpkg-shlibdeps from the libraries the programs link.
set(debian_doc ${CMAKE_BINARY_DIR}/share/doc/quillon)
add_custom_command(OUTPUT ${debian_doc}/changelog.Debian.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${debian_doc}
  COMMAND sh -c "gzip -9n <\"$0\" >\"$1\"" ${CMAKE_SOURCE_DIR}/res/debian/changelog ${debian_doc}/changelog.Debian.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/res/debian/changelog
  VERBATIM)
add_custom_target(quillon_debian_changelog ALL DEPENDS ${debian_doc}/changelog.Debian.gz)
install(FILES ${CMAKE_SOURCE_DIR}/res/debian/copyright ${debian_doc}/changelog.Debian.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillon COMPONENT debian EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR Norvane)
set(CPACK_PACKAGE_CONTACT "Norvane <support@norvane.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The plain install and the Debian files, in one package.
set(CPACK_COMPONENTS_ALL Unspecified debian)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.norvane.example/quillon/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "audio converter: WAV to MPEG audio and back, audio CD ripping
Quillon encodes batches of 16-bit PCM WAV files into MPEG-1 audio (Layers I,
II and III) with options per file, decodes MPEG audio back to WAV, grabs audio
tracks from CD-ROM drives into WAV files and rips CD tracks straight to tagged
MPEG files, remembering each disc's texts.
.
It is a desktop program with a wizard and a status window, and a command line
(quillon encode, decode, rip and others) for scripts and machines without a
display.")
include(CPack)
