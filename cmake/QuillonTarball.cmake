# Run by cpack on the staged files of the Linux tarball, before it packs them. The tarball's
# folder is the installation's layout (bin/, share/) with README.md, LICENSE, install.sh and
# uninstall.sh on top, where one sees them first; install.sh puts README.md and LICENSE in
# PREFIX/share/doc/quillon/, where `cmake --install` puts them.
include(${CMAKE_CURRENT_LIST_DIR}/QuillonStagedDoc.cmake)
quillon_staged_doc(README.md readme)
get_filename_component(doc_dir ${readme} DIRECTORY)
get_filename_component(top ${doc_dir}/../../.. ABSOLUTE)
foreach(file README.md LICENSE)
    file(RENAME ${doc_dir}/${file} ${top}/${file})
endforeach()
file(REMOVE_RECURSE ${top}/share/doc)
foreach(script install.sh uninstall.sh)
    file(COPY ${CPACK_QUILLON_TARBALL_FILES}/${script} DESTINATION ${top}
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                          WORLD_READ WORLD_EXECUTE)
endforeach()
