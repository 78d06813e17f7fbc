; Installer and uninstaller whose pages are skinned by the plug-in; the tests drive them.
Unicode true
!addplugindir /x86-unicode "${BIN}"
!include nsDialogs.nsh

Name "Vx音乐网盘"
OutFile "${OUT}"
InstallDir "$TEMP\VxSkinTest"
RequestExecutionLevel user
AutoCloseWindow false
ShowInstDetails show
ShowUninstDetails hide

Page license "" welcomeShow
Page directory "" chooseShow
Page instfiles "" installShow
Page custom finishCreate finishLeave
UninstPage uninstConfirm "" un.confirmShow
UninstPage instfiles "" un.removeShow
LicenseData "${__FILEDIR__}/SkinTestWelcome.txt"

Function .onInit
  VXMelodiskNsis::Initialize
FunctionEnd
Function .onGUIEnd
  VXMelodiskNsis::Release
FunctionEnd
Function un.onInit
  VXMelodiskNsis::Initialize
FunctionEnd
Function un.onGUIEnd
  VXMelodiskNsis::Release
FunctionEnd

!macro JMP STEP
  FindWindow $0 "#32770" "" $HWNDPARENT
  VXMelodiskNsis::JmpToNewPage $0 ${STEP}
!macroend

Function welcomeShow
  !insertmacro JMP 0
FunctionEnd
Function chooseShow
  !insertmacro JMP 1
FunctionEnd
Function installShow
  !insertmacro JMP 2
FunctionEnd
Function finishCreate
  nsDialogs::Create 1018
  Pop $1
  ${NSD_CreateLabel} 0 0 100% 20u "完成"
  Pop $2
  ${NSD_CreateCheckBox} 0 30u 100% 12u "运行 Vx音乐网盘"
  Pop $3
  VXMelodiskNsis::JmpToNewPage $1 3
  SendMessage $1 1277 $3 0
  nsDialogs::Show
FunctionEnd
Function finishLeave
  FileOpen $0 "$INSTDIR\finished.txt" w
  FileClose $0
FunctionEnd
Function un.confirmShow
  !insertmacro JMP 1
FunctionEnd
Function un.removeShow
  !insertmacro JMP 2
FunctionEnd

Section
  SetOutPath $INSTDIR
  WriteUninstaller "$INSTDIR\uninst.exe"
  Sleep 300
SectionEnd

Section Uninstall
  Delete "$INSTDIR\uninst.exe"
  Delete "$INSTDIR\finished.txt"
  RMDir $INSTDIR
  Sleep 300
SectionEnd
