# Install rules and the Debian package of the Linux program: the executable, its manual page, its
# menu entry, its icon, its GNOME Shell extension, and the package's copyright and changelog.
# `cmake --install build/linux --prefix DIR`; `cmake --build --preset linux --target deb` makes
# build/linux/tambrel_<version>_<arch>.deb.
include(GNUInstallDirs)

# The manual page and the changelog, compressed as Debian wants them: gzip -9n keeps no name and
# no time stamp, so the same text makes the same bytes. Built with the program, so that every
# file the install rules name exists once `tambrel` is built.
set(TAMBREL_PACKAGE_DOCS ${CMAKE_BINARY_DIR}/package-docs)
set(compressed)
foreach(source docs/tambrel.1 resources/debian/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(
    OUTPUT ${TAMBREL_PACKAGE_DOCS}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${source} ${TAMBREL_PACKAGE_DOCS}/${name}
    COMMAND gzip -9nf ${TAMBREL_PACKAGE_DOCS}/${name}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source}
    COMMENT "Compressing ${source}"
    VERBATIM)
  list(APPEND compressed ${TAMBREL_PACKAGE_DOCS}/${name}.gz)
endforeach()
add_custom_target(tambrel_package_docs DEPENDS ${compressed})
add_dependencies(tambrel tambrel_package_docs)

install(TARGETS tambrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/tambrel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The icon is 100x100, not one of the hicolor theme's sizes: pixmaps is the place for it.
install(FILES ${PROJECT_SOURCE_DIR}/resources/tambrel.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps)
# GNOME Shell on Wayland lets no other program reach windows: the extension does it for TAMBREL,
# in the two forms shells load (43 and 44: a script; 45 and later: an ES module), each under a
# uuid of its own with disjoint shell versions, around one body (windows.js), so the two cannot
# drift. A shell loads the one made for it.
set(gnome_shell ${PROJECT_SOURCE_DIR}/resources/gnome-shell)
file(READ ${gnome_shell}/windows.js TAMBREL_WINDOWS_JS)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${gnome_shell}/windows.js)
foreach(uuid tambrel@meridox tambrel-shell45@meridox)
  configure_file(${gnome_shell}/${uuid}/extension.js.in
                 ${CMAKE_BINARY_DIR}/gnome-shell/${uuid}/extension.js @ONLY)
  configure_file(${gnome_shell}/${uuid}/metadata.json
                 ${CMAKE_BINARY_DIR}/gnome-shell/${uuid}/metadata.json COPYONLY)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/gnome-shell/${uuid}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions)
endforeach()
install(FILES ${TAMBREL_PACKAGE_DOCS}/tambrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright ${TAMBREL_PACKAGE_DOCS}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tambrel)
set(CPACK_PACKAGE_VENDOR MERIDOX)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Asks a window to close, watches its process, can end it, then ends itself")
# The package's long description: CPack indents each line, and an empty line becomes " .".
set(CPACK_PACKAGE_DESCRIPTION [[
TAMBREL closes another program for you, politely first and firmly if it
has to, and then gets out of the way. Told the exact title of a window and
the name of its process, it counts six seconds down and asks that window
to close (or brings it to the front and presses Alt+F4), shows once a
second whether the process is running, can end the process at once or
five minutes after the close request, and then ends itself - at once, or
once the process has ended.

It reaches windows on X11 desktops, and on Wayland under sway, i3, KDE
Plasma and GNOME Shell (through its own extension). Each copy of the
program, by file name, keeps its own settings, so a script or a scheduler
can run one copy per job and wait for its exit status.]])
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
# Control files and directories as dpkg makes them (0644 and 0755), whatever the umask.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

# The package from the program alone: CPack's own `package` target would build the tests first.
add_custom_target(deb
  COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Making the Debian package"
  VERBATIM)
add_dependencies(deb tambrel)
