# Installation and the Debian package.

install(DIRECTORY "${PROJECT_SOURCE_DIR}/Countries"
    DESTINATION "${NUBIVO_DATA_DIR}"
    FILE_PERMISSIONS OWNER_READ GROUP_READ WORLD_READ
    DIRECTORY_PERMISSIONS OWNER_READ OWNER_EXECUTE OWNER_WRITE
                          GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "nubivo-weather-viewer")
set(CPACK_PACKAGE_VENDOR "Nubivo")
set(CPACK_PACKAGE_CONTACT "Nubivo developers <dev@nubivo.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Small desktop weather viewer with regional maps")
set(CPACK_PACKAGE_DESCRIPTION
    "Shows the weather of a place and four regional maps in one small window, with a bundled sample weather host that works offline.")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "x11")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine")
# The package installs where the build was configured to (scripts/package uses /usr).
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
include(CPack)
