# What `cmake --install` puts in place. Linux: the command-line program, its manual page, its
# bash completion and the documents, in the GNU layout. Windows: both programs and the
# documents side by side, the layout of the zip and of the installer.

if(WIN32)
    install(TARGETS Quillon quillon-convert RUNTIME DESTINATION .)
    install(FILES README.md LICENSE DESTINATION .)
else()
    # The manual page carries the version, so it is filled in at configure time.
    set(QUILLON_MANUAL_PAGE ${CMAKE_BINARY_DIR}/man/quillon-convert.1)
    configure_file(docs/quillon-convert.1.in ${QUILLON_MANUAL_PAGE} @ONLY)

    install(TARGETS quillon-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${QUILLON_MANUAL_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillon)
    # Where bash-completion looks for a command's completion, named after the command.
    install(FILES completion/quillon-convert.bash
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions
            RENAME quillon-convert)
endif()
