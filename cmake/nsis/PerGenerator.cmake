# Read by cpack once per generator: the zip holds the program folder itself, "Tarnolux", rather than
# a folder named after the package.
if(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_PACKAGING_INSTALL_PREFIX "/Tarnolux")
endif()
