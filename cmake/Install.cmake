# Where things are installed, and the one call that installs a program with its manual page.
#
# The viewer reads Countries/ under its current directory: the folder is installed read-only
# into the viewer's data folder, and the launcher starts the viewer there.
set(NUBIVO_DATA_DIR "${CMAKE_INSTALL_DATADIR}/nubivo-weather-viewer")
set(NUBIVO_FULL_DATA_DIR "${CMAKE_INSTALL_FULL_DATADIR}/nubivo-weather-viewer")
set(NUBIVO_MAN_DIR "${PROJECT_SOURCE_DIR}/docs/man")

# Installs program `target` into bin/ and its page docs/man/TARGET.1, compressed, into
# man1/. Every installed program has a page.
function(nubivo_install_program target)
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # A stripped install (the package) also loses the compilers' version notes, as Debian's
    # own packages do.
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${target}\"
                COMMAND_ERROR_IS_FATAL ANY)
        endif()")
    set(page "${NUBIVO_MAN_DIR}/${target}.1")
    if(NOT EXISTS "${page}")
        message(FATAL_ERROR "${target} has no manual page ${page}")
    endif()
    # The page's heading names the version, which is project()'s.
    file(STRINGS "${page}" heading LIMIT_COUNT 1)
    string(FIND "${heading}" "\"${target} ${PROJECT_VERSION}\"" at)
    if(at LESS 0)
        message(FATAL_ERROR "${page}: its .TH line must name \"${target} ${PROJECT_VERSION}\"")
    endif()
    set(compressed "${PROJECT_BINARY_DIR}/man/${target}.1.gz")
    add_custom_command(
        OUTPUT "${compressed}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECT_BINARY_DIR}/man"
        COMMAND gzip -9 -n -c "${page}" > "${compressed}"
        DEPENDS "${page}"
        COMMENT "Compressing the manual page of ${target}"
        VERBATIM)
    add_custom_target(${target}-man-page ALL DEPENDS "${compressed}")
    install(FILES "${compressed}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endfunction()
