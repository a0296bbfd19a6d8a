# Installation and the Debian package.

install(DIRECTORY "${PROJECT_SOURCE_DIR}/Countries"
    DESTINATION "${NUBIVO_DATA_DIR}"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
    DIRECTORY_PERMISSIONS OWNER_READ OWNER_EXECUTE OWNER_WRITE
                          GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The copyright file and the changelog every Debian package carries.
set(NUBIVO_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/nubivo-weather-viewer")
set(NUBIVO_CHANGELOG "${PROJECT_BINARY_DIR}/changelog.gz")
add_custom_command(
    OUTPUT "${NUBIVO_CHANGELOG}"
    COMMAND gzip -9 -n -c "${PROJECT_SOURCE_DIR}/cmake/debian/changelog" > "${NUBIVO_CHANGELOG}"
    DEPENDS "${PROJECT_SOURCE_DIR}/cmake/debian/changelog"
    VERBATIM)
add_custom_target(nubivo-changelog ALL DEPENDS "${NUBIVO_CHANGELOG}")
install(FILES "${PROJECT_SOURCE_DIR}/cmake/debian/copyright" "${NUBIVO_CHANGELOG}"
    DESTINATION "${NUBIVO_DOC_DIR}")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "nubivo-weather-viewer")
set(CPACK_PACKAGE_VENDOR "Nubivo")
set(CPACK_PACKAGE_CONTACT "Nubivo developers <dev@nubivo.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small desktop weather viewer with regional maps")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Shows the weather of a place and four regional maps in one small window:\n"
    "wind, atmosphere, sunrise and sunset, the current condition and the\n"
    "forecast, with satellite, forecast high, forecast low and precipitation\n"
    "maps of a world region. The menu entry starts a local weather host when\n"
    "none runs: the live host with real weather from public services, or the\n"
    "sample host with made-up weather that works offline.")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "x11")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${NUBIVO_HOMEPAGE_URL}")
# The libraries (cairo's among them) come from dpkg-shlibdeps; the certificates are for the
# live host's HTTPS, the DejaVu face for the text on the hosts' maps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ca-certificates, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine")
set(CPACK_STRIP_FILES ON)
# The package installs where the build was configured to (scripts/package uses /usr).
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
include(CPack)
