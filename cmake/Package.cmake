# A Debian package of the installed layout: bash scripts/dev.sh package.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tarnolux")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Tarnolux developers")
set(CPACK_PACKAGE_CONTACT "The Tarnolux developers <tarnolux@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "memory and processor monitor in the notification area that frees memory")
set(CPACK_PACKAGE_DESCRIPTION "Tarnolux shows processor load, memory, swap and drive space in a small \
window and in its notification-area icon, and frees memory on demand, at a limit or once per period.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The libraries the program links come from dpkg-shlibdeps; the rest is what it runs or loads.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_STRIP_FILES ON)
include(CPack)
