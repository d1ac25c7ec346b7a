; Hushbar's installer and uninstaller. Built by cmake/Package.cmake, which defines:
;   VERSION     the program version, as in the version resource (2.2.0)
;   MAKER       the maker's name, as in the version resource
;   MAIN_DIALOG_TITLE  the main dialog's caption, by which a running copy is found
;   WIN64_DIR   the 64-bit program folder as it ships
;   WIN32_DIR   the 32-bit program folder as it ships
;   OUTFILE     the installer to write
;   ICON        the program's icon, for the installer and the uninstaller
;   SIGN        (optional) cmake with the signing settings, SIGN_SCRIPT the script it runs:
;               together they sign the uninstaller
;
; Per user by default: %LOCALAPPDATA%\Programs\Hushbar, no elevation, so that Update can
; replace the block list in the program folder. /ALLUSERS installs into Program Files for
; everyone and needs an administrator. /S is silent, as in every NSIS installer.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestSupportedOS all
; Crisp pages at every scale rather than a stretched bitmap at 144 DPI.
ManifestDPIAware true

!include MUI2.nsh
!include x64.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include WinMessages.nsh

!macro Require symbol
  !ifndef ${symbol}
    !error "${symbol} must be defined (see the top of this file)"
  !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require MAKER
!insertmacro Require MAIN_DIALOG_TITLE
!insertmacro Require WIN64_DIR
!insertmacro Require WIN32_DIR
!insertmacro Require OUTFILE
!insertmacro Require ICON
!ifdef SIGN
  ; makensis writes the uninstaller into the setup: it is signed before it goes in.
  !uninstfinalize '${SIGN} "-DFILES=%1" -P ${SIGN_SCRIPT}' = 0
!endif

!define PRODUCT "Hushbar"
!define UNINSTALL_PARENT "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define UNINSTALL_KEY "${UNINSTALL_PARENT}\Hushbar"
; What the setup created only to hold Hushbar, recorded in Hushbar's own entry so that the
; uninstaller removes it (when empty) and nothing that was there before: a DWORD that is 1
; when the Uninstall key itself was created, and the outermost folder created above $INSTDIR.
!define CREATED_KEY_VALUE "HushbarCreatedParentKey"
!define CREATED_FOLDER_VALUE "HushbarCreatedFolder"
!define PER_USER_DIR "$LOCALAPPDATA\Programs\Hushbar"
; The running program is found by its main dialog and asked to end through its own Exit
; command, which withdraws the policy it set before it ends.
!define MAIN_DIALOG_CLASS "#32770"
!define ID_APP_EXIT 57665
!define SYNCHRONIZE 0x00100000

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "${PER_USER_DIR}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${MAKER}"

Var AllUsers

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\hushbar.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Hushbar now"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; --- Shared by installer and uninstaller ---------------------------------------------------

!macro EndRunningHushbar un
Function ${un}EndRunningHushbar
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0
  ${Do}
    FindWindow $0 "${MAIN_DIALOG_CLASS}" "${MAIN_DIALOG_TITLE}"
    ${If} $0 == 0
    ${OrIf} $3 >= 3
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i 0 r1)'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
    ; Posted, not sent: Exit ends the message loop the answer would have to come from.
    System::Call 'user32::PostMessage(p r0, i ${WM_COMMAND}, p ${ID_APP_EXIT}, p 0)'
    ${If} $2 <> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i 15000)'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${Else}
      Sleep 2000
    ${EndIf}
    IntOp $3 $3 + 1
  ${Loop}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro EndRunningHushbar ""

; All users: Program Files, the shell's common folders and HKLM; otherwise the user's own.
!macro ChooseInstallMode un
Function ${un}ChooseInstallMode
  ${If} $AllUsers == 1
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "admin"
      !if "${un}" == "un."
        MessageBox MB_ICONSTOP "Hushbar is installed for all users: only an administrator can remove it.$\r$\nStart the removal again with $\"Run as administrator$\"." /SD IDOK
      !else
        MessageBox MB_ICONSTOP "Installing Hushbar for all users needs an administrator.$\r$\nStart it again with $\"Run as administrator$\", or without /ALLUSERS to install it for yourself." /SD IDOK
      !endif
      SetErrorLevel 740
      Quit
    ${EndIf}
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd
!macroend
!insertmacro ChooseInstallMode ""
!insertmacro ChooseInstallMode "un."

; --- Installer ------------------------------------------------------------------------------

Function .onInit
  StrCpy $AllUsers 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ALLUSERS" $1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ; /D= on the command line wins over the mode's folder. Compared before the mode is
  ; chosen: for all users $LOCALAPPDATA names another folder.
  StrCpy $1 0
  ${If} $INSTDIR == "${PER_USER_DIR}"
    StrCpy $1 1
  ${EndIf}
  Call ChooseInstallMode
  ${If} $AllUsers == 1
  ${AndIf} $1 == 1
    ${If} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Notes what this setup is about to create only as a parent of its own things. A setup run
; over an installed copy keeps the first one's record: what that one created is ours too.
Function RecordCreatedParents
  ClearErrors
  ReadRegDWORD $0 SHCTX "${UNINSTALL_KEY}" "${CREATED_KEY_VALUE}"
  ${IfNot} ${Errors}
    Return
  ${EndIf}
  EnumRegKey $0 SHCTX "${UNINSTALL_PARENT}" 0
  ${If} ${Errors}
    StrCpy $R8 1
  ${Else}
    StrCpy $R8 0
  ${EndIf}
  ; The outermost missing folder on the way up from $INSTDIR's parent.
  StrCpy $R9 ""
  ${GetParent} "$INSTDIR" $0
  ${DoWhile} $0 != ""
    ${If} ${FileExists} "$0\*.*"
      ${Break}
    ${EndIf}
    StrCpy $R9 $0
    ${GetParent} "$0" $0
  ${Loop}
FunctionEnd

Section "Hushbar"
  ; A running copy holds hushbar.exe open and has its policy in force: it ends first.
  ; The user's settings (HKCU\Software\Corvane\Hushbar) are not touched.
  Call EndRunningHushbar
  StrCpy $R8 ""
  Call RecordCreatedParents
  SetOutPath "$INSTDIR"
  SetOverwrite on
  ${If} ${RunningX64}
    File "${WIN64_DIR}\hushbar.exe"
    File "${WIN64_DIR}\objects.dll"
    File "${WIN64_DIR}\latest.xml"
  ${Else}
    File "${WIN32_DIR}\hushbar.exe"
    File "${WIN32_DIR}\objects.dll"
    File "${WIN32_DIR}\latest.xml"
  ${EndIf}
  ; The administrative template, the same for both builds, for an administrator to copy into
  ; PolicyDefinitions.
  SetOutPath "$INSTDIR\policy"
  File "${WIN64_DIR}\policy\hushbar.admx"
  SetOutPath "$INSTDIR\policy\en-US"
  File "${WIN64_DIR}\policy\en-US\hushbar.adml"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\hushbar.exe" "" "$INSTDIR\hushbar.exe" 0

  ; "Programs and Features". SHCTX is HKCU or HKLM, as the mode set it. A copy for all users
  ; and one for the user may stand side by side: their entries are told apart.
  ${If} $R8 != ""
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "${CREATED_KEY_VALUE}" $R8
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "${CREATED_FOLDER_VALUE}" $R9
  ${EndIf}
  ${If} $AllUsers == 1
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} (all users)"
  ${Else}
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  ${EndIf}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\hushbar.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; --- Uninstaller ----------------------------------------------------------------------------

Function un.onInit
  ; Installed for all users when the machine-wide entry names this folder.
  StrCpy $AllUsers 0
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $AllUsers 1
  ${EndIf}
  Call un.ChooseInstallMode
FunctionEnd

Section "Uninstall"
  ; The program cleans up after itself, by the same rules it follows at Exit: it ends a
  ; running copy, withdraws what its records say it set (also after a run that did not end
  ; through Exit), removes the start-up entry only when it starts this copy, and its
  ; settings unless another installed copy still uses them.
  ExecWait '"$INSTDIR\hushbar.exe" /uninstall' $0
  ${If} $0 != 0
    DetailPrint "Hushbar could not take back everything it set (exit code $0)."
  ${EndIf}
  DeleteRegKey /ifempty HKCU "Software\Corvane"

  ; Named one by one: a folder chosen with /D= may hold files that are not ours.
  Delete "$INSTDIR\hushbar.exe"
  Delete "$INSTDIR\objects.dll"
  Delete "$INSTDIR\latest.xml"
  Delete "$INSTDIR\templatest.xml"
  Delete "$INSTDIR\update.zip"
  Delete "$INSTDIR\policy\en-US\hushbar.adml"
  RMDir "$INSTDIR\policy\en-US"
  Delete "$INSTDIR\policy\hushbar.admx"
  RMDir "$INSTDIR\policy"
  ; The uninstaller that started this copy of itself may still be ending and hold its file
  ; for a moment: try again for a few seconds rather than leave the folder behind.
  StrCpy $R9 0
  remove_uninstaller:
  Delete "$INSTDIR\uninstall.exe"
  IfFileExists "$INSTDIR\uninstall.exe" 0 uninstaller_removed
  IntOp $R9 $R9 + 1
  IntCmp $R9 20 uninstaller_removed
  Sleep 250
  Goto remove_uninstaller
  uninstaller_removed:
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ; The folders the setup created above $INSTDIR, up to the outermost, where empty.
  ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "${CREATED_FOLDER_VALUE}"
  ${If} $1 != ""
    ${GetParent} "$INSTDIR" $0
    ${DoWhile} $0 != ""
      RMDir "$0"
      ${If} $0 == $1
        ${Break}
      ${EndIf}
      ${GetParent} "$0" $0
    ${Loop}
  ${EndIf}
  ClearErrors
  ReadRegDWORD $2 SHCTX "${UNINSTALL_KEY}" "${CREATED_KEY_VALUE}"
  ; Last, so that a test (or a user) sees the entry go when everything else has gone.
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${If} $2 == 1
    DeleteRegKey /ifempty SHCTX "${UNINSTALL_PARENT}"
  ${EndIf}
SectionEnd
