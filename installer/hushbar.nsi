; Hushbar's installer and uninstaller. Built by cmake/Package.cmake, which defines:
;   VERSION     the program version, as in the version resource (2.2.0)
;   MAKER       the maker's name, as in the version resource
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
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Corvane\Hushbar"
; What the setup created only to hold Hushbar, recorded in Hushbar's own entry so that the
; uninstaller removes it (when empty) and nothing that was there before: a DWORD that is 1
; when the Uninstall key itself was created, and the outermost folder created above $INSTDIR.
!define CREATED_KEY_VALUE "HushbarCreatedParentKey"
!define CREATED_FOLDER_VALUE "HushbarCreatedFolder"
!define PER_USER_DIR "$LOCALAPPDATA\Programs\Hushbar"
; The running program is found by its main dialog and asked to end through its own Exit
; command, which withdraws the policy it set before it ends.
!define MAIN_DIALOG_CLASS "#32770"
!define MAIN_DIALOG_TITLE "Hushbar - BLOCKING MULTIMEDIA ADS AND SPYWARE  IN INTERNET EXPLORER"
!define ID_APP_EXIT 57665
!define SYNCHRONIZE 0x00100000
; Where Hushbar writes the browser's policy, and what it records there as its own: a
; REG_DWORD "Hushbar" beside the flags (see SweepOwned).
!define KILL_BITS_KEY "SOFTWARE\Microsoft\Internet Explorer\ActiveX Compatibility"
!define KILL_BITS_VALUE "Compatibility Flags"
!define KILL_BIT 0x400
!define ADDON_FLAGS_KEY "Software\Microsoft\Windows\CurrentVersion\Ext\Settings"
!define ADDON_FLAGS_VALUE "Flags"
!define ADDON_DISABLED_BIT 0x1
!define OWNER_VALUE "Hushbar"

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
!insertmacro EndRunningHushbar "un."

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

; Takes back what Hushbar recorded as its own in one location, by the rules the program
; itself follows when it withdraws, and only there: the record "Hushbar" says 1 (Hushbar
; created the key), 2 (it added its bit to a flags value that was there) or 3 (it added the
; flags value to a key that was there). A key that was ours alone goes; otherwise the bit
; goes, and the flags value too where Hushbar added it and nothing else is left in it; then
; the record goes. Keys without one of these records are someone else's and stay as they
; are. Runs in the registry view the caller chose.
!macro SweepOwned name root path flagsValue bit
Function un.${name}
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  Push $R6
  Push $R7
  StrCpy $R0 0
  ${Do}
    EnumRegKey $R1 ${root} "${path}" $R0
    ${If} $R1 == ""
      ${Break}
    ${EndIf}
    StrCpy $R1 "${path}\$R1"
    ClearErrors
    ReadRegDWORD $R2 ${root} "$R1" "${OWNER_VALUE}"
    ${If} ${Errors}
      StrCpy $R2 0
    ${EndIf}
    ${If} $R2 <> 1
    ${AndIf} $R2 <> 2
    ${AndIf} $R2 <> 3
      IntOp $R0 $R0 + 1
      ${Continue}
    ${EndIf}
    ; $R3: 1 while the key holds nothing but the flags and the record (no subkey, no
    ; default value, no other value). $R6: 1 when there is a flags value at all.
    StrCpy $R3 1
    StrCpy $R6 0
    EnumRegKey $R4 ${root} "$R1" 0
    ${If} $R4 != ""
      StrCpy $R3 0
    ${EndIf}
    ClearErrors
    ReadRegStr $R4 ${root} "$R1" ""
    ${IfNot} ${Errors}
      StrCpy $R3 0
    ${EndIf}
    StrCpy $R5 0
    ${Do}
      EnumRegValue $R4 ${root} "$R1" $R5
      ${If} $R4 == ""
        ${Break}
      ${ElseIf} $R4 == "${flagsValue}"
        StrCpy $R6 1
      ${ElseIf} $R4 != "${OWNER_VALUE}"
        StrCpy $R3 0
      ${EndIf}
      IntOp $R5 $R5 + 1
    ${Loop}
    ; $R4: the flags, $R7: what is left of them without our bit (0 when there are none).
    StrCpy $R4 0
    StrCpy $R7 0
    ${If} $R6 == 1
      ClearErrors
      ReadRegDWORD $R4 ${root} "$R1" "${flagsValue}"
      ${If} ${Errors}
        ; Flags that are not a number are nobody's bits to change: only the record goes.
        DeleteRegValue ${root} "$R1" "${OWNER_VALUE}"
        IntOp $R0 $R0 + 1
        ${Continue}
      ${EndIf}
      ; IntOp's "~" takes one operand: the mask is made first.
      IntOp $R5 ${bit} ~
      IntOp $R7 $R4 & $R5
    ${EndIf}
    ${If} $R2 == 1
    ${AndIf} $R3 == 1
    ${AndIf} $R7 == 0
      DeleteRegKey ${root} "$R1"
      ; The next key now has this index.
      ${Continue}
    ${EndIf}
    ${If} $R6 == 1
      ${If} $R2 <> 2
      ${AndIf} $R7 == 0
        DeleteRegValue ${root} "$R1" "${flagsValue}"
      ${ElseIf} $R7 <> $R4
        WriteRegDWORD ${root} "$R1" "${flagsValue}" $R7
      ${EndIf}
    ${EndIf}
    DeleteRegValue ${root} "$R1" "${OWNER_VALUE}"
    IntOp $R0 $R0 + 1
  ${Loop}
  Pop $R7
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro SweepOwned SweepKillBits HKLM "${KILL_BITS_KEY}" "${KILL_BITS_VALUE}" ${KILL_BIT}
!insertmacro SweepOwned SweepAddOnFlags HKCU "${ADDON_FLAGS_KEY}" "${ADDON_FLAGS_VALUE}" ${ADDON_DISABLED_BIT}

Function un.SweepBothViews
  ${If} ${RunningX64}
    SetRegView 64
    Call un.SweepKillBits
    Call un.SweepAddOnFlags
    SetRegView 32
  ${EndIf}
  Call un.SweepKillBits
  Call un.SweepAddOnFlags
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

; Pushes 1 when Hushbar's entry in the other hive (HKLM for a per-user copy, HKCU for one
; for all users) names a folder that still holds the program, else 0.
Function un.OtherCopyInstalled
  ${If} $AllUsers == 1
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${Else}
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
  ${AndIf} ${FileExists} "$0\hushbar.exe"
    Push 1
  ${Else}
    Push 0
  ${EndIf}
FunctionEnd

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
  ; Exit withdraws everything the program set; the sweep then takes back what a program
  ; that did not end normally left behind.
  Call un.EndRunningHushbar
  Call un.SweepBothViews

  ; The start-up entry goes only when it starts this copy, not another one beside it.
  ClearErrors
  ReadRegStr $0 HKCU "${RUN_KEY}" "${PRODUCT}"
  ${IfNot} ${Errors}
    ${If} $0 == '"$INSTDIR\hushbar.exe"'
    ${OrIf} $0 == "$INSTDIR\hushbar.exe"
      DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
    ${EndIf}
  ${EndIf}
  ; The settings belong to the user, not to a copy: while the other copy (for all users, or
  ; the user's own) stays installed, they stay with it.
  Call un.OtherCopyInstalled
  Pop $0
  ${If} $0 == 0
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Corvane"
  ${EndIf}

  ; Named one by one: a folder chosen with /D= may hold files that are not ours.
  Delete "$INSTDIR\hushbar.exe"
  Delete "$INSTDIR\objects.dll"
  Delete "$INSTDIR\latest.xml"
  Delete "$INSTDIR\templatest.xml"
  Delete "$INSTDIR\update.zip"
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
