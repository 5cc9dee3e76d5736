# Read by cpack for each generator: the tarball packs the portable folder (every component a plain
# install lays out), the Debian package only the system layout, with stripped programs.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_KEYSOUND_BUILD_DIR};keysound;system;/")
  set(CPACK_STRIP_FILES ON)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
