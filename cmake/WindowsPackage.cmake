# The Windows packages, both from one install of the program folder (bash scripts/dev.sh
# windows-package): an installer made by NSIS, Tarnolux-<version>-win64.exe, and a portable
# Tarnolux-<version>-win64.zip whose folder "Tarnolux" runs from wherever it is unpacked.
install(TARGETS tarnolux RUNTIME DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Language ${PROJECT_SOURCE_DIR}/Skins DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/ReadMe.txt DESTINATION .)

# The options' texts as NSIS string literals: a dollar sign or a quote stays what it is.
foreach(option PUBLISHER COPYRIGHT CONTACT_EMAIL)
  string(REPLACE "$" "$$" TARNOLUX_NSIS_${option} "${TARNOLUX_${option}}")
  string(REPLACE "\"" "$\\\"" TARNOLUX_NSIS_${option} "${TARNOLUX_NSIS_${option}}")
endforeach()

set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_PACKAGE_NAME "Tarnolux")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VERSION_MAJOR "${PROJECT_VERSION_MAJOR}")
set(CPACK_PACKAGE_VERSION_MINOR "${PROJECT_VERSION_MINOR}")
set(CPACK_PACKAGE_VENDOR "${TARNOLUX_NSIS_PUBLISHER}")
set(CPACK_PACKAGE_FILE_NAME "Tarnolux-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Tarnolux")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Tarnolux")
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)

# The installer script is the project's own (cmake/nsis/NSIS.template.in): the stock one always asks
# for an administrator, and it would not end a running Tarnolux nor remove its start-up entry.
list(PREPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/nsis)
set(CPACK_NSIS_PACKAGE_NAME "Tarnolux")
set(CPACK_NSIS_DISPLAY_NAME "Tarnolux")
set(CPACK_NSIS_CONTACT "${TARNOLUX_NSIS_CONTACT_EMAIL}")
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/resources/win32/1.ico")
set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/resources/win32/1.ico")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_NSIS_COPYRIGHT "${TARNOLUX_NSIS_COPYRIGHT}")

# The zip holds the program folder alone, named "Tarnolux" like the installed one.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/nsis/PerGenerator.cmake)
include(CPack)
