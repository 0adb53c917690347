; The Windows installer, in Russian: the licence, the folder (where the last
; install went, by default), both programs into Program Files, a Start-menu
; entry and an uninstaller that takes everything away again, except the
; user's recordings. Built by scripts/package-windows.sh with
; makensis -DVERSION=... -DSTAGE=... -DOUTFILE=... -DICON=...
; A 64-bit installer: it runs where the programs run, and nowhere else.
Target amd64-unicode

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinVer.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavik"

Name "Тавик ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tavik"
; An upgrade lands where the last install did.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

; A running program's file cannot be opened for writing: then Тавик or
; tavik-cli runs from this folder, and nothing is overwritten or removed
; under it. Silent runs end with exit code 2.
!macro RefuseWhileRunning un
Function ${un}RefuseWhileRunning
  ${ForEach} $R0 0 1 + 1
    ${If} $R0 == 0
      StrCpy $R1 "$INSTDIR\tavik.exe"
    ${Else}
      StrCpy $R1 "$INSTDIR\tavik-cli.exe"
    ${EndIf}
    ${If} ${FileExists} $R1
      ClearErrors
      FileOpen $R2 $R1 a
      ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "Тавик или tavik-cli сейчас запущен из папки $INSTDIR.$\r$\n$\r$\nЗакройте все окна Тавика и командные строки с tavik-cli и запустите программу установки снова." /SD IDOK
        SetErrorLevel 2
        Quit
      ${EndIf}
      FileClose $R2
    ${EndIf}
  ${Next}
FunctionEnd
!macroend
!insertmacro RefuseWhileRunning ""
!insertmacro RefuseWhileRunning "un."

; Тавик runs on Windows 7 SP1 and later (its programs import nothing newer):
; on anything older the installer says so and installs nothing. Silent runs
; end with exit code 3.
Function .onInit
  SetRegView 64
  StrCpy $R0 ""
  ${If} ${AtMostWin2008}
    StrCpy $R0 older
  ${ElseIf} ${AtMostWin2008R2}
  ${AndIfNot} ${AtLeastServicePack} 1
    StrCpy $R0 older
  ${EndIf}
  ${If} $R0 == older
    MessageBox MB_OK|MB_ICONSTOP "Тавику нужна 64-разрядная Windows 7 с пакетом обновления 1 (SP1) или более новая: Windows 8.1, 10 или 11.$\r$\n$\r$\nНа этом компьютере Windows старее, поэтому Тавик не будет установлен." /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}
FunctionEnd

Section "Тавик"
  Call RefuseWhileRunning
  SetOutPath "$INSTDIR"
  File "${STAGE}\tavik.exe"
  File "${STAGE}\tavik-cli.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\Тавик"
  ; The shortcut starts Тавик in its own folder, which is there for every
  ; user; started there, Тавик records into the Documents known folder of
  ; whoever starts it, wherever Windows keeps that (OneDrive, a moved folder).
  CreateShortcut "$SMPROGRAMS\Тавик\Тавик.lnk" "$INSTDIR\tavik.exe" "" "$INSTDIR\tavik.exe" 0
  CreateShortcut "$SMPROGRAMS\Тавик\Удалить Тавик.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Тавик"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\tavik.exe",0'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Тавик developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KiB, as "Apps" shows it.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

; Only what the installer put there: a recording made in this folder stays,
; and the folder with it.
Section "Uninstall"
  Call un.RefuseWhileRunning
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
