# The Debian package (cpack in the build folder). Libraries the program links are
# found by dpkg-shlibdeps; what it loads at run time is named here: the QML modules, the
# GStreamer plugins that play the lock screen's eye clip (MPEG-4), FFmpeg's libraries that
# play a recorded clip given as the camera (loaded only then), the landmark model, the
# sound theme, and the fonts the 25 interface languages need (Latin, Cyrillic, Arabic,
# Chinese, Japanese, Korean).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nerova-vardo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Nerova")
set(CPACK_PACKAGE_CONTACT "Nerova Vardo maintainers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Locks the screen when you walk away and hides it from onlookers")
set(CPACK_PACKAGE_DESCRIPTION "Nerova Vardo watches the person in front of the screen through the webcam: \
it locks the screen when the owner walks away, hides it while others look over the owner's \
shoulder, and recognises the owner's face to unlock. Everything stays on the computer.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qml6-module-qtquick, qml6-module-qtquick-controls, qml6-module-qtquick-layouts, \
qml6-module-qtquick-templates, qml6-module-qtquick-window, qml6-module-qtqml, \
qml6-module-qtqml-models, qml6-module-qtqml-workerscript, qml6-module-qtquick-shapes, \
qml6-module-qtmultimedia, qml6-module-qt5compat-graphicaleffects, \
gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, \
libavformat59, libavcodec59, libavutil57, libswscale6, libdlib-data, sound-theme-freedesktop, libpam-runtime, \
fonts-noto-core, fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring")
set(CPACK_STRIP_FILES ON)
include(CPack)
