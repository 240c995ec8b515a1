# Read by cpack for each generator. Without dpkg-shlibdeps CPack would quietly
# build a package that does not depend on Qt.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(ORVANEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
  find_program(ORVANEL_FILE file)
  if(NOT ORVANEL_DPKG_SHLIBDEPS OR NOT ORVANEL_FILE)
    message(FATAL_ERROR "The Debian package needs dpkg-shlibdeps and file to list its "
      "dependencies: apt-get install dpkg-dev file")
  endif()
endif()
