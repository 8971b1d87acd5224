; The per-user installer, built by scripts/package: makensis
; -DKS_VERSION=<x.y.z> -DKS_BIN=<folder of the two programs> -DKS_OUT=<setup.exe>
; -DKS_ICON=<.ico> -DKS_README=<readme.txt> [-DKS_SIGN=<signing command, %1 the file>].
; The 64-bit stub: the 32-bit one does not start where only 64-bit Windows
; programs run.
Target amd64-unicode
Unicode true
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define KS_NAME "岚舟 Kestrune"
!define KS_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrune"
!define KS_RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The stop request message the service's hidden window understands.
!define KS_STOP_REQUEST 0x8016
!define KS_STOP_WAIT_MS 20000

Name "${KS_NAME}"
OutFile "${KS_OUT}"
InstallDir "$LOCALAPPDATA\Programs\Kestrune"
BrandingText "${KS_NAME} ${KS_VERSION}"
VIProductVersion "${KS_VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "Kestrune（岚舟）"
VIAddVersionKey /LANG=2052 "CompanyName" "Kestrune"
VIAddVersionKey /LANG=2052 "FileDescription" "岚舟本地打印服务安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${KS_VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${KS_VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "© Kestrune"
!ifdef KS_SIGN
  ; Signs the uninstaller when makensis writes it, before it is packed.
  !uninstfinalize '${KS_SIGN}'
!endif

Var autostart       ; 1: the Run value is written
Var launchAfter     ; 1: the service starts when the installer is done
Var wasRunning      ; 1: a running service was stopped for the upgrade
Var autostartBox
Var launchBox

!define MUI_ICON "${KS_ICON}"
!define MUI_UNICON "${KS_ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
Page custom OptionsPage OptionsPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
; The language file's font is 宋体; Windows 10 draws its Chinese UI in this
; one, which is also the name Wine maps to its CJK font.
SetFont /LANG=${LANG_SIMPCHINESE} "Microsoft YaHei UI" 9

; Asks a running service to stop (its hidden window "Kestrune.TrayOwner")
; and waits, within a bound, for its process to end. On time-out it tells the
; user to exit from the tray menu and aborts before anything is changed.
; Sets $wasRunning. The uninstaller needs its own copy under the un. prefix.
!macro StopRunningService prefix
Function ${prefix}StopRunningService
    StrCpy $wasRunning 0
    FindWindow $0 "Kestrune.TrayOwner"
    ${If} $0 == 0
        Return
    ${EndIf}
    StrCpy $wasRunning 1
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'   ; SYNCHRONIZE
    System::Call 'user32::PostMessageW(p r0, i ${KS_STOP_REQUEST}, p 0, p 0)'
    ${If} $2 P<> 0
        System::Call 'kernel32::WaitForSingleObject(p r2, i ${KS_STOP_WAIT_MS}) i .r3'
        System::Call 'kernel32::CloseHandle(p r2)'
    ${Else}
        StrCpy $3 0   ; already gone
    ${EndIf}
    ${If} $3 != 0
        MessageBox MB_ICONSTOP|MB_OK "岚舟仍在运行，无法继续。请在托盘图标的菜单中选择“停止服务并退出”，然后重新运行本程序。" /SD IDOK
        SetErrorLevel 3
        Quit
    ${EndIf}
FunctionEnd
!macroend
!insertmacro StopRunningService ""
!insertmacro StopRunningService "un."

Function .onInit
    ; Autostart: kept as it is on an upgrade, off on a first install; the
    ; command line's /AUTOSTART=0|1 decides over both.
    ReadRegStr $0 HKCU "${KS_RUN_KEY}" "Kestrune"
    ${If} $0 != ""
        StrCpy $autostart 1
    ${Else}
        StrCpy $autostart 0
    ${EndIf}
    StrCpy $launchAfter 1
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/AUTOSTART=" $2
    ${IfNot} ${Errors}
        StrCpy $autostart $2
    ${EndIf}
    ClearErrors
    ${GetOptions} $1 "/LAUNCH=" $2
    ${IfNot} ${Errors}
        StrCpy $launchAfter $2
    ${EndIf}
FunctionEnd

Function OptionsPage
    !insertmacro MUI_HEADER_TEXT "选项" "选择岚舟的启动方式。"
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateCheckbox} 0 0 100% 14u "登录 Windows 时自动启动岚舟"
    Pop $autostartBox
    ${If} $autostart == 1
        ${NSD_Check} $autostartBox
    ${EndIf}
    ${NSD_CreateCheckbox} 0 22u 100% 14u "安装完成后启动岚舟"
    Pop $launchBox
    ${If} $launchAfter == 1
        ${NSD_Check} $launchBox
    ${EndIf}
    nsDialogs::Show
FunctionEnd

Function OptionsPageLeave
    ${NSD_GetState} $autostartBox $autostart
    ${NSD_GetState} $launchBox $launchAfter
FunctionEnd

Section "Kestrune"
    Call StopRunningService
    SetOutPath "$INSTDIR"
    File "${KS_BIN}/kestrune.exe"
    File "${KS_BIN}/kestrune-cli.exe"
    File "/oname=readme.txt" "${KS_README}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${KS_NAME}.lnk" "$INSTDIR\kestrune.exe"

    WriteRegStr HKCU "${KS_UNINSTALL_KEY}" "DisplayName" "${KS_NAME}"
    WriteRegStr HKCU "${KS_UNINSTALL_KEY}" "DisplayVersion" "${KS_VERSION}"
    WriteRegStr HKCU "${KS_UNINSTALL_KEY}" "Publisher" "Kestrune"
    WriteRegStr HKCU "${KS_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${KS_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kestrune.exe,0"
    WriteRegStr HKCU "${KS_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${KS_UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${KS_UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${KS_UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${KS_UNINSTALL_KEY}" "EstimatedSize" $0

    ${If} $autostart == 1
        WriteRegStr HKCU "${KS_RUN_KEY}" "Kestrune" '"$INSTDIR\kestrune.exe"'
    ${Else}
        DeleteRegValue HKCU "${KS_RUN_KEY}" "Kestrune"
    ${EndIf}
    ${If} $launchAfter == 1
    ${OrIf} $wasRunning == 1
        Exec '"$INSTDIR\kestrune.exe"'
    ${EndIf}
SectionEnd

Section "Uninstall"
    Call un.StopRunningService
    Delete "$INSTDIR\kestrune.exe"
    Delete "$INSTDIR\kestrune-cli.exe"
    Delete "$INSTDIR\readme.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${KS_NAME}.lnk"
    DeleteRegKey HKCU "${KS_UNINSTALL_KEY}"
    DeleteRegValue HKCU "${KS_RUN_KEY}" "Kestrune"
SectionEnd
