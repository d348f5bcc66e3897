; The Windows installer, built by scripts/windows.sh with makensis, which
; defines VERSION, OUTFILE, SIZE_KIB and LISTS: the folder of install.nsh and
; uninstall.nsh, the files of the program folder listed one by one, and
; settings.nsh, which removes the settings file only as it was shipped.
;
; Everything goes into one program folder under Program Files, as in the
; zip; the settings file there is the machine's default, which a user
; overrides with %APPDATA%\VexelApp\vexel.ini. An installation over an
; earlier one keeps that file as the administrator left it.
; A 64-bit installer for 64-bit programs: it also runs where there is no
; 32-bit subsystem (a Wine without wine32).
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VexelApp"

Name "VexelApp ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\VexelApp"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "VexelApp ${VERSION}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
    SetRegView 64
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

Section "VexelApp"
    !include "${LISTS}/install.nsh"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    SetShellVarContext all
    CreateDirectory "$SMPROGRAMS\VexelApp"
    CreateShortcut "$SMPROGRAMS\VexelApp\VexelApp.lnk" "$INSTDIR\vexelapp.exe"
    CreateShortcut "$SMPROGRAMS\VexelApp\VexelApp with virtual module.lnk" "$INSTDIR\vexelapp-with-module.exe"
    CreateShortcut "$SMPROGRAMS\VexelApp\Uninstall VexelApp.lnk" "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "VexelApp"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The VexelApp developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vexelapp.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KIB}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there goes, so that a folder chosen by mistake
; (say, Program Files itself) keeps everything else.
Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\VexelApp\VexelApp.lnk"
    Delete "$SMPROGRAMS\VexelApp\VexelApp with virtual module.lnk"
    Delete "$SMPROGRAMS\VexelApp\Uninstall VexelApp.lnk"
    RMDir "$SMPROGRAMS\VexelApp"
    !include "${LISTS}/settings.nsh"
    !include "${LISTS}/uninstall.nsh"
    ; What the virtual module leaves in the program folder when it may write
    ; there: its log and the slots it stored.
    Delete "$INSTDIR\vexel-module.log"
    Delete "$INSTDIR\vexel-module.state"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
