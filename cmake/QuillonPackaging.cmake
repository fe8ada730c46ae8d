# Packages made with CPack from the install rules (scripts/package runs it in both trees):
# Linux: quillon_<version>_<arch>.deb; Windows: quillon-<version>-win32.zip and the NSIS
# installer quillon-<version>-win32-setup.exe.

set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "The Quillon authors")
set(CPACK_PACKAGE_CONTACT "The Quillon authors <quillon@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "writes binary files into FPGA constraints files as block RAM contents")
# Kept under 80 columns a line, as Debian's package descriptions are.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Quillon writes the bytes of a raw binary file (firmware, a lookup table, any"
    "data) into an FPGA design's User Constraints File (UCF) as block RAM INIT"
    "constraints. It replaces the lines it wrote last time, keeps every other byte"
    "of the UCF, and renews the EDIF netlist's last-write time so that the"
    "implementation tools pick up the change.")
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
    # The uninstaller removes its own registry key but not the vendor's key above it: that
    # goes once the uninstall has succeeded, when empty. (Single quotes, since cpack passes
    # double quotes on unescaped; the backslash is escaped for cpack's configuration too.)
    string(JOIN "\n" CPACK_NSIS_DEFINES
        "Function un.onUninstSuccess"
        "  DeleteRegKey /ifempty SHCTX 'Software\\\\${CPACK_PACKAGE_VENDOR}'"
        "FunctionEnd")
    # CPack's template writes NoModify and NoRepair as strings; the list of installed programs
    # reads them as DWORDs (1: no Modify or Repair button), so they are written again as such.
    set(uninstall_key "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\")
    string(APPEND uninstall_key ${CPACK_PACKAGE_INSTALL_REGISTRY_KEY})
    string(JOIN "\n" CPACK_NSIS_EXTRA_INSTALL_COMMANDS
        "WriteRegDWORD SHCTX '${uninstall_key}' 'NoModify' 1"
        "WriteRegDWORD SHCTX '${uninstall_key}' 'NoRepair' 1")
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
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
