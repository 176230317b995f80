# The files a desktop installation wants besides the programs (manual pages,
# bash completion, AppStream metadata, copyright and changelog) and the Debian
# package: `cpack -G DEB` in the build folder gives lorvane_<version>_amd64.deb.
# The programs, the desktop entry and the icon are installed by their targets.

set(packaging_source "${PROJECT_SOURCE_DIR}/packaging")
set(packaging_binary "${PROJECT_BINARY_DIR}/packaging")
set(manual_source "${PROJECT_SOURCE_DIR}/docs/man")
set(doc_dir "${CMAKE_INSTALL_DATADIR}/doc/lorvane")

# Debian wants manual pages and the changelog compressed, without a time
# stamp or name in the gzip header. Compressed when configuring, so that an
# install needs no build step of its own; an edit reconfigures.
function(lorvane_gzip source output)
    set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
    execute_process(COMMAND gzip -9nc "${source}" OUTPUT_FILE "${output}" COMMAND_ERROR_IS_FATAL ANY)
endfunction()

file(MAKE_DIRECTORY "${packaging_binary}")
# What the package needs built: the programs, and nothing else.
add_custom_target(lorvane-programs)
# A program's page and completion come with it only when it is built here.
foreach(program lorvane lorvane-report lorvane-add lorvane-check)
    if(NOT TARGET ${program})
        continue()
    endif()
    add_dependencies(lorvane-programs ${program})
    if(NOT program STREQUAL "lorvane")
        list(APPEND packaged_commands ${program})
    endif()
    lorvane_gzip("${manual_source}/${program}.1" "${packaging_binary}/${program}.1.gz")
    install(FILES "${packaging_binary}/${program}.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
    if(EXISTS "${packaging_source}/completions/${program}")
        install(FILES "${packaging_source}/completions/${program}"
                DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions")
    endif()
endforeach()

install(FILES "${packaging_source}/org.tessivar.Lorvane.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
lorvane_gzip("${packaging_source}/changelog" "${packaging_binary}/changelog.gz")
install(FILES "${packaging_source}/copyright" "${packaging_binary}/changelog.gz" DESTINATION "${doc_dir}")

if(BUILD_TESTING)
  add_test(NAME manual_pages_format_without_warnings
           COMMAND "${packaging_source}/tests/manpages_test.sh" "${manual_source}")
  add_test(NAME completions_offer_options_dates_and_files
           COMMAND "${packaging_source}/tests/completion_test.sh" "${packaging_source}/completions")
  add_test(NAME release_notes_name_the_project_version
           COMMAND "${CMAKE_COMMAND}" -DVERSION=${PROJECT_VERSION} -DPACKAGING=${packaging_source}
                   -P "${packaging_source}/tests/releases_test.cmake")
endif()

# Installing (and so packaging) takes what has been built instead of building
# everything first: the package needs only the programs, not the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

list(JOIN packaged_commands ", " packaged_commands)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lorvane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR Tessivar)
set(CPACK_PACKAGE_CONTACT "Lorvane maintainers <maintainers@lorvane.example.org>")
# A placeholder until the project has a public site; the metainfo has it too.
set(CPACK_PACKAGE_HOMEPAGE_URL "https://lorvane.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "change report from the comment headers of source files")
set(CPACK_PACKAGE_DESCRIPTION
    "Lorvane finds the .pas, .sql, .dpr and .dpk files of a folder tree, reads the
dated change list in the comment header of each file, and writes the change
report of a chosen date window as plain text or HTML fragments. It checks the
headers while reading: a missing header or change list, an unreadable first
date, copyright years that do not match the changes.
.
This package holds the desktop program lorvane and the command-line programs:
${packaged_commands}.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs are shown in Russian; the window needs a platform plugin.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
