# Run by cpack on the staged files of the RPM, before it packs them: the licence goes where
# Red Hat's packages keep theirs, /usr/share/licenses/<package>/ (marked %license in the
# RPM's file list, cmake/QuillonPackaging.cmake), and the manual page is compressed.
include(${CMAKE_CURRENT_LIST_DIR}/QuillonStagedDoc.cmake)
quillon_staged_doc(LICENSE licence)
get_filename_component(share ${licence}/../../.. ABSOLUTE)
file(MAKE_DIRECTORY ${share}/licenses/quillon)
file(RENAME ${licence} ${share}/licenses/quillon/LICENSE)
# Manual pages are kept compressed, as in Red Hat's packages (rpmbuild leaves the one that
# cpack stages as it is); -n keeps the package reproducible.
file(GLOB_RECURSE manual_pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(FILTER manual_pages INCLUDE REGEX "/share/man/man1/[^/]*[.]1$")
foreach(page IN LISTS manual_pages)
    execute_process(COMMAND gzip -9nf ${page} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "gzip ${page} failed")
    endif()
endforeach()
