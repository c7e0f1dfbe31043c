; The Windows installer (64-bit, as the program): a per-user installation, which needs no
; administrator's rights, into %LOCALAPPDATA%\Programs\Agendix with a Start-menu entry and an
; uninstaller, listed under the user's installed programs. The uninstaller also removes the
; program's start-at-log-in value.
; makensis -DVERSION=x.y.z -DPROGRAM=agendix.exe -DAGENDA=agendix-agenda.exe -DICON=agendix.ico
;          -DOUTFILE=setup.exe agendix.nsi

Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define APP "Agendix"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${APP}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

!include "MUI2.nsh"
!include "WinMessages.nsh"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\agendix.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${APP}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${APP} installer"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${APP} authors"

; A running copy holds its program file: it is asked to end as its "Exit" would (the options
; window, hidden or not, takes WM_CLOSE for that) and given up to five seconds.
!macro CLOSE_RUNNING_PROGRAM prefix
Function ${prefix}CloseRunningProgram
    StrCpy $1 0
    again:
        FindWindow $0 "AgendixOptions"
        StrCmp $0 0 closed
        SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
        Sleep 250
        IntOp $1 $1 + 1
        IntCmp $1 20 closed again closed
    closed:
        ; The process ends a moment after its window.
        Sleep 500
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING_PROGRAM ""
!insertmacro CLOSE_RUNNING_PROGRAM "un."

Section "Install"
    SetShellVarContext current
    Call CloseRunningProgram
    SetOutPath "$INSTDIR"
    File "/oname=agendix.exe" "${PROGRAM}"
    File "/oname=agendix-agenda.exe" "${AGENDA}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\agendix.exe"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\agendix.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The options stay in the user's settings: a later installation finds them again.
Section "Uninstall"
    Call un.CloseRunningProgram
    SetShellVarContext current
    Delete "$SMPROGRAMS\${APP}.lnk"
    Delete "$INSTDIR\agendix.exe"
    Delete "$INSTDIR\agendix-agenda.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegValue HKCU "${RUN_KEY}" "${APP}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
