; The installer of Vantrel and Corvex, for the current user alone: no administrator rights,
; into the user's programs folder, where the programs' configuration folder (config\ beside
; them) can be written. Built by scripts/package:
;
;   makensis -DVERSION=1.4.1 -DFILE_VERSION=1.4.0.1 -DARCH=x64 -DSTAGE=<folder>
;            -DHELP_LIST=<help.nsh> -DICON=<vantrel.ico> -DOUTFILE=<setup.exe> vantrel.nsi
;
; VERSION is the version users see (major.minor.revision), FILE_VERSION the four-part one of
; the programs' version headers. STAGE holds what is installed: the three programs,
; default.ico, the text files, help\ (the user guide) and config\cockpit.qmf. HELP_LIST
; defines the macros INSTALL_HELP and REMOVE_HELP, which install and remove the files of
; help\ by name.
;
; The installer writes none of the programs' settings and no file type (the programs do that
; at their first start), unless asked to start Corvex with Windows: then it writes what
; Corvex's Preferences write for it. Installing a version older than the one installed asks
; first. Uninstalling removes what the installer put and keeps the configurations and the
; settings unless asked to remove them too; of what the programs registered it removes only
; what would start the removed programs: the start-with-Windows entry and the file type.
;
; Command line (besides /S and /D=FOLDER): the installer's /DESKTOP adds the desktop
; shortcuts, /AUTOSTART starts Corvex with Windows; the uninstaller's /PURGE also removes the
; configurations and the settings. Exit codes: 0 done, 1 cancelled, 2 Vantrel or Corvex runs,
; 3 a newer version is installed (the installer; nothing was changed).

!macro REQUIRE name
    !ifndef ${name}
        !error "${name} must be defined"
    !endif
!macroend
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE FILE_VERSION
!insertmacro REQUIRE ARCH
!insertmacro REQUIRE STAGE
!insertmacro REQUIRE HELP_LIST
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
!define SETTINGS_ROOT_KEY "Software\Vantrel"
!define SETTINGS_KEY "Software\Vantrel\config"
!define RUNNER_PREF_KEY "Software\Vantrel\Runvex\pref"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The main window classes, to find a running program.
!define EDITOR_WINDOW "VantrelMainWindow"
!define RUNNER_WINDOW "CorvexForm1"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include Sections.nsh
!include "${HELP_LIST}"

Name "Vantrel and Corvex ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Vantrel"
; An installation already there is upgraded in its own folder.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Vantrel and Corvex ${VERSION} (${ARCH})"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey "ProductName" "Vantrel and Corvex"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${FILE_VERSION}"
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
!define MUI_COMPONENTSPAGE_SMALLDESC

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
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

Section "Vantrel and Corvex" SecPrograms
    SectionIn RO
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
    !insertmacro INSTALL_HELP
    SetOutPath "$INSTDIR"
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

Section /o "Desktop shortcuts" SecDesktop
    CreateShortcut "$DESKTOP\Vantrel.lnk" "$INSTDIR\vantrel.exe" "" "$INSTDIR\vantrel.exe" 0 \
        SW_SHOWNORMAL "" "Edit key-mapping configurations"
    CreateShortcut "$DESKTOP\Corvex.lnk" "$INSTDIR\corvex.exe" "" "$INSTDIR\corvex.exe" 0 \
        SW_SHOWNORMAL "" "Turn device buttons into keystrokes"
SectionEnd

; As Corvex's Preferences write it: the machine's entry, else the user's own, read back since
; a refused write says nothing; one entry only; "launch" says whether it was written.
Section /o "Start Corvex with Windows" SecStart
    StrCpy $0 '"$INSTDIR\corvex.exe" /t'
    WriteRegStr HKLM "${RUN_KEY}" "Corvex" $0
    ReadRegStr $1 HKLM "${RUN_KEY}" "Corvex"
    ${If} $1 == $0
        DeleteRegValue HKCU "${RUN_KEY}" "Corvex"
    ${Else}
        WriteRegStr HKCU "${RUN_KEY}" "Corvex" $0
        ReadRegStr $1 HKCU "${RUN_KEY}" "Corvex"
        ${If} $1 != $0
            MessageBox MB_OK|MB_ICONEXCLAMATION "Corvex could not be set to start with Windows: \
neither the machine's nor your own startup entry could be written." /SD IDOK
            WriteRegStr HKCU "${RUNNER_PREF_KEY}" "launch" "False"
            Return
        ${EndIf}
    ${EndIf}
    WriteRegStr HKCU "${RUNNER_PREF_KEY}" "launch" "True"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecPrograms} \
        "Vantrel, Corvex and qmftool, with Vantrel and Corvex in the Start menu."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "Vantrel and Corvex on the desktop."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecStart} \
        "Corvex starts when you sign in to Windows (its Preferences: Launch on Windows startup)."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; A version of the Apps entry as users see it: major.minor.revision (earlier installers wrote
; all four parts, the build part 0).
Function ShownVersion
    Exch $0
    Push $1
    Push $2
    ${WordFind} $0 "." "#" $1
    ${If} $1 == 4
        ${WordFind} $0 "." "+1" $1
        ${WordFind} $0 "." "+2" $2
        ${WordFind} $0 "." "+4" $0
        StrCpy $0 "$1.$2.$0"
    ${EndIf}
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

Function .onInit
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/DESKTOP" $1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecDesktop}
    ${EndIf}
    ClearErrors
    ${GetOptions} $0 "/AUTOSTART" $1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecStart}
    ${EndIf}

    ; An older version over a newer one only when the user says so; silently never.
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "DisplayVersion"
    ${If} $0 != ""
        Push $0
        Call ShownVersion
        Pop $0
        ${VersionCompare} $0 "${VERSION}" $1
        ${If} $1 == 1
            MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Vantrel and Corvex $0 is \
installed, a newer version than this one, ${VERSION}.$\r$\n$\r$\nReplace it with ${VERSION}?" \
                /SD IDNO IDYES older
            SetErrorLevel 3
            Quit
older:
        ${EndIf}
    ${EndIf}
FunctionEnd

; The start-with-Windows entry of Corvex, when it starts the copy being removed.
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

; The configuration folder of the settings (else config\ beside the programs), no final "\".
Var ConfigFolder

Section "un.Vantrel and Corvex" SecUnPrograms
    SectionIn RO
    Call un.WaitForProgramsClosed
    !insertmacro REMOVE_START_ENTRY HKCU
    !insertmacro REMOVE_START_ENTRY HKLM
    ; "launch" says whether Corvex starts with Windows: with no entry left, it does not.
    ReadRegStr $0 HKLM "${RUN_KEY}" "Corvex"
    ReadRegStr $1 HKCU "${RUN_KEY}" "Corvex"
    ReadRegStr $2 HKCU "${RUNNER_PREF_KEY}" "launch"
    ${If} "$0$1" == ""
    ${AndIf} $2 != ""
        WriteRegStr HKCU "${RUNNER_PREF_KEY}" "launch" "False"
    ${EndIf}
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
    Delete "$DESKTOP\Vantrel.lnk"
    Delete "$DESKTOP\Corvex.lnk"
    Delete "$INSTDIR\vantrel.exe"
    Delete "$INSTDIR\corvex.exe"
    Delete "$INSTDIR\qmftool.exe"
    Delete "$INSTDIR\default.ico"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
    !insertmacro REMOVE_HELP
    Delete "$INSTDIR\uninstall.exe"
SectionEnd

; The configurations of a folder: its .qmf files, nothing else, no subfolder.
Function un.RemoveConfigurations
    Exch $0
    Push $1
    Push $2
    Push $3
    ; An absolute folder only ("C:\..." or "\\server\..."); a wildcard finds nothing.
    StrCpy $1 $0 1 1
    StrCpy $2 $0 2
    ${If} $1 == ":"
    ${OrIf} $2 == "\\"
        FindFirst $1 $2 "$0\*.qmf"
        ${DoWhile} $2 != ""
            ; Exactly .qmf: the pattern also matches longer extensions through short names.
            StrCpy $3 $2 "" -4
            ${If} $3 == ".qmf"
                Delete "$0\$2"
            ${EndIf}
            FindNext $1 $2
        ${Loop}
        FindClose $1
    ${EndIf}
    Pop $3
    Pop $2
    Pop $1
    Pop $0
FunctionEnd

Section /o "un.Configurations and settings" SecUnPurge
    Push $ConfigFolder
    Call un.RemoveConfigurations
    ${If} $ConfigFolder != "$INSTDIR\config"
        Push "$INSTDIR\config"
        Call un.RemoveConfigurations
    ${EndIf}
    DeleteRegKey HKCU "${SETTINGS_ROOT_KEY}"
SectionEnd

Section "-un.Folders"
    ; Only when empty: what the user keeps there, and anything else put there, stays.
    RMDir "$INSTDIR\config"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecUnPrograms} \
        "The programs, their shortcuts, Corvex's start with Windows and the .qmf file type."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecUnPurge} "Your configurations (the .qmf files in \
$ConfigFolder) and the settings of both programs. Other files there, and configurations in \
other folders, stay."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
    ReadRegStr $ConfigFolder HKCU "${SETTINGS_KEY}" "ConfigPath"
    ${If} $ConfigFolder == ""
        StrCpy $ConfigFolder "$INSTDIR\config"
    ${EndIf}
    StrCpy $0 $ConfigFolder "" -1
    ${If} $0 == "\"
        StrCpy $ConfigFolder $ConfigFolder -1
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/PURGE" $1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecUnPurge}
    ${EndIf}
FunctionEnd
