; The setup program of Pelmor: a per-user install (no administrator rights: the updater writes into the
; program folder), Simplified Chinese, silent with /S for the updater and for tests.
; The build passes VERSION, VERSION_QUAD, FILES_NSH, UNFILES_NSH, ICON, OUTFILE and TARGET
; (installer/CMakeLists.txt).

!ifndef TARGET
  !define TARGET amd64-unicode
!endif
Unicode true
Target ${TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestSupportedOS all

!ifdef VERSION & VERSION_QUAD & FILES_NSH & UNFILES_NSH & ICON & OUTFILE
!else
  !error "VERSION, VERSION_QUAD, FILES_NSH, UNFILES_NSH, ICON and OUTFILE must be defined"
!endif
; The updater's single-instance mutex; a test build of the updater uses a name of its own.
!ifndef UPDATER_MUTEX
  !define UPDATER_MUTEX "Pelmor.update.SingleInstance"
!endif
!ifndef HOME_URL
  !define HOME_URL "http://www.pelmor.com/"
!endif

!define PRODUCT "Pelmor免费行情分析系统"
!define PUBLISHER "Pelmor"
!define VIEWER_EXE "${PRODUCT}.exe"
!define UNINSTALLER "uninst.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelmor"
; Both programs' windows are forms of the run-time, of this window class.
!define FORM_CLASS "PelmorForm"
; The viewer names its browser control's document mode here at its first start (shell/BrowserEmulation.h).
!define BROWSER_EMULATION_KEY "Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION"
!define BROWSER_EMULATION_MODE 11001

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} 安装"
UninstallCaption "${PRODUCT} ${VERSION} 卸载"
BrandingText "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\${VIEWER_EXE}"
!define MUI_FINISHPAGE_RUN_TEXT "运行 ${PRODUCT}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; 1 when this program runs as the downloaded setup in the "UpDate" folder of an installation.
Var FromUpdater

; Ends every program of the run-time whose executable lies in $INSTDIR (the viewer and the updater),
; first asking the question given unless silent: Cancel quits. The same programs started from other
; folders are left alone.
!macro END_RUNNING_PROGRAMS un question
Function ${un}EndRunningPrograms
  StrCpy $R5 0 ; asked already
  StrCpy $R0 0
  ${Do}
    System::Call 'user32::FindWindowExW(p 0, p R0, w "${FORM_CLASS}", p 0) p .R0'
    ${If} $R0 == 0
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R1)'
    ; PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE
    System::Call 'kernel32::OpenProcess(i 0x101001, i 0, i R1) p .R2'
    ${If} $R2 == 0
      ${Continue}
    ${EndIf}
    StrCpy $R3 ""
    System::Call 'kernel32::QueryFullProcessImageNameW(p R2, i 0, w .R3, *i ${NSIS_MAX_STRLEN})'
    ${GetParent} "$R3" $R4
    ${If} $R3 != ""
    ${AndIf} $R4 == $INSTDIR
      ${If} $R5 == 0
        MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "${question}" /SD IDOK IDOK end_it
        System::Call 'kernel32::CloseHandle(p R2)'
        Quit
      end_it:
        StrCpy $R5 1
      ${EndIf}
      ; WM_CLOSE lets it unload as when the user closes it; one that does not go in time is ended.
      System::Call 'user32::PostMessageW(p R0, i 0x10, p 0, p 0)'
      System::Call 'kernel32::WaitForSingleObject(p R2, i 3000) i .R6'
      ${If} $R6 != 0
        System::Call 'kernel32::TerminateProcess(p R2, i 1)'
        System::Call 'kernel32::WaitForSingleObject(p R2, i 5000) i .R6'
      ${EndIf}
      ; Its windows are gone: search again from the first window.
      ${If} $R6 == 0
        StrCpy $R0 0
      ${EndIf}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p R2)'
  ${Loop}
FunctionEnd
!macroend
!insertmacro END_RUNNING_PROGRAMS "" "安装程序需要关闭正在运行的 ${PRODUCT}。$\r$\n$\r$\n点击“确定”关闭它并继续安装，点击“取消”退出安装。"
!insertmacro END_RUNNING_PROGRAMS "un." "卸载程序需要关闭正在运行的 ${PRODUCT}。$\r$\n$\r$\n点击“确定”关闭它并继续卸载，点击“取消”退出卸载。"

; The updater starts the setup and ends; its files can be replaced once it is gone (at most 10 s).
Function WaitForUpdater
  StrCpy $R1 0
  ${Do}
    ; SYNCHRONIZE
    System::Call 'kernel32::OpenMutexW(i 0x100000, i 0, w "${UPDATER_MUTEX}") p .R0'
    ${If} $R0 == 0
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p R0)'
    IntOp $R1 $R1 + 1
    ${If} $R1 > 50
      ${Break}
    ${EndIf}
    Sleep 200
  ${Loop}
FunctionEnd

; An earlier installation in this folder is removed by its own uninstaller, which knows exactly what
; it installed: nothing of an older version stays behind, and the user's own files in the folder are kept.
; One in another folder (the registry's, when this setup was given /D= or runs from a copy) is left alone.
Function RemovePreviousVersion
  ${If} ${FileExists} "$INSTDIR\${UNINSTALLER}"
    ; _?= runs it in place and makes the call wait for it.
    ExecWait '"$INSTDIR\${UNINSTALLER}" /S _?=$INSTDIR'
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $FromUpdater 0
  ; Started by the updater from "<program folder>\UpDate": that program folder is the one to update.
  ${GetFileName} "$EXEDIR" $R0
  ${GetParent} "$EXEDIR" $R1
  ${If} $R0 == "UpDate"
  ${AndIf} ${FileExists} "$R1\update.exe"
    StrCpy $INSTDIR $R1
    StrCpy $FromUpdater 1
  ${EndIf}
  Call WaitForUpdater
  Call EndRunningPrograms
  Call KeepDesktopChoice
FunctionEnd

Section "!${PRODUCT}" SecMain
  SectionIn RO
  ; The folder may have been changed on the way, or the viewer started again.
  Call EndRunningPrograms
  Call RemovePreviousVersion

  SetOutPath "$INSTDIR"
  !include "${FILES_NSH}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${VIEWER_EXE}" "" "$INSTDIR\${VIEWER_EXE}" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${VIEWER_EXE},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${HOME_URL}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecMain} $R0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $R0
SectionEnd

Section "桌面快捷方式" SecDesktop
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${VIEWER_EXE}" "" "$INSTDIR\${VIEWER_EXE}" 0
SectionEnd

; A silent setup over an installation (the updater's) brings the desktop shortcut back only if it is
; there: the user declined it, or removed it since.
Function KeepDesktopChoice
  ${If} ${Silent}
  ${AndIf} ${FileExists} "$INSTDIR\${UNINSTALLER}"
  ${AndIfNot} ${FileExists} "$DESKTOP\${PRODUCT}.lnk"
    !insertmacro UnselectSection ${SecDesktop}
  ${EndIf}
FunctionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "${PRODUCT} 的程序文件和开始菜单中的快捷方式。"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "在桌面上放一个 ${PRODUCT} 的快捷方式。"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; An update the updater started brings the viewer back, now in the new version.
Function .onInstSuccess
  ${If} ${Silent}
  ${AndIf} $FromUpdater == 1
    Exec '"$INSTDIR\${VIEWER_EXE}"'
  ${EndIf}
FunctionEnd

Function un.onInit
  Call un.EndRunningPrograms
FunctionEnd

Section "Uninstall"
  Call un.EndRunningPrograms
  !include "${UNFILES_NSH}"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; What the updater leaves in the program folder: its list and the setup program it downloaded.
  Delete "$INSTDIR\UpSoft.txt"
  Delete "$INSTDIR\UpDate\Pelmor.exe"
  RMDir "$INSTDIR\UpDate"
  ; Not /r: a folder that still holds the user's own files stays.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The viewer's own setting goes with it; a value of another mode was set by someone else and stays.
  ClearErrors
  ReadRegDWORD $R0 HKCU "${BROWSER_EMULATION_KEY}" "${VIEWER_EXE}"
  ${IfNot} ${Errors}
  ${AndIf} $R0 == ${BROWSER_EMULATION_MODE}
    DeleteRegValue HKCU "${BROWSER_EMULATION_KEY}" "${VIEWER_EXE}"
  ${EndIf}
SectionEnd
