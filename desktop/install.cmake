# Where `cmake --install` and the Debian package put the program, its help
# files, its desktop entry and its icons.
include(GNUInstallDirs)

# Locations::dataFolder looks for the help files in ../share/orvanel from the
# executable, so other layouts would install help that the program never finds.
if(NOT CMAKE_INSTALL_BINDIR STREQUAL "bin" OR NOT CMAKE_INSTALL_DATADIR STREQUAL "share")
  message(WARNING "Orvanel finds its help files only in <prefix>/share/orvanel "
    "beside <prefix>/bin; CMAKE_INSTALL_BINDIR=${CMAKE_INSTALL_BINDIR} and "
    "CMAKE_INSTALL_DATADIR=${CMAKE_INSTALL_DATADIR} leave them out of its reach.")
endif()

install(TARGETS orvanel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES help/OrvanelUk.hlp help/OrvanelGr.hlp
  DESTINATION ${CMAKE_INSTALL_DATADIR}/orvanel)
install(FILES desktop/orvanel.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES desktop/orvanel.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES desktop/orvanel.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(ORVANEL_PACKAGE_MAINTAINER "Orvanel maintainers <maintainers@orvanel.invalid>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvanel)
set(CPACK_PACKAGE_VENDOR Orvanel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ORVANEL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "synchronize the contents of two folders")
# dpkg shows the long description as written: lines kept under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION [[
Orvanel brings two folders together in a run of six visible steps.
Copy mode merges the chosen items of both sides into a new target folder
and leaves the sources as they are; swap mode exchanges items so that
each side receives what it lacks. The windows speak English and Greek,
and orvanel --batch runs the same synchronization from a script or a
terminal.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME orvanel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ORVANEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the program links come from dpkg-shlibdeps; what Qt loads at
# run time (the display plugins) and the font that shows Greek are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-checks.cmake)

include(CPack)
