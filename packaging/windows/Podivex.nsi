; The Podivex installer: a per-user install into the local Programs folder, without administrator
; rights, with a Start-menu entry, an installed-programs entry and an uninstaller. /S installs
; silently; that is how the program's own updater runs it over the running copy. Built by
; tools/make-installer.sh, which passes VERSION, ICON, OUTFILE, FILES (the file lists) and maybe
; COMPRESSOR and SIGN. The user's settings in the roaming application data are never touched.
; 64-bit like the program, so that it runs wherever the program can.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
; The suites build with zlib, which is many times faster to pack.
!ifndef COMPRESSOR
    !define COMPRESSOR "/SOLID lzma"
!endif
SetCompressor ${COMPRESSOR}
; A publisher's signing command (SIGN) signs the uninstaller before it is packed and then the
; installer, so that the manifest's digest is that of the signed file.
!ifdef SIGN
    !uninstfinalize '${SIGN} "%1"'
    !finalize '${SIGN} "%1"'
!endif
; A file that cannot be replaced stops the installation; it is never skipped unnoticed.
AllowSkipFiles off

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include "${FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Podivex"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; Two minutes at most for a running copy to quit: the updater quits it right after starting us.
!define WAIT_STEPS 600
!define WAIT_STEP_MS 200

Name "Podivex ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Podivex"
; An update goes where the installed copy is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "Podivex"
VIAddVersionKey /LANG=2052 "FileDescription" "Podivex 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "CompanyName" "Quillmere"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Quillmere"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Podivex.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Var wasRunning
Var fromTemp

; The updater starts the installer from the temporary folder and quits 300 ms later, often before
; the installer first looks: a silent install from there replaces a copy that was running.
Function .onInit
    StrCpy $fromTemp 0
    ${IfNot} ${Silent}
        Return
    ${EndIf}
    ; The temporary folder may be named in its short form; the installer's path is the long one.
    System::Call 'kernel32::GetLongPathNameW(w "$TEMP", w .r0, i ${NSIS_MAX_STRLEN}) i .r1'
    ${If} $1 = 0
        StrCpy $0 $TEMP
    ${EndIf}
    StrLen $2 $0
    StrCpy $3 $EXEDIR $2
    StrCpy $4 $EXEDIR 1 $2
    ${If} $3 == $0
        ${If} $4 == ""
        ${OrIf} $4 == "\"
            StrCpy $fromTemp 1
        ${EndIf}
    ${EndIf}
FunctionEnd

; Waits, bounded, until no Podivex.exe runs from $INSTDIR: Windows refuses to open a running
; program's file for writing. Past the bound the user may retry; a silent run gives up with exit 2.
!macro DEFINE_WAIT_FOR_QUIT un
Function ${un}waitForQuit
    StrCpy $wasRunning 0
    StrCpy $1 0
    ${DoWhile} ${FileExists} "$INSTDIR\Podivex.exe"
        ClearErrors
        FileOpen $0 "$INSTDIR\Podivex.exe" a
        ${IfNot} ${Errors}
            FileClose $0
            ${Break}
        ${EndIf}
        ${If} $wasRunning = 0
            DetailPrint "等待 Podivex 退出…"
        ${EndIf}
        StrCpy $wasRunning 1
        IntOp $1 $1 + 1
        ${If} $1 > ${WAIT_STEPS}
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Podivex 仍在运行。请从托盘菜单退出后重试。" /SD IDCANCEL IDRETRY retry
            SetErrorLevel 2
            Quit
            retry:
            StrCpy $1 0
        ${EndIf}
        Sleep ${WAIT_STEP_MS}
    ${Loop}
FunctionEnd
!macroend
!insertmacro DEFINE_WAIT_FOR_QUIT ""
!insertmacro DEFINE_WAIT_FOR_QUIT "un."

Section
    SetShellVarContext current
    Call waitForQuit
    !insertmacro INSTALL_FILES
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Podivex.lnk" "$INSTDIR\Podivex.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Podivex"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Quillmere"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Podivex.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    ; A presenter's tray program that an update replaced comes back by itself.
    ${If} ${Silent}
        ${If} $wasRunning = 1
        ${OrIf} $fromTemp = 1
            Exec '"$INSTDIR\Podivex.exe"'
        ${EndIf}
    ${EndIf}
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    Call un.waitForQuit
    ; Start at log-on is removed only when it starts this copy, written with or without quotes.
    ReadRegStr $0 HKCU "${RUN_KEY}" "Podivex"
    ${If} $0 == "$INSTDIR\Podivex.exe"
    ${OrIf} $0 == '"$INSTDIR\Podivex.exe"'
        DeleteRegValue HKCU "${RUN_KEY}" "Podivex"
    ${EndIf}
    ; Only what the installer put there, and the report the program writes beside itself: the folder
    ; may have been chosen by hand and hold other files.
    !insertmacro UNINSTALL_FILES
    Delete "$INSTDIR\probe.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Podivex.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
