# cmake --build build --target package writes tarvok-dvd-ripper_<version>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvok-dvd-ripper)
set(CPACK_PACKAGE_VENDOR Tarvok)
set(CPACK_PACKAGE_CONTACT "Tarvok <support@tarvok.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Convert a video DVD into one video file")
set(CPACK_PACKAGE_DESCRIPTION "Tarvok DVD Ripper shows a video DVD's title sets, chapters and facts and converts\n\
the whole disc into one MPEG, ASF, MP4, MOV, AVI or Ogg file with FFmpeg's libraries.\n\
tarvok-rip does the same from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${TARVOK_PACKAGE_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://tarvok.example/)
# The libraries the executables link come from dpkg-shlibdeps; what is
# loaded at run time (the movies' QML modules) is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qml6-module-qtquick, qml6-module-qtquick-controls, \
qml6-module-qtquick-templates, qml6-module-qtquick-window, qml6-module-qtqml-workerscript")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "udisks2")
include(CPack)
