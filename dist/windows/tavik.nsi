; The Windows installer: both programs into Program Files, a Start-menu
; entry, and an uninstaller that takes everything away again. Built by
; scripts/package-windows.sh with makensis -DVERSION=... -DSTAGE=... -DOUTFILE=...
; A 64-bit installer: it runs where the programs run, and nowhere else.
Target amd64-unicode

Name "Тавик ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tavik"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavik"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
FunctionEnd

Section "Тавик"
  SetOutPath "$INSTDIR"
  File "${STAGE}\tavik.exe"
  File "${STAGE}\tavik-cli.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\Тавик"
  CreateShortcut "$SMPROGRAMS\Тавик\Тавик.lnk" "$INSTDIR\tavik.exe"
  CreateShortcut "$SMPROGRAMS\Тавик\Удалить Тавик.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Тавик"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Тавик developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Uninstall"
  Delete "$INSTDIR\tavik.exe"
  Delete "$INSTDIR\tavik-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Тавик\Тавик.lnk"
  Delete "$SMPROGRAMS\Тавик\Удалить Тавик.lnk"
  RMDir "$SMPROGRAMS\Тавик"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
