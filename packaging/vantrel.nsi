; The installer of Vantrel and Corvex, for the current user alone: no administrator rights,
; into the user's programs folder, where the programs' configuration folder (config\ beside
; them) can be written. Built by scripts/package:
;
;   makensis -DVERSION=1.4.0.1 -DARCH=x64 -DSTAGE=<folder> -DICON=<vantrel.ico>
;            -DOUTFILE=<setup.exe> vantrel.nsi
;
; STAGE holds what is installed: the three programs, default.ico, the text files and
; config\cockpit.qmf. The installer writes none of the programs' settings and no file type:
; the programs do that at their first start. Uninstalling removes what the installer put and
; keeps the configurations and the settings; of what the programs registered it removes only
; what would start the removed programs: the start-with-Windows entry and the file type.

!macro REQUIRE name
    !ifndef ${name}
        !error "${name} must be defined"
    !endif
!macroend
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE ARCH
!insertmacro REQUIRE STAGE
!insertmacro REQUIRE ICON
!insertmacro REQUIRE OUTFILE

; The installer is a program of its edition: the x64 one runs where the x64 programs run.
!if ${ARCH} == "x64"
    Target amd64-unicode
!else
    Target x86-unicode
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define PUBLISHER "The Vantrel developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel"
!define SETTINGS_KEY "Software\Vantrel\config"
; The main window classes, to find a running program.
!define EDITOR_WINDOW "VantrelMainWindow"
!define RUNNER_WINDOW "CorvexForm1"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

Name "Vantrel and Corvex ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Vantrel"
; An installation already there is upgraded in its own folder.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Vantrel and Corvex ${VERSION} (${ARCH})"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey "ProductName" "Vantrel and Corvex"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Vantrel and Corvex ${VERSION} (${ARCH}) setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\vantrel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Vantrel"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Files are replaced or removed only while neither program runs. Asks to close them; in
; silent mode, and when the user cancels, the installer or uninstaller ends without a change
; (exit code 2).
!macro WAIT_FOR_PROGRAMS_CLOSED un
Function ${un}WaitForProgramsClosed
    ${Do}
        FindWindow $0 "${EDITOR_WINDOW}"
        FindWindow $1 "${RUNNER_WINDOW}"
        ${If} $0 == 0
        ${AndIf} $1 == 0
            Return
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
            "Vantrel or Corvex is running. Close both programs (Corvex: File > Exit in its \
window or its notification-area menu), then click Retry." \
            /SD IDCANCEL IDRETRY retry
        SetErrorLevel 2
        Quit
retry:
    ${Loop}
FunctionEnd
!macroend
!insertmacro WAIT_FOR_PROGRAMS_CLOSED ""
!insertmacro WAIT_FOR_PROGRAMS_CLOSED "un."

Section "Vantrel and Corvex"
    Call WaitForProgramsClosed
    ; An upgrade keeps what the user has: the sample comes with the first installation only.
    ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"

    SetOutPath "$INSTDIR"
    File "${STAGE}\vantrel.exe"
    File "${STAGE}\corvex.exe"
    File "${STAGE}\qmftool.exe"
    File "${STAGE}\default.ico"
    File "${STAGE}\README.txt"
    File "${STAGE}\LICENSE.txt"
    File "${STAGE}\THIRD-PARTY-NOTICES.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$INSTDIR\config"

    ${If} $R0 == ""
        ; The configuration folder the programs use: the one chosen earlier if any, else
        ; config\ beside them. A file of the same name there is never replaced.
        ReadRegStr $R1 HKCU "${SETTINGS_KEY}" "ConfigPath"
        ${If} $R1 == ""
            StrCpy $R1 "$INSTDIR\config"
        ${EndIf}
        SetOutPath "$R1"
        SetOverwrite off
        File "${STAGE}\config\cockpit.qmf"
        SetOverwrite on
        SetOutPath "$INSTDIR"
    ${EndIf}

    CreateShortcut "$SMPROGRAMS\Vantrel.lnk" "$INSTDIR\vantrel.exe" "" "$INSTDIR\vantrel.exe" 0 \
        SW_SHOWNORMAL "" "Edit key-mapping configurations"
    CreateShortcut "$SMPROGRAMS\Corvex.lnk" "$INSTDIR\corvex.exe" "" "$INSTDIR\corvex.exe" 0 \
        SW_SHOWNORMAL "" "Turn device buttons into keystrokes"

    ; The entry of Settings > Apps, for this user.
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Vantrel and Corvex (${ARCH})"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vantrel.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; The start-with-Windows entry of Corvex, when it starts the copy being removed.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!macro REMOVE_START_ENTRY root
    ReadRegStr $0 ${root} "${RUN_KEY}" "Corvex"
    ${If} $0 == '"$INSTDIR\corvex.exe" /t'
        DeleteRegValue ${root} "${RUN_KEY}" "Corvex"
    ${EndIf}
!macroend

; A verb of the file type, when it starts the copy being removed.
!define FILE_TYPE_KEY "Software\Classes\qmf_file"
!macro REMOVE_VERB verb program
    ReadRegStr $0 HKCU "${FILE_TYPE_KEY}\Shell\${verb}\Command" ""
    ${If} $0 == '"$INSTDIR\${program}" %1'
        DeleteRegKey HKCU "${FILE_TYPE_KEY}\Shell\${verb}"
    ${EndIf}
!macroend

Section "Uninstall"
    Call un.WaitForProgramsClosed
    !insertmacro REMOVE_START_ENTRY HKCU
    !insertmacro REMOVE_START_ENTRY HKLM
    !insertmacro REMOVE_VERB "Run" "corvex.exe"
    !insertmacro REMOVE_VERB "Edit" "vantrel.exe"
    ; The type goes with its last verb; one another program still offers stays.
    EnumRegKey $0 HKCU "${FILE_TYPE_KEY}\Shell" 0
    ${If} $0 == ""
        DeleteRegKey HKCU "${FILE_TYPE_KEY}"
        ReadRegStr $0 HKCU "Software\Classes\.qmf" ""
        ${If} $0 == "qmf_file"
            DeleteRegKey HKCU "Software\Classes\.qmf"
        ${EndIf}
    ${EndIf}
    Delete "$SMPROGRAMS\Vantrel.lnk"
    Delete "$SMPROGRAMS\Corvex.lnk"
    Delete "$INSTDIR\vantrel.exe"
    Delete "$INSTDIR\corvex.exe"
    Delete "$INSTDIR\qmftool.exe"
    Delete "$INSTDIR\default.ico"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: the configurations, and anything else the user put there, stay.
    RMDir "$INSTDIR\config"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
