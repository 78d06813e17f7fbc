; The product's installer and uninstaller, skinned by VXMelodiskNsis.dll.
; The build passes VERSION, BIN (the built programs and the plug-in), FILES (the installed files,
; generated), ICON and OUT.
;   VxMelodiskSetup.exe [/S] [/D=folder]       a user's installation; /S without pages
;   VxMdInstaller.exe "package" "program"      the update flow: installs silently into the program
;                                              folder once the main program has closed
Unicode true
!addplugindir /x86-unicode "${BIN}"
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include WinMessages.nsh
!include "${FILES}"

!define PRODUCT "Vx音乐网盘"
!define VENDOR_KEY "Software\Vixo\VxMelodisk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VxMelodisk"
!define INSTANCE_MUTEX "Global\VixoMelodiskMainProcMutex_20110427"
; Held by the updater while it runs a task (it ends a few seconds after its download).
!define UPDATER_MUTEX_MELODISK "VxMelodisk_Update_Melodisk_VxMd_Update_20110627"
!define UPDATER_MUTEX_PLAYDECK "VxMelodisk_Update_Playdeck_VxMd_Update_20110627"
!define SERVICE "VxMdService"
; Below the common application-data folder, where the programs read them.
!define DATA_DIR "$APPDATA\Vixo\VxMelodisk"
!define CONFIG_FILE "${DATA_DIR}\config\config.ini"
!define USER_FILE "${DATA_DIR}\user.ini"
!define SETUP_LOG "${DATA_DIR}\log\setup.log"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} 安装"
UninstallCaption "${PRODUCT} 卸载"
OutFile "${OUT}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES\Vixo\VxMelodisk"
InstallDirRegKey HKLM "${VENDOR_KEY}" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; A file that cannot be written is skipped with the error flag set: the install then stops before
; the service is registered, instead of asking file by file.
SetOverwrite try
ShowInstDetails show
ShowUninstDetails hide
BrandingText " "
LoadLanguageFile "${NSISDIR}\Contrib\Language files\SimpChinese.nlf"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "Vixo"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "Vixo"

Var UpdateMode      ; 1: started by the update flow
Var RunCheckBox     ; the finish page's "run now"
Var OldVersion      ; the version this installation replaces, empty on a first installation

Page custom welcomeCreate
Page directory "" chooseShow
Page instfiles "" installShow
Page custom finishCreate finishLeave
UninstPage uninstConfirm "" un.confirmShow
UninstPage instfiles "" un.removeShow

; $0 = 1 while a mutex of that name exists.
!macro MUTEX_HELD NAME
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${NAME}") p .r0'
  ${If} $0 = 0
    StrCpy $0 0
  ${Else}
    System::Call 'kernel32::CloseHandle(p r0)'
    StrCpy $0 1
  ${EndIf}
!macroend

; $0 = 1 while the main program runs (it holds its single-instance mutex).
!macro PROGRAM_RUNS
  !insertmacro MUTEX_HELD "${INSTANCE_MUTEX}"
!macroend

; Appends a line with the local time to the setup log, which says why a silent run stopped.
!macro LOG TEXT
  Push "${TEXT}"
  !ifdef __UNINSTALL__
    Call un.WriteLog
  !else
    Call WriteLog
  !endif
!macroend

; Files of a running program cannot be replaced: ask to close it, or give up (silent: give up).
!macro REFUSE_WHILE_RUNNING GIVE_UP
  ${Do}
    !insertmacro PROGRAM_RUNS
    ${IfThen} $0 = 0 ${|} ${Break} ${|}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT}正在运行。请先关闭它，再点击“重试”。" /SD IDCANCEL IDRETRY +3
    !insertmacro LOG "refused: the program runs"
    SetErrorLevel 2
    ${GIVE_UP}
  ${Loop}
!macroend

; The service program of a stopped service may still be ending; wait (at most 10 s) until it can be
; replaced.
!macro WAIT_WRITABLE FILE
  ${For} $1 1 40
    ${IfNot} ${FileExists} "${FILE}"
      ${Break}
    ${EndIf}
    ClearErrors
    FileOpen $2 "${FILE}" a
    ${IfNot} ${Errors}
      FileClose $2
      ${Break}
    ${EndIf}
    Sleep 250
  ${Next}
  ClearErrors
!macroend

; Stops and removes the service of the installation in FOLDER, if there is one.
!macro REMOVE_SERVICE FOLDER
  StrCpy $0 0
  ${If} ${FileExists} "${FOLDER}\VxMdService.exe"
    DetailPrint "停止并删除后台服务 ${SERVICE}"
    ExecWait '"${FOLDER}\VxMdService.exe" /UnregServer' $0
    DetailPrint "  结果 $0"
    !insertmacro WAIT_WRITABLE "${FOLDER}\VxMdService.exe"
  ${EndIf}
!macroend

!macro QUIET_SERVICE_IF_SILENT
  ; The installer reports failures itself; a message box of the service would stop a silent run.
  ${If} ${Silent}
    System::Call 'kernel32::SetEnvironmentVariable(t "VX_SERVICE_NO_UI", t "1")'
  ${EndIf}
!macroend

!macro WRITE_LOG_FUNCTION PREFIX
Function ${PREFIX}WriteLog
  Exch $R8
  Push $R9
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  CreateDirectory "${DATA_DIR}\log"
  ${GetTime} "" "L" $0 $1 $2 $3 $4 $5 $6
  ClearErrors
  FileOpen $R9 "${SETUP_LOG}" a
  ${IfNot} ${Errors}
    FileSeek $R9 0 END
    FileWrite $R9 "$2-$1-$0 $4:$5:$6 ${VERSION} $R8$\r$\n"
    FileClose $R9
  ${EndIf}
  ClearErrors
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
  Pop $R9
  Pop $R8
FunctionEnd
!macroend
!insertmacro WRITE_LOG_FUNCTION ""
!insertmacro WRITE_LOG_FUNCTION "un."

; Leading blanks of $R0 removed.
Function TrimLeft
  ${Do}
    StrCpy $0 $R0 1
    ${IfThen} $0 != " " ${|} ${Break} ${|}
    StrCpy $R0 $R0 "" 1
  ${Loop}
FunctionEnd

; Takes the double-quoted argument at the start of $R0: $R1 its text, $R0 the rest, $R2 1 when
; there was one (else 0 and $R0 unchanged).
Function TakeQuoted
  StrCpy $R2 0
  StrCpy $R1 ""
  StrCpy $0 $R0 1
  ${IfThen} $0 != '"' ${|} Return ${|}
  StrCpy $1 1
  ${Do}
    StrCpy $0 $R0 1 $1
    ${IfThen} $0 == "" ${|} Return ${|}
    ${IfThen} $0 == '"' ${|} ${Break} ${|}
    IntOp $1 $1 + 1
  ${Loop}
  IntOp $2 $1 - 1
  StrCpy $R1 $R0 $2 1
  IntOp $1 $1 + 1
  StrCpy $R0 $R0 "" $1
  Call TrimLeft
  StrCpy $R2 1
FunctionEnd

; The update flow passes two quoted folders: the unpacked package and the program folder. Given
; them, the program folder must be an absolute path of an existing folder, or nothing is installed.
Function ReadUpdateArguments
  StrCpy $UpdateMode 0
  ${GetParameters} $R0
  Call TrimLeft
  Call TakeQuoted
  ${IfThen} $R2 != 1 ${|} Return ${|}
  Call TakeQuoted
  ${IfThen} $R2 != 1 ${|} Return ${|}
  ${Do}
    StrCpy $0 $R1 1 -1
    ${IfThen} $0 != "\" ${|} ${Break} ${|}
    StrCpy $R1 $R1 -1
  ${Loop}
  StrCpy $0 $R1 2 1
  StrCpy $1 $R1 2
  ${If} $0 != ":\"
  ${AndIf} $1 != "\\"
    StrCpy $R1 ""
  ${EndIf}
  ${If} $R1 == ""
  ${OrIfNot} ${FileExists} "$R1\*.*"
    MessageBox MB_ICONSTOP "程序目录不存在：$R1" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  StrCpy $INSTDIR $R1
  StrCpy $UpdateMode 1
FunctionEnd

Function .onInit
  SetShellVarContext all
  Call ReadUpdateArguments
  ${If} $UpdateMode = 1
    SetSilent silent
    !insertmacro LOG "update into $INSTDIR"
    ; The main program starts the update as it closes, and the updater may still be ending: give
    ; them a minute to be gone.
    ${For} $3 1 120
      !insertmacro PROGRAM_RUNS
      StrCpy $4 $0
      !insertmacro MUTEX_HELD "${UPDATER_MUTEX_MELODISK}"
      IntOp $4 $4 | $0
      !insertmacro MUTEX_HELD "${UPDATER_MUTEX_PLAYDECK}"
      IntOp $4 $4 | $0
      ${IfThen} $4 = 0 ${|} ${Break} ${|}
      Sleep 500
    ${Next}
  ${EndIf}
  !insertmacro QUIET_SERVICE_IF_SILENT
  !insertmacro REFUSE_WHILE_RUNNING Quit
  ${IfNot} ${Silent}
    VXMelodiskNsis::Initialize
  ${EndIf}
FunctionEnd

Function .onGUIEnd
  VXMelodiskNsis::Release
FunctionEnd

!macro JMP STEP
  FindWindow $0 "#32770" "" $HWNDPARENT
  VXMelodiskNsis::JmpToNewPage $0 ${STEP}
!macroend

Function welcomeCreate
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 14u "欢迎安装 ${PRODUCT} ${VERSION}"
  Pop $1
  ${NSD_CreateLabel} 0 18u 100% 40u "${PRODUCT}把在线曲库带到桌面：排行榜、歌手、分类和搜索，一点即可播放或下载。$\r$\n安装前请关闭正在运行的${PRODUCT}。点击“下一步”继续。"
  Pop $1
  VXMelodiskNsis::JmpToNewPage $0 0
  nsDialogs::Show
FunctionEnd

Function chooseShow
  !insertmacro JMP 1
FunctionEnd

Function installShow
  !insertmacro JMP 2
FunctionEnd

Function finishCreate
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 14u "${PRODUCT} ${VERSION} 已安装完成。"
  Pop $1
  ${NSD_CreateCheckBox} 0 30u 100% 12u "立即运行${PRODUCT}"
  Pop $RunCheckBox
  VXMelodiskNsis::JmpToNewPage $0 3
  SendMessage $0 1277 $RunCheckBox 0
  GetDlgItem $1 $HWNDPARENT 2
  EnableWindow $1 0
  nsDialogs::Show
FunctionEnd

Function finishLeave
  SendMessage $RunCheckBox ${BM_GETCHECK} 0 0 $0
  ${If} $0 = ${BST_CHECKED}
    Exec '"$INSTDIR\VxMelodisk.exe"'
  ${EndIf}
FunctionEnd

; Registers the service through its own switch and starts it; on any failure the registration is
; undone, so no half-registered service stays behind.
Function InstallService
  DetailPrint "注册并启动后台服务 ${SERVICE}"
  ExecWait '"$INSTDIR\VxMdService.exe" /Service' $0
  ${If} $0 != 0
    StrCpy $R3 "注册失败（$0）"
    Goto failed
  ${EndIf}
  StrCpy $R3 "无法启动"
  System::Call 'advapi32::OpenSCManagerW(p 0, p 0, i 1) p .r1'
  ${IfThen} $1 = 0 ${|} Goto failed ${|}
  ; SERVICE_START | SERVICE_QUERY_STATUS
  System::Call 'advapi32::OpenServiceW(p r1, w "${SERVICE}", i 0x14) p .r2'
  ${If} $2 = 0
    System::Call 'advapi32::CloseServiceHandle(p r1)'
    Goto failed
  ${EndIf}
  System::Call 'advapi32::StartServiceW(p r2, i 0, p 0)'
  System::Alloc 28
  Pop $4
  StrCpy $6 0
  ${For} $5 1 60
    System::Call 'advapi32::QueryServiceStatus(p r2, p r4)'
    System::Call '*$4(i .r7, i .r6)'
    ${IfThen} $6 = 4 ${|} ${Break} ${|}
    Sleep 250
  ${Next}
  System::Free $4
  System::Call 'advapi32::CloseServiceHandle(p r2)'
  System::Call 'advapi32::CloseServiceHandle(p r1)'
  ${If} $6 = 4
    DetailPrint "  服务已启动"
    Return
  ${EndIf}
failed:
  !insertmacro LOG "failed: service $R3"
  ExecWait '"$INSTDIR\VxMdService.exe" /UnregServer'
  SetErrorLevel 2
  Abort "后台服务$R3，安装未完成。"
FunctionEnd

Section "Install"
  !insertmacro REFUSE_WHILE_RUNNING Abort
  ReadINIStr $OldVersion "${USER_FILE}" "UserInfo" "Version"
  ; A service of an earlier installation holds its program open (and may name another folder).
  ReadRegStr $3 HKLM "${VENDOR_KEY}" "InstallDir"
  ${If} $3 != ""
  ${AndIf} $3 != $INSTDIR
    !insertmacro REMOVE_SERVICE $3
  ${EndIf}
  !insertmacro REMOVE_SERVICE $INSTDIR

  ClearErrors
  !insertmacro VX_INSTALL_FILES
  ${If} ${Errors}
    !insertmacro LOG "failed: files of $INSTDIR could not be written"
    SetErrorLevel 2
    Abort "有文件无法写入 $INSTDIR（可能正被其他程序使用），安装未完成。"
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninst.exe"

  ; What the programs read: the version they send, the installer's name (the installation source)
  ; and the completed installation that the next start reports once.
  CreateDirectory "${DATA_DIR}\config"
  WriteINIStr "${CONFIG_FILE}" "config" "version" "${VERSION}"
  WriteINIStr "${CONFIG_FILE}" "config" "First_Start" "$EXEPATH"
  WriteINIStr "${CONFIG_FILE}" "UpdateRegInfo" "INSTALLED" "1"
  WriteINIStr "${CONFIG_FILE}" "UpdateRegInfo" "Last_Version" "$OldVersion"
  WriteINIStr "${USER_FILE}" "UserInfo" "Version" "${VERSION}"
  ; Every user's programs write their settings there; the service reads them too.
  nsExec::Exec '"$SYSDIR\icacls.exe" "${DATA_DIR}" /grant *S-1-5-32-545:(OI)(CI)M /T /Q'
  Pop $0

  WriteRegStr HKLM "${VENDOR_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Vixo"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\VxMelodisk.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninst.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\VxMelodisk.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\卸载${PRODUCT}.lnk" "$INSTDIR\uninst.exe"
  CreateShortCut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\VxMelodisk.exe"

  Call InstallService
  !insertmacro LOG "installed into $INSTDIR (replacing '$OldVersion')"
SectionEnd

Function un.onInit
  SetShellVarContext all
  !insertmacro QUIET_SERVICE_IF_SILENT
  !insertmacro REFUSE_WHILE_RUNNING Quit
  ${IfNot} ${Silent}
    VXMelodiskNsis::Initialize
  ${EndIf}
FunctionEnd

Function un.onGUIEnd
  VXMelodiskNsis::Release
FunctionEnd

Function un.confirmShow
  !insertmacro JMP 1
FunctionEnd

Function un.removeShow
  !insertmacro JMP 2
FunctionEnd

; Removes what the installer put in place; the user's settings, ranking data, logs and anything
; else in the folder stay.
Section "Uninstall"
  !insertmacro REFUSE_WHILE_RUNNING Abort
  !insertmacro REMOVE_SERVICE $INSTDIR
  ${If} $0 != 0
    !insertmacro LOG "failed: the service could not be removed ($0)"
    SetErrorLevel 2
    Abort "后台服务无法删除（$0），卸载未完成。"
  ${EndIf}
  !insertmacro VX_REMOVE_FILES
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\卸载${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$DESKTOP\${PRODUCT}.lnk"

  DeleteRegValue HKLM "${VENDOR_KEY}" "InstallDir"
  DeleteRegKey /ifempty HKLM "${VENDOR_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  !insertmacro LOG "uninstalled from $INSTDIR"
SectionEnd
