# The Debian package: `cpack -G DEB` in a build directory, or scripts/package.
include(GNUInstallDirs)

# Debian keeps a package's licence as /usr/share/doc/<package>/copyright.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pagetally RENAME copyright)

set(CPACK_PACKAGE_NAME "pagetally")
set(CPACK_PACKAGE_VENDOR "Pagetally")
set(CPACK_PACKAGE_CONTACT "Pagetally developers <pagetally@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Pagetally lists the page count, word count and running time of documents and recordings\n\
(TXT, HTML, PDF, JSON, DOCX, PPTX, DOC, MP3, MP4, WAV) with totals, in a desktop window\n\
that prints a report, and from the command line with pagetally-cli.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "pagetally")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
# The libraries the binaries link against are found by dpkg-shlibdeps; unzip is run, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# FFmpeg is loaded with dlopen when the first recording is measured, so it is named here too.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "unzip, libavformat59, libavcodec59, libavutil57")
if(PAGETALLY_GUI)
    # The standard dialogs' texts in the person's language, and a native window on Wayland
    # (without it Qt falls back to XWayland).
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland")
endif()
set(CPACK_STRIP_FILES ON)
include(CPack)
