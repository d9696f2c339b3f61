# Install rules and the Debian package of the Linux program: the executable, its menu entry, its
# icon and its GNOME Shell extension. `cmake --install build/linux --prefix DIR`;
# `cd build/linux && cpack -G DEB`.
include(GNUInstallDirs)

install(TARGETS tambrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/tambrel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The icon is 100x100, not one of the hicolor theme's sizes: pixmaps is the place for it.
install(FILES ${PROJECT_SOURCE_DIR}/resources/tambrel.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps)
# GNOME Shell on Wayland lets no other program reach windows: the extension does it for TAMBREL.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/gnome-shell/tambrel@meridox
        DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tambrel)
set(CPACK_PACKAGE_VENDOR MERIDOX)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Asks a window to close, watches its process, can end it, then ends itself")
set(CPACK_PACKAGE_DESCRIPTION
    "TAMBREL counts down and asks another application's window to close (or sends it Alt+F4), \
shows whether its process is running, can terminate the process at once or five minutes after \
the close request, and then ends itself. Each copy of the program, by file name, keeps its own \
settings.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "MERIDOX <tambrel@meridox.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The library packages the executable links, found by dpkg-shlibdeps (dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The face the windows are drawn in where "MS Sans Serif" is missing.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
# The extension matters only under GNOME Shell.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS gnome-shell)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The package carries the program, not its debugging symbols.
set(CPACK_STRIP_FILES ON)
include(CPack)
