# The files a desktop installation wants besides the programs: manual pages,
# bash completion and AppStream metadata. The programs, the desktop entry and
# the icon are installed by their targets.

set(packaging_source "${PROJECT_SOURCE_DIR}/packaging")
set(packaging_binary "${PROJECT_BINARY_DIR}/packaging")
set(manual_source "${PROJECT_SOURCE_DIR}/docs/man")

# Debian wants manual pages compressed, without a time stamp or name in the
# gzip header. Compressed when configuring, so that an install needs no build
# step of its own; an edit reconfigures.
function(lorvane_gzip source output)
    set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
    execute_process(COMMAND gzip -9nc "${source}" OUTPUT_FILE "${output}" COMMAND_ERROR_IS_FATAL ANY)
endfunction()

file(MAKE_DIRECTORY "${packaging_binary}")
# A program's page and completion come with it only when it is built here.
foreach(program lorvane lorvane-report lorvane-add)
    if(NOT TARGET ${program})
        continue()
    endif()
    lorvane_gzip("${manual_source}/${program}.1" "${packaging_binary}/${program}.1.gz")
    install(FILES "${packaging_binary}/${program}.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
    if(EXISTS "${packaging_source}/completions/${program}")
        install(FILES "${packaging_source}/completions/${program}"
                DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions")
    endif()
endforeach()

install(FILES "${packaging_source}/org.tessivar.Lorvane.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

add_test(NAME manual_pages_format_without_warnings
         COMMAND "${packaging_source}/tests/manpages_test.sh" "${manual_source}")
add_test(NAME completions_offer_options_dates_and_files
         COMMAND "${packaging_source}/tests/completion_test.sh" "${packaging_source}/completions")
