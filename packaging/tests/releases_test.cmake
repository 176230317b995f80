# The changelog's newest entry and the AppStream release list must name the
# version the build gives the programs.
file(STRINGS "${PACKAGING}/changelog" first_line LIMIT_COUNT 1)
if(NOT first_line MATCHES "^lorvane \\(${VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog starts with \"${first_line}\", not an entry for ${VERSION}")
endif()
file(READ "${PACKAGING}/org.tessivar.Lorvane.metainfo.xml" metainfo)
if(NOT metainfo MATCHES "<release version=\"${VERSION}\"")
    message(FATAL_ERROR "the metainfo has no release ${VERSION}")
endif()
