# For the scripts that cpack runs on the staged files: the one staged file `name` of
# share/doc/quillon/, its path in `out`; none or several stop the packaging.
function(quillon_staged_doc name out)
    file(GLOB_RECURSE found "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
    string(REPLACE "." "[.]" pattern "${name}")
    list(FILTER found INCLUDE REGEX "/share/doc/quillon/${pattern}$")
    list(LENGTH found count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "The staged ${name} not found under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
    endif()
    set(${out} ${found} PARENT_SCOPE)
endfunction()
