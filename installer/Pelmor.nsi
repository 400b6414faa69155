; The setup program of Pelmor: a per-user install (no administrator rights: the updater writes into the
; program folder), Simplified Chinese, silent with /S for the updater and for tests.
; The build passes VERSION, VERSION_QUAD, FILES_NSH, ICON, OUTFILE and TARGET (installer/CMakeLists.txt).
; An installation or update either completes or leaves every file, the registry and the shortcuts as
; they were. Exit codes: 0 done, 1 cancelled by the user, 2 it could not unpack its own files (nothing
; changed), 3 (EXIT_NOT_OURS) the folder holds files of something else and nothing was written, 4
; (EXIT_FAILED) a file could not be written or replaced and everything was put back, 5 (EXIT_BROKEN) as
; 4, but an old file could not be put back.

!ifndef TARGET
  !define TARGET amd64-unicode
!endif
Unicode true
Target ${TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestSupportedOS all
; A file that cannot be extracted fails the installation instead of being skipped.
AllowSkipFiles off

!ifdef VERSION & VERSION_QUAD & FILES_NSH & ICON & OUTFILE
!else
  !error "VERSION, VERSION_QUAD, FILES_NSH, ICON and OUTFILE must be defined"
!endif
!include "${FILES_NSH}"
!define EXIT_NOT_OURS 3
!define EXIT_FAILED 4
!define EXIT_BROKEN 5
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
; The install manifest: the product's name on the first line, then the name of every file installed,
; UTF-16. A folder holding it is a Pelmor installation; the next setup deletes what it lists and no
; longer ships.
!define MANIFEST "install.lst"
; Installation 1 has the Uninstall key "Pelmor"; one in another folder "Pelmor-2", "Pelmor-3" and so on.
!define UNINSTALL_ROOT "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define MAX_INSTALLATIONS 32
; The portable zip is packed from the stage folder after this script is compiled: with a manifest there,
; an unpacked copy is a Pelmor folder that the setup program its updater runs updates in place.
!appendfile /CHARSET=UTF16LEBOM "${STAGE}/${MANIFEST}" "${PRODUCT}$\r$\n"
!macro PORTABLE_LINE NAME
  !appendfile /CHARSET=UTF16LE "${STAGE}/${MANIFEST}" "${NAME}$\r$\n"
!macroend
!insertmacro SHIPPED_FILES PORTABLE_LINE
; Left for the updater, which tells the user at its next start that this update did not complete.
!define FAILED_NOTE "UpDate\LastFailed.txt"
; The new files are written beside the old ones under these suffixes, which the old ones take in the swap.
!define NEW ".~new"
!define OLD ".~old"
; Both programs' windows are forms of the run-time, of this window class.
!define FORM_CLASS "PelmorForm"
; The viewer names its browser control's document mode here at its first start (shell/BrowserEmulation.h).
!define BROWSER_EMULATION_KEY "Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION"
!define BROWSER_EMULATION_MODE 11001

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include TextFunc.nsh

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} 安装"
UninstallCaption "${PRODUCT} ${VERSION} 卸载"
BrandingText "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_ROOT}\Pelmor" "InstallLocation"
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
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; 1 when this program runs as the downloaded setup in the "UpDate" folder of an installation.
Var FromUpdater
; This installation's number (FindInstallation), its Uninstall key, and the name of its entry and
; shortcuts; Registered is 1 when that key names $INSTDIR already, Others counts the other installations.
Var Installation
Var UninstallKey
Var LinkName
Var Registered
Var Others
; The updater's single-instance mutex while this setup holds it; 0 otherwise.
Var UpdaterMutex
; Set by the failing step: the file that could not be written or replaced.
Var FailedFile

; Every file of an installation, each passed to the macro DO.
!macro INSTALLED_FILES DO
  !insertmacro SHIPPED_FILES ${DO}
  !insertmacro ${DO} "${UNINSTALLER}"
  !insertmacro ${DO} "${MANIFEST}"
!macroend

; Finds the Uninstall key whose InstallLocation is $INSTDIR; without one, takes the first free number.
!macro FIND_INSTALLATION un
Function ${un}FindInstallation
  StrCpy $Installation ""
  StrCpy $Registered 0
  StrCpy $Others 0
  StrCpy $R0 0
  ${Do}
    IntOp $R0 $R0 + 1
    StrCpy $R1 "${UNINSTALL_ROOT}\Pelmor-$R0"
    ${IfThen} $R0 == 1 ${|} StrCpy $R1 "${UNINSTALL_ROOT}\Pelmor" ${|}
    ClearErrors
    EnumRegValue $R2 HKCU "$R1" 0
    ${If} ${Errors}
      ${IfThen} $Installation == "" ${|} StrCpy $Installation $R0 ${|}
    ${Else}
      ReadRegStr $R2 HKCU "$R1" "InstallLocation"
      ${If} $R2 == $INSTDIR
      ${AndIf} $Registered == 0
        StrCpy $Installation $R0
        StrCpy $Registered 1
      ${Else}
        IntOp $Others $Others + 1
      ${EndIf}
    ${EndIf}
  ${LoopUntil} $R0 >= ${MAX_INSTALLATIONS}
  StrCpy $UninstallKey "${UNINSTALL_ROOT}\Pelmor-$Installation"
  StrCpy $LinkName "${PRODUCT} ($Installation)"
  ${If} $Installation == 1
    StrCpy $UninstallKey "${UNINSTALL_ROOT}\Pelmor"
    StrCpy $LinkName "${PRODUCT}"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro FIND_INSTALLATION ""
!insertmacro FIND_INSTALLATION "un."

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
        SetErrorLevel 1
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

; Holds the updater's single-instance mutex until the files are in place, so that no updater starts
; meanwhile. The updater that started this setup keeps the mutex until this setup holds it, then ends:
; it is waited for (at most 10 s) before its file is replaced.
Function TakeUpdaterMutex
  ${If} $UpdaterMutex != 0
    Return
  ${EndIf}
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${UPDATER_MUTEX}") p .R0'
  StrCpy $UpdaterMutex $R0
  ${If} $R0 != 0
    System::Call 'kernel32::WaitForSingleObject(p R0, i 10000)'
  ${EndIf}
  ; The process that started this one: PROCESS_BASIC_INFORMATION.InheritedFromUniqueProcessId.
  System::Call '*(&l48) p .R1'
  System::Call 'ntdll::NtQueryInformationProcess(p -1, i 0, p R1, i 48, p 0) i .R2'
  System::Call '*$R1(l, l, l, l, l, l .R3)'
  System::Free $R1
  ${If} $R2 == 0
    ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
    System::Call 'kernel32::OpenProcess(i 0x101000, i 0, i R3) p .R4'
    ${If} $R4 != 0
      StrCpy $R5 ""
      System::Call 'kernel32::QueryFullProcessImageNameW(p R4, i 0, w .R5, *i ${NSIS_MAX_STRLEN})'
      ${If} $R5 == "$INSTDIR\update.exe"
        System::Call 'kernel32::WaitForSingleObject(p R4, i 10000)'
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p R4)'
    ${EndIf}
  ${EndIf}
FunctionEnd

Function ReleaseUpdaterMutex
  ${If} $UpdaterMutex != 0
    System::Call 'kernel32::ReleaseMutex(p $UpdaterMutex)'
    System::Call 'kernel32::CloseHandle(p $UpdaterMutex)'
    StrCpy $UpdaterMutex 0
  ${EndIf}
FunctionEnd

; $R9 = 1 when $INSTDIR may take this installation: missing, empty, or a Pelmor installation (its
; manifest, or an Uninstall entry naming it). Anything else belongs to someone else.
Function CheckOwnFolder
  Call FindInstallation
  StrCpy $R9 $Registered
  ${DirState} "$INSTDIR" $R0
  ${IfThen} $R0 != 1 ${|} StrCpy $R9 1 ${|}
  ClearErrors
  FileOpen $R1 "$INSTDIR\${MANIFEST}" r
  ${IfNot} ${Errors}
    FileReadUTF16LE $R1 $R2
    FileClose $R1
    ${IfThen} $R2 == "${PRODUCT}$\r$\n" ${|} StrCpy $R9 1 ${|}
  ${EndIf}
FunctionEnd

!define NOT_OURS_TEXT "文件夹“$INSTDIR”中有其他程序的文件，不是 ${PRODUCT} 的安装文件夹。$\r$\n$\r$\n为了不覆盖或删除其他程序的文件，请选择一个空文件夹，或 ${PRODUCT} 原来的安装文件夹。"

Function DirectoryLeave
  Call CheckOwnFolder
  ${If} $R9 != 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "${NOT_OURS_TEXT}"
    Abort
  ${EndIf}
FunctionEnd

; The steps of the swap, each for one file NAME. $R9 stays 1 while every step has succeeded; a step
; after a failure does nothing.
!macro WRITE_BESIDE NAME
  ${If} $R9 == 1
    ; Left by a setup that was stopped half-way.
    Delete "$INSTDIR\${NAME}${NEW}"
    ${IfThen} ${FileExists} "$INSTDIR\${NAME}" ${|} Delete "$INSTDIR\${NAME}${OLD}" ${|}
    System::Call 'kernel32::CopyFileW(w "$PLUGINSDIR\new\${NAME}", w "$INSTDIR\${NAME}${NEW}", i 1) i .R0'
    ${If} $R0 == 0
      StrCpy $R9 0
      StrCpy $FailedFile "${NAME}"
    ${EndIf}
  ${EndIf}
!macroend
!macro MOVE_OLD_ASIDE NAME
  ${If} $R9 == 1
  ${AndIf} ${FileExists} "$INSTDIR\${NAME}"
    ClearErrors
    Rename "$INSTDIR\${NAME}" "$INSTDIR\${NAME}${OLD}"
    ${If} ${Errors}
      StrCpy $R9 0
      StrCpy $FailedFile "${NAME}"
    ${EndIf}
  ${EndIf}
!macroend
!macro MOVE_NEW_IN NAME
  ${If} $R9 == 1
    ClearErrors
    Rename "$INSTDIR\${NAME}${NEW}" "$INSTDIR\${NAME}"
    ${If} ${Errors}
      StrCpy $R9 0
      StrCpy $FailedFile "${NAME}"
    ${EndIf}
  ${EndIf}
!macroend
; Undoes whatever the steps did to NAME: once the swap has begun ($R7 = 1) every file was written
; beside, so one whose new copy is gone has been moved in. $R8 becomes 0 when an old file stays away.
!macro PUT_BACK NAME
  ${If} $R7 == 1
  ${AndIfNot} ${FileExists} "$INSTDIR\${NAME}${NEW}"
    Delete "$INSTDIR\${NAME}"
  ${EndIf}
  Delete "$INSTDIR\${NAME}${NEW}"
  ${If} ${FileExists} "$INSTDIR\${NAME}${OLD}"
    ClearErrors
    Rename "$INSTDIR\${NAME}${OLD}" "$INSTDIR\${NAME}"
    ${IfThen} ${Errors} ${|} StrCpy $R8 0 ${|}
  ${EndIf}
!macroend
!macro DROP_OLD NAME
  Delete "$INSTDIR\${NAME}${OLD}"
!macroend
!macro DELETE_INSTALLED NAME
  Delete "$INSTDIR\${NAME}"
!macroend
!macro EXTRACT NAME
  File "${STAGE}/${NAME}"
!macroend
!macro MANIFEST_LINE NAME
  FileWriteUTF16LE $R0 "${NAME}$\r$\n"
!macroend
!macro CLEAR_IF_INSTALLED NAME
  ${IfThen} $R1 == "${NAME}" ${|} StrCpy $R2 0 ${|}
!macroend

; $R2 = 1 when $R1 is a plain file name: no folder, drive or wildcard in it.
Function IsPlainName
  StrCpy $R2 0
  ${If} $R1 == ""
  ${OrIf} $R1 == "."
  ${OrIf} $R1 == ".."
    Return
  ${EndIf}
  StrCpy $R3 0
  ${Do}
    StrCpy $R4 $R1 1 $R3
    ${If} $R4 == ""
      StrCpy $R2 1
      Return
    ${EndIf}
    ${If} $R4 == "\"
    ${OrIf} $R4 == "/"
    ${OrIf} $R4 == ":"
    ${OrIf} $R4 == "*"
    ${OrIf} $R4 == "?"
    ${OrIf} $R4 == "<"
    ${OrIf} $R4 == ">"
    ${OrIf} $R4 == "|"
    ${OrIf} $R4 == '"'
      Return
    ${EndIf}
    IntOp $R3 $R3 + 1
  ${Loop}
FunctionEnd

; Deletes what the manifest of the replaced version lists and this version no longer installs.
Function RemoveDroppedFiles
  ClearErrors
  FileOpen $R0 "$INSTDIR\${MANIFEST}${OLD}" r
  ${If} ${Errors}
    Return
  ${EndIf}
  FileReadUTF16LE $R0 $R1
  ${Do}
    ClearErrors
    FileReadUTF16LE $R0 $R1
    ${IfThen} ${Errors} ${|} ${Break} ${|}
    ${TrimNewLines} "$R1" $R1
    Call IsPlainName
    !insertmacro INSTALLED_FILES CLEAR_IF_INSTALLED
    ${IfThen} $R2 == 1 ${|} Delete "$INSTDIR\$R1" ${|}
  ${Loop}
  FileClose $R0
FunctionEnd

; A failed installation: every old file back, what was written removed, then one clear message when
; run by hand. $R7 = 1 once the swap had begun; $R8 becomes 0 when an old file could not be put back.
Function PutEverythingBack
  SetOutPath "$PLUGINSDIR"
  StrCpy $R8 1
  !insertmacro INSTALLED_FILES PUT_BACK
  ; Only when empty: a folder that held nothing before was made for this installation.
  RMDir "$INSTDIR"
  ${If} $R8 == 1
    SetErrorLevel ${EXIT_FAILED}
    MessageBox MB_OK|MB_ICONSTOP "安装没有完成：无法写入或替换文件“$FailedFile”，它可能正被其他程序（如杀毒软件）使用，或磁盘空间不足。$\r$\n$\r$\n原来的文件都已恢复，${PRODUCT} 没有任何改变。请关闭相关程序或清理磁盘后再安装。" /SD IDOK
  ${Else}
    SetErrorLevel ${EXIT_BROKEN}
    MessageBox MB_OK|MB_ICONSTOP "安装没有完成：无法写入或替换文件“$FailedFile”，而且有些原来的文件未能恢复。$\r$\n$\r$\n请关闭相关程序后重新运行安装程序。" /SD IDOK
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $FromUpdater 0
  StrCpy $UpdaterMutex 0
  ; Started by the updater from "<program folder>\UpDate": that program folder is the one to update.
  ${GetFileName} "$EXEDIR" $R0
  ${GetParent} "$EXEDIR" $R1
  ${If} $R0 == "UpDate"
  ${AndIf} ${FileExists} "$R1\update.exe"
    StrCpy $INSTDIR $R1
    StrCpy $FromUpdater 1
    Call TakeUpdaterMutex
  ${EndIf}
  ; Silent, nothing is written into a folder that is not Pelmor's, and nothing there is ended; the
  ; viewer the updater ended comes back.
  Call CheckOwnFolder
  ${If} ${Silent}
  ${AndIf} $R9 != 1
    SetErrorLevel ${EXIT_NOT_OURS}
    Call StartViewerForUpdater
    Quit
  ${EndIf}
  Call EndRunningPrograms
  Call KeepDesktopChoice
FunctionEnd

Section "!${PRODUCT}" SecMain
  SectionIn RO
  ; The folder may have been changed on the way, or the viewer started again.
  Call TakeUpdaterMutex
  Call EndRunningPrograms
  Call FindInstallation

  ; The new files first, complete, where no old file is touched.
  InitPluginsDir
  SetOutPath "$PLUGINSDIR\new"
  !insertmacro SHIPPED_FILES EXTRACT
  WriteUninstaller "$PLUGINSDIR\new\${UNINSTALLER}"
  FileOpen $R0 "$PLUGINSDIR\new\${MANIFEST}" w
  FileWriteUTF16LE /BOM $R0 "${PRODUCT}$\r$\n"
  !insertmacro SHIPPED_FILES MANIFEST_LINE
  !insertmacro MANIFEST_LINE "${UNINSTALLER}"
  FileClose $R0
  SetOutPath "$PLUGINSDIR"

  ; Then each beside the file it replaces, then the swap: renames in one folder, no data written.
  StrCpy $R7 0
  StrCpy $R9 1
  CreateDirectory "$INSTDIR"
  !insertmacro INSTALLED_FILES WRITE_BESIDE
  ${If} $R9 == 1
    StrCpy $R7 1
    !insertmacro INSTALLED_FILES MOVE_OLD_ASIDE
    !insertmacro INSTALLED_FILES MOVE_NEW_IN
  ${EndIf}
  ${If} $R9 != 1
    Call PutEverythingBack
    Abort
  ${EndIf}
  Call RemoveDroppedFiles
  !insertmacro INSTALLED_FILES DROP_OLD

  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\$LinkName.lnk" "$INSTDIR\${VIEWER_EXE}" "" "$INSTDIR\${VIEWER_EXE}" 0
  WriteRegStr HKCU "$UninstallKey" "DisplayName" "$LinkName"
  WriteRegStr HKCU "$UninstallKey" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "$UninstallKey" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "$UninstallKey" "DisplayIcon" "$INSTDIR\${VIEWER_EXE},0"
  WriteRegStr HKCU "$UninstallKey" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "$UninstallKey" "URLInfoAbout" "${HOME_URL}"
  WriteRegStr HKCU "$UninstallKey" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "$UninstallKey" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "$UninstallKey" "NoModify" 1
  WriteRegDWORD HKCU "$UninstallKey" "NoRepair" 1
  SectionGetSize ${SecMain} $R0
  WriteRegDWORD HKCU "$UninstallKey" "EstimatedSize" $R0
  Call ReleaseUpdaterMutex
SectionEnd

Section "桌面快捷方式" SecDesktop
  CreateShortcut "$DESKTOP\$LinkName.lnk" "$INSTDIR\${VIEWER_EXE}" "" "$INSTDIR\${VIEWER_EXE}" 0
SectionEnd

; A silent setup over an installation (the updater's) brings the desktop shortcut back only if it is
; there: the user declined it, or removed it since.
Function KeepDesktopChoice
  ${If} ${Silent}
  ${AndIf} ${FileExists} "$INSTDIR\${UNINSTALLER}"
  ${AndIfNot} ${FileExists} "$DESKTOP\$LinkName.lnk"
    !insertmacro UnselectSection ${SecDesktop}
  ${EndIf}
FunctionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "${PRODUCT} 的程序文件和开始菜单中的快捷方式。"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "在桌面上放一个 ${PRODUCT} 的快捷方式。"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; An update the updater started brings the viewer back: the new version, or the old one after a failure,
; whose updater then tells the user.
Function StartViewerForUpdater
  Call ReleaseUpdaterMutex
  ${If} ${Silent}
  ${AndIf} $FromUpdater == 1
    Exec '"$INSTDIR\${VIEWER_EXE}"'
  ${EndIf}
FunctionEnd

Function .onInstSuccess
  Call StartViewerForUpdater
FunctionEnd

Function .onInstFailed
  ${If} ${Silent}
  ${AndIf} $FromUpdater == 1
    CreateDirectory "$INSTDIR\UpDate"
    FileOpen $R0 "$INSTDIR\${FAILED_NOTE}" w
    FileWrite $R0 "${VERSION}"
    FileClose $R0
  ${EndIf}
  Call StartViewerForUpdater
FunctionEnd

Function un.onInit
  Call un.EndRunningPrograms
FunctionEnd

Section "Uninstall"
  Call un.EndRunningPrograms
  Call un.FindInstallation
  !insertmacro INSTALLED_FILES DROP_OLD
  !insertmacro INSTALLED_FILES DELETE_INSTALLED
  ; What the updater leaves in the program folder: its list, the setup program it downloaded, and the
  ; note of an update that did not complete.
  Delete "$INSTDIR\UpSoft.txt"
  Delete "$INSTDIR\UpDate\Pelmor.exe"
  Delete "$INSTDIR\${FAILED_NOTE}"
  RMDir "$INSTDIR\UpDate"
  ; Not /r: a folder that still holds the user's own files stays.
  RMDir "$INSTDIR"
  ; Without an entry naming this folder, the shortcuts and entry of the same name are another's.
  ${If} $Registered == 1
    Delete "$SMPROGRAMS\$LinkName.lnk"
    Delete "$DESKTOP\$LinkName.lnk"
    DeleteRegKey HKCU "$UninstallKey"
  ${EndIf}
  ; The viewer's own setting goes with the last installation; a value of another mode was set by
  ; someone else and stays.
  ClearErrors
  ReadRegDWORD $R0 HKCU "${BROWSER_EMULATION_KEY}" "${VIEWER_EXE}"
  ${IfNot} ${Errors}
  ${AndIf} $R0 == ${BROWSER_EMULATION_MODE}
  ${AndIf} $Others == 0
    DeleteRegValue HKCU "${BROWSER_EMULATION_KEY}" "${VIEWER_EXE}"
  ${EndIf}
SectionEnd
