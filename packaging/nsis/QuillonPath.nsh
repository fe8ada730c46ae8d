; The installer's "Add Quillon to PATH" component, included by CPack's NSIS template where the
; component sections go (cmake/QuillonPackaging.cmake). Selected by default: the install
; folder is appended to the Path of the user or, for an all-users install ($SV_ALLUSERS, set by
; the template's .onInit), of the system, and WM_SETTINGCHANGE tells the running programs.
; The uninstall key notes the entry and where it went, and the uninstaller removes exactly
; that entry and nothing else of the Path. A silent install (/S) adds it unless /NOPATH is
; given; the components page starts with it cleared then.
;
; NSIS strings hold at most ${NSIS_MAX_STRLEN} - 1 characters: a Path that is longer, or would
; be with the folder, is left alone (the installer says so), never cut short.

!include LogicLib.nsh
!include WinMessages.nsh
!include FileFunc.nsh

!define QUILLON_SYSTEM_ENVIRONMENT "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
!define QUILLON_USER_ENVIRONMENT "Environment"

Var QuillonAddPath        ; 1: the component is selected (and not left out by /S /NOPATH)
Var QuillonPathPageSeen   ; the components page took /NOPATH into account already
Var QuillonPath           ; the Path as read
Var QuillonPathState      ; "ok", "missing", or "unreadable" (too long, or not a string)
Var QuillonPathRoot       ; HKLM or HKCU
Var QuillonPathIndex
Var QuillonPathSegment
Var QuillonPathChar
Var QuillonPathResult
Var QuillonPathEntry      ; the uninstaller's: the entry the install added
Var QuillonPathFound

Section "Add Quillon to PATH" QuillonPathSection
    ClearErrors
    ${GetParameters} $QuillonPathResult
    ${GetOptions} $QuillonPathResult "/NOPATH" $QuillonPathChar
    ${If} ${Silent}
    ${AndIfNot} ${Errors}
        DetailPrint "/NOPATH: the Path is left as it is"
    ${Else}
        StrCpy $QuillonAddPath 1
    ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${QuillonPathSection} \
        "Appends the install folder to the Path, so that quillon-convert runs from any command prompt or Makefile. The uninstaller takes it off again."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; The components page's pre-function: /NOPATH clears the component the first time it shows.
Function QuillonComponentsPagePre
    ${If} $QuillonPathPageSeen != 1
        StrCpy $QuillonPathPageSeen 1
        ClearErrors
        ${GetParameters} $QuillonPathResult
        ${GetOptions} $QuillonPathResult "/NOPATH" $QuillonPathChar
        ${IfNot} ${Errors}
            !insertmacro UnselectSection ${QuillonPathSection}
        ${EndIf}
    ${EndIf}
FunctionEnd

; Reads $QuillonPathRoot's Path into $QuillonPath and sets $QuillonPathState. ReadRegStr fails
; both for a missing value and for one too long for an NSIS string, so a failed read looks for
; the value's name.
!macro QuillonReadPathFunction UN
Function ${UN}QuillonReadPath
    ClearErrors
    ${If} $QuillonPathRoot == "HKLM"
        ReadRegStr $QuillonPath HKLM "${QUILLON_SYSTEM_ENVIRONMENT}" "Path"
    ${Else}
        ReadRegStr $QuillonPath HKCU "${QUILLON_USER_ENVIRONMENT}" "Path"
    ${EndIf}
    ${IfNot} ${Errors}
        StrCpy $QuillonPathState "ok"
        Return
    ${EndIf}
    StrCpy $QuillonPathState "missing"
    StrCpy $QuillonPathIndex 0
    ${Do}
        ${If} $QuillonPathRoot == "HKLM"
            EnumRegValue $QuillonPathSegment HKLM "${QUILLON_SYSTEM_ENVIRONMENT}" $QuillonPathIndex
        ${Else}
            EnumRegValue $QuillonPathSegment HKCU "${QUILLON_USER_ENVIRONMENT}" $QuillonPathIndex
        ${EndIf}
        ${If} $QuillonPathSegment == ""
            ${Break}
        ${EndIf}
        ${If} $QuillonPathSegment == "Path" ; StrCmp ignores the letter case, as Windows does
            StrCpy $QuillonPathState "unreadable"
            ${Break}
        ${EndIf}
        IntOp $QuillonPathIndex $QuillonPathIndex + 1
    ${Loop}
    StrCpy $QuillonPath ""
FunctionEnd

; Writes $QuillonPath back as $QuillonPathRoot's Path (an expandable string, as Windows keeps
; it) and tells the running programs.
Function ${UN}QuillonWritePath
    ${If} $QuillonPathRoot == "HKLM"
        WriteRegExpandStr HKLM "${QUILLON_SYSTEM_ENVIRONMENT}" "Path" $QuillonPath
    ${Else}
        WriteRegExpandStr HKCU "${QUILLON_USER_ENVIRONMENT}" "Path" $QuillonPath
    ${EndIf}
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
FunctionEnd
!macroend
!insertmacro QuillonReadPathFunction ""
!insertmacro QuillonReadPathFunction "un."

; Called at the end of the core installation (CPACK_NSIS_EXTRA_INSTALL_COMMANDS).
Function QuillonPathInstall
    ${If} $QuillonAddPath != 1
        Return
    ${EndIf}
    ${If} $SV_ALLUSERS == "AllUsers"
        StrCpy $QuillonPathRoot "HKLM"
    ${Else}
        StrCpy $QuillonPathRoot "HKCU"
    ${EndIf}
    Call QuillonReadPath
    ${If} $QuillonPathState == "unreadable"
        MessageBox MB_OK|MB_ICONEXCLAMATION "The Path is too long for this installer to change it safely, and is left as it is. Add $INSTDIR to it by hand to run quillon-convert from any folder." /SD IDOK
        Return
    ${EndIf}
    ; Already there (with or without a closing backslash): nothing to add, and so nothing for
    ; the uninstaller to remove.
    StrCpy $QuillonPathIndex 0
    StrCpy $QuillonPathSegment ""
    ${Do}
        StrCpy $QuillonPathChar $QuillonPath 1 $QuillonPathIndex
        ${If} $QuillonPathChar == ";"
        ${OrIf} $QuillonPathChar == ""
            ${If} $QuillonPathSegment == $INSTDIR
            ${OrIf} $QuillonPathSegment == "$INSTDIR\"
                DetailPrint "$INSTDIR is on the Path already"
                Return
            ${EndIf}
            ${If} $QuillonPathChar == ""
                ${Break}
            ${EndIf}
            StrCpy $QuillonPathSegment ""
        ${Else}
            StrCpy $QuillonPathSegment "$QuillonPathSegment$QuillonPathChar"
        ${EndIf}
        IntOp $QuillonPathIndex $QuillonPathIndex + 1
    ${Loop}
    StrLen $QuillonPathIndex $QuillonPath
    StrLen $QuillonPathResult $INSTDIR
    IntOp $QuillonPathIndex $QuillonPathIndex + $QuillonPathResult
    IntOp $QuillonPathIndex $QuillonPathIndex + 1
    ${If} $QuillonPathIndex >= ${NSIS_MAX_STRLEN}
        MessageBox MB_OK|MB_ICONEXCLAMATION "The Path is too long for this installer to change it safely, and is left as it is. Add $INSTDIR to it by hand to run quillon-convert from any folder." /SD IDOK
        Return
    ${EndIf}
    ; The uninstaller deletes a value that the install created and that holds only the folder.
    WriteRegStr SHCTX "${QUILLON_UNINSTALL_KEY}" "PathEntry" $INSTDIR
    WriteRegStr SHCTX "${QUILLON_UNINSTALL_KEY}" "PathRoot" $QuillonPathRoot
    ${If} $QuillonPathState == "missing"
        WriteRegDWORD SHCTX "${QUILLON_UNINSTALL_KEY}" "PathCreated" 1
        StrCpy $QuillonPath $INSTDIR
    ${Else}
        StrCpy $QuillonPathChar $QuillonPath 1 -1
        ${If} $QuillonPath == ""
        ${OrIf} $QuillonPathChar == ";"
            StrCpy $QuillonPath "$QuillonPath$INSTDIR"
        ${Else}
            StrCpy $QuillonPath "$QuillonPath;$INSTDIR"
        ${EndIf}
    ${EndIf}
    Call QuillonWritePath
    DetailPrint "Added $INSTDIR to the Path ($QuillonPathRoot)"
FunctionEnd

; Called by the uninstaller before the uninstall key goes (CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS):
; removes the first entry of the Path that equals the one the install added (the letter case
; aside, as Windows compares), keeping every other entry and separator as it is.
Function un.QuillonPathUninstall
    ClearErrors
    ReadRegStr $QuillonPathEntry SHCTX "${QUILLON_UNINSTALL_KEY}" "PathEntry"
    ReadRegStr $QuillonPathRoot SHCTX "${QUILLON_UNINSTALL_KEY}" "PathRoot"
    ${If} ${Errors}
    ${OrIf} $QuillonPathEntry == ""
        Return
    ${EndIf}
    Call un.QuillonReadPath
    ${If} $QuillonPathState != "ok"
        DetailPrint "The Path could not be read: $QuillonPathEntry is left on it"
        Return
    ${EndIf}
    StrCpy $QuillonPathResult ""
    StrCpy $QuillonPathSegment ""
    StrCpy $QuillonPathIndex 0
    StrCpy $QuillonPathFound ""
    ${Do}
        StrCpy $QuillonPathChar $QuillonPath 1 $QuillonPathIndex
        ${If} $QuillonPathChar == ";"
        ${OrIf} $QuillonPathChar == ""
            ${If} $QuillonPathFound != 1
            ${AndIf} $QuillonPathSegment == $QuillonPathEntry
                StrCpy $QuillonPathFound 1
            ${Else}
                StrCpy $QuillonPathResult "$QuillonPathResult$QuillonPathSegment;"
            ${EndIf}
            ${If} $QuillonPathChar == ""
                ${Break}
            ${EndIf}
            StrCpy $QuillonPathSegment ""
        ${Else}
            StrCpy $QuillonPathSegment "$QuillonPathSegment$QuillonPathChar"
        ${EndIf}
        IntOp $QuillonPathIndex $QuillonPathIndex + 1
    ${Loop}
    ${If} $QuillonPathFound != 1
        DetailPrint "$QuillonPathEntry is no longer on the Path"
        Return
    ${EndIf}
    ; Each kept entry got a ";" after it: the last one goes.
    StrCpy $QuillonPath $QuillonPathResult -1
    ReadRegDWORD $QuillonPathIndex SHCTX "${QUILLON_UNINSTALL_KEY}" "PathCreated"
    ${If} $QuillonPath == ""
    ${AndIf} $QuillonPathIndex == 1
        ${If} $QuillonPathRoot == "HKLM"
            DeleteRegValue HKLM "${QUILLON_SYSTEM_ENVIRONMENT}" "Path"
        ${Else}
            DeleteRegValue HKCU "${QUILLON_USER_ENVIRONMENT}" "Path"
        ${EndIf}
        SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${Else}
        Call un.QuillonWritePath
    ${EndIf}
    DetailPrint "Removed $QuillonPathEntry from the Path ($QuillonPathRoot)"
FunctionEnd
