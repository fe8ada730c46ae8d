# Read by cpack once per generator: the settings that differ between the generators of one
# tree. Windows: the installer's name tells it from the zip. The static tree: the tarball's
# name and layout, and the RPM's documents.
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
elseif(CPACK_GENERATOR STREQUAL "TGZ")
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_QUILLON_TARBALL_NAME}")
    set(CPACK_PRE_BUILD_SCRIPTS "${CPACK_QUILLON_TARBALL_SCRIPT}")
elseif(CPACK_GENERATOR STREQUAL "RPM")
    set(CPACK_PRE_BUILD_SCRIPTS "${CPACK_QUILLON_RPM_SCRIPT}")
endif()
