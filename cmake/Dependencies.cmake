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

# The hosts draw their maps with cairo, their text in DejaVu Sans through cairo's FreeType
# backend (fontconfig finds the face where it is not at Debian's path).
if(NUBIVO_BUILD_TOOLS)
    pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo cairo-ft freetype2 fontconfig)
endif()

if(NUBIVO_BUILD_TESTS)
    find_package(GTest REQUIRED)
endif()

if(NUBIVO_BUILD_UI)
    find_package(Qt6 REQUIRED COMPONENTS Widgets DBus)
    # Qt's font database sits on fontconfig; the viewer sets it up early on a thread.
    pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
endif()

# The name the dynamic loader knows a library file by (its SONAME), read from the file; the
# core opens libcurl and FreeImage by these names at their first use.
function(nubivo_soname library fallback result)
    set(name "${fallback}")
    if(CMAKE_OBJDUMP AND EXISTS "${library}")
        execute_process(COMMAND "${CMAKE_OBJDUMP}" -p "${library}"
            OUTPUT_VARIABLE dump ERROR_QUIET RESULT_VARIABLE status)
        if(status EQUAL 0 AND dump MATCHES "SONAME +([^ \n]+)")
            set(name "${CMAKE_MATCH_1}")
        endif()
    endif()
    set(${result} "${name}" PARENT_SCOPE)
endfunction()

if(CURL_LIBRARY_RELEASE)
    set(NUBIVO_CURL_LIBRARY_FILE "${CURL_LIBRARY_RELEASE}")
else()
    set(NUBIVO_CURL_LIBRARY_FILE "${CURL_LIBRARY}")
endif()
nubivo_soname("${NUBIVO_CURL_LIBRARY_FILE}" "libcurl.so.4" NUBIVO_CURL_SONAME)
nubivo_soname("${FREEIMAGE_LIBRARY}" "libfreeimage.so.3" NUBIVO_FREEIMAGE_SONAME)
