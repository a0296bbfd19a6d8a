# Third-party libraries, each as an imported target.
find_package(Threads REQUIRED)
find_package(CURL REQUIRED)
find_package(PkgConfig REQUIRED)

# FreeImage ships neither a CMake package nor a pkg-config file on Debian.
find_path(FREEIMAGE_INCLUDE_DIR FreeImage.h REQUIRED)
find_library(FREEIMAGE_LIBRARY NAMES freeimage REQUIRED)
if(NOT TARGET Nubivo::FreeImage)
    add_library(Nubivo::FreeImage UNKNOWN IMPORTED)
    set_target_properties(Nubivo::FreeImage PROPERTIES
        IMPORTED_LOCATION "${FREEIMAGE_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${FREEIMAGE_INCLUDE_DIR}")
endif()

# cpp-httplib: pkg-config carries the compile definitions its library was built with.
if(NUBIVO_BUILD_TESTS OR NUBIVO_BUILD_TOOLS OR NUBIVO_BUILD_BENCH)
    pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
endif()

if(NUBIVO_BUILD_TESTS)
    find_package(GTest REQUIRED)
endif()

if(NUBIVO_BUILD_UI)
    find_package(Qt6 REQUIRED COMPONENTS Widgets)
endif()
