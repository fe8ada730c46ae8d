# Packages made with CPack from the install rules (scripts/package runs it in the three trees):
# Linux: quillon_<version>_<arch>.deb; the static tree (QUILLON_STATIC_BINARY):
# quillon-<version>-linux-<arch>.tar.gz and quillon-<version>-1.<arch>.rpm; Windows:
# quillon-<version>-win32.zip and the NSIS installer quillon-<version>-win32-setup.exe.

set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "The Quillon authors")
set(CPACK_PACKAGE_CONTACT "The Quillon authors <quillon@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "writes binary files into FPGA constraints files as block RAM contents")
# Kept under 80 columns a line, as Debian's package descriptions are.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Quillon writes a memory image into an FPGA design's User Constraints File"
    "(UCF) as block RAM INIT constraints: the bytes of a raw binary file (firmware,"
    "a lookup table, any data), or the image that an Intel HEX, Motorola S-record,"
    "ELF or hex word (.mem) file describes. It replaces the lines it wrote last"
    "time, keeps every other byte of the UCF, and renews the EDIF netlist's"
    "last-write time so that the implementation tools pick up the change. It also"
    "reads the image that a UCF holds back into a raw binary or hex word file.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
# Settings that differ between the generators of one tree (the file names).
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/QuillonCPackOptions.cmake)

if(WIN32)
    set(CPACK_GENERATOR "ZIP;NSIS")
    set(CPACK_PACKAGE_FILE_NAME quillon-${PROJECT_VERSION}-win32)

    # The installer: both programs in "Program Files\Quillon", a Start menu shortcut to the
    # dialog, an uninstaller and the entry in the list of installed programs.
    set(CPACK_PACKAGE_INSTALL_DIRECTORY Quillon)
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Quillon)
    set(CPACK_NSIS_PACKAGE_NAME Quillon)
    set(CPACK_NSIS_DISPLAY_NAME Quillon)
    set(CPACK_PACKAGE_EXECUTABLES Quillon Quillon)
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
    set(CPACK_NSIS_INSTALLED_ICON_NAME Quillon.exe)
    set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/Quillon.ico)
    set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/Quillon.ico)
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
    set(uninstall_key "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\")
    string(APPEND uninstall_key ${CPACK_PACKAGE_INSTALL_REGISTRY_KEY})
    # The uninstaller removes its own registry key but not the vendor's key above it: that
    # goes once the uninstall has succeeded, when empty. (Single quotes, since cpack passes
    # double quotes on unescaped; the backslash is escaped for cpack's configuration too.)
    string(JOIN "\n" CPACK_NSIS_DEFINES
        "!define QUILLON_UNINSTALL_KEY '${uninstall_key}'"
        "Function un.onUninstSuccess"
        "  DeleteRegKey /ifempty SHCTX 'Software\\\\${CPACK_PACKAGE_VENDOR}'"
        "FunctionEnd")
    # The component "Add Quillon to PATH" (packaging/nsis/QuillonPath.nsh), on a components
    # page of its own: CPack's template takes these two from here when the project has no
    # CPack components, and its own PATH option (CPACK_NSIS_MODIFY_PATH) would add
    # $INSTDIR\bin, which this layout does not have.
    string(JOIN "\n" CPACK_NSIS_PAGE_COMPONENTS
        "!define MUI_PAGE_CUSTOMFUNCTION_PRE QuillonComponentsPagePre"
        "  !insertmacro MUI_PAGE_COMPONENTS")
    set(CPACK_NSIS_COMPONENT_SECTIONS
        "!include '${PROJECT_SOURCE_DIR}/packaging/nsis/QuillonPath.nsh'")
    # CPack's template writes NoModify and NoRepair as strings; the list of installed programs
    # reads them as DWORDs (1: no Modify or Repair button), so they are written again as such.
    # Then the folder goes on the Path, when the component is chosen; the uninstaller takes it
    # off before the uninstall key that notes it goes.
    string(JOIN "\n" CPACK_NSIS_EXTRA_INSTALL_COMMANDS
        "WriteRegDWORD SHCTX '${uninstall_key}' 'NoModify' 1"
        "WriteRegDWORD SHCTX '${uninstall_key}' 'NoRepair' 1"
        "Call QuillonPathInstall")
    set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "Call un.QuillonPathUninstall")
elseif(QUILLON_STATIC_BINARY)
    # The tarball (its layout and install.sh: cmake/QuillonTarball.cmake, packaging/linux/) and
    # the RPM, both from the static program, which needs no other package.
    set(CPACK_GENERATOR "TGZ;RPM")
    set(CPACK_QUILLON_TARBALL_NAME quillon-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
    set(CPACK_QUILLON_TARBALL_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/QuillonTarball.cmake)
    set(CPACK_QUILLON_TARBALL_FILES ${PROJECT_SOURCE_DIR}/packaging/linux)
    set(CPACK_QUILLON_RPM_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/QuillonRpmDocs.cmake)
    set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
        OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

    set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
    set(CPACK_RPM_PACKAGE_RELEASE 1)
    set(CPACK_RPM_PACKAGE_LICENSE MIT)
    set(CPACK_RPM_PACKAGE_GROUP "Development/Tools")
    set(CPACK_RPM_PACKAGE_SUMMARY
        "Writes binary files into FPGA constraints files as block RAM contents")
    string(JOIN "\n" CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}" ""
        "This package's quillon-convert is linked statically: it needs no other"
        "package, and runs on x86-64 Linux from kernel 3.2 on (RHEL 7 and later).")
    configure_file(cmake/rpm/changelog.in ${CMAKE_BINARY_DIR}/rpm/changelog @ONLY)
    set(CPACK_RPM_CHANGELOG_FILE ${CMAKE_BINARY_DIR}/rpm/changelog)
    # What the RPM of RHEL 7 (rpm 4.11) reads: a gzip payload (not zstd), and no links under
    # /usr/lib/.build-id, which rpm 4.18 would add to the package.
    set(CPACK_RPM_COMPRESSION_TYPE gzip)
    set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none")
    # Nor does rpmbuild work on the staged files once more (its brp scripts would strip the
    # stripped program of its .comment section): the RPM holds the tarball's program.
    set(CPACK_RPM_SPEC_INSTALL_POST /bin/true)
    # The FHS layout of Red Hat's packages: the licence in /usr/share/licenses/quillon, marked
    # as such, the README as a document and the manual page compressed (the licence's move
    # and the compression: cmake/QuillonRpmDocs.cmake). The folders that the system's
    # filesystem and bash-completion packages own are not the package's.
    set(CPACK_RPM_USER_FILELIST
        "%license /usr/share/licenses/quillon/LICENSE" "%doc /usr/share/doc/quillon/README.md")
    set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
        /usr/share/man /usr/share/man/man1 /usr/share/licenses /usr/share/bash-completion
        /usr/share/bash-completion/completions)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # The completion the package installs works only where bash-completion loads it.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS bash-completion)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
        OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    # Debian's layout of the documents: a compressed manual page and changelog, and the
    # licence as the copyright file.
    configure_file(cmake/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
    set(CPACK_QUILLON_DEB_CHANGELOG ${CMAKE_BINARY_DIR}/debian/changelog)
    # The copyright file is the licence under a line that names the package.
    file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
    file(WRITE ${CMAKE_BINARY_DIR}/debian/copyright
         "Quillon: writes binary files into FPGA constraints files as block RAM contents.\n"
         "\nLicense: MIT\n\n${licence}")
    set(CPACK_QUILLON_DEB_COPYRIGHT ${CMAKE_BINARY_DIR}/debian/copyright)
    set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/QuillonDebianDocs.cmake)
endif()

include(CPack)
