# Run by cpack on the staged files of the Linux tarball, before it packs them. The tarball's
# folder is the installation's layout (bin/, share/) with README.md, LICENSE, install.sh and
# uninstall.sh on top, where one sees them first; install.sh puts README.md and LICENSE in
# PREFIX/share/doc/quillon/, where `cmake --install` puts them.
file(GLOB_RECURSE readme "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(FILTER readme INCLUDE REGEX "/share/doc/quillon/README[.]md$")
list(LENGTH readme found)
if(NOT found EQUAL 1)
    message(FATAL_ERROR "The staged README not found under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
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
