; The Windows installer, KestrineSetup-<version>.exe: the files that the install() rules put into
; the staging folder, into Program Files; Start-menu entries; an uninstaller that Windows lists
; under "Apps & features"; and, when chosen, a Task Scheduler task that starts kestrine.exe with
; highest privileges when a user logs on. Built by make-installer.cmake, which defines VERSION,
; OUTFILE, ICON, FILES_NSH and UNFILES_NSH.
;
; Command line (besides NSIS's own /S and /D=folder):
;   /LOGONTASK   choose "Start Kestrine when I log on" (for silent installs)

Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include Sections.nsh

!define PRODUCT "Kestrine"
!define PUBLISHER "Kestrine developers"
!define COPYRIGHT "Copyright (c) 2026 The Kestrine developers. MIT License."
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrine"
!define TASK_NAME "Kestrine"
; The Event Log source the programs write to; its message table is in kestrine.exe.
!define EVENT_SOURCE_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\Kestrine"
; The task's definition, written into the installer's own temporary folder ($PLUGINSDIR) and read
; from there by schtasks.exe: never into the program's folder. Whether the task was chosen is
; kept in the uninstall key (LogonTask); installations before that kept the definition in the
; program's folder, which counts as chosen and is removed.
!define TASK_FILE "logon-task.xml"
!define TASK_CHOSEN "LogonTask"
; The groups of the permission list the program's folder gets outside Program Files.
!define ADMINISTRATORS "*S-1-5-32-544"
!define SYSTEM "*S-1-5-18"
!define USERS "*S-1-5-32-545"

; Why the program's folder could not be given its own permission list; empty when it has one, or
; lies under Program Files.
Var FolderRightsFault

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; Reading drives needs administrator rights, and so do Program Files and the machine's task.
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
; The licence, from the LICENSE file at the top of the sources.
!insertmacro MUI_PAGE_LICENSE "${__FILEDIR__}/../../LICENSE"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\kestrine.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Kestrine now"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Runs schtasks.exe with `arguments` up to `tries` times, a second apart, until it succeeds: a
; Task Scheduler service that is only starting (as under Wine, which starts it on demand) refuses
; the first connection. Leaves schtasks.exe's result in $0.
!macro Schtasks arguments tries
  StrCpy $1 0
  ${Do}
    nsExec::ExecToLog '"$SYSDIR\schtasks.exe" ${arguments}'
    Pop $0
    IntOp $1 $1 + 1
    ${If} $0 == 0
    ${OrIf} $1 >= ${tries}
      ${Break}
    ${EndIf}
    Sleep 1000
  ${Loop}
!macroend

!macro EndRunningPrograms un
  Function ${un}EndRunningPrograms
    nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM kestrine.exe /IM kestrine-demo.exe'
    Pop $0
  FunctionEnd
!macroend
!insertmacro EndRunningPrograms ""
!insertmacro EndRunningPrograms "un."

; 1 in $R9 when $INSTDIR lies inside the folder on the stack (letter case aside), else 0.
Function InstDirIsUnder
  Exch $R0
  Push $R1
  Push $R2
  StrCpy $R9 0
  GetFullPathName $R2 "$INSTDIR"
  ${If} $R0 != ""
    StrCpy $R0 "$R0\"
    StrLen $R1 $R0
    StrCpy $R2 $R2 $R1
    ${If} $R2 == $R0
      StrCpy $R9 1
    ${EndIf}
  ${EndIf}
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; Runs icacls.exe with `arguments`; a failure is kept in $FolderRightsFault.
!macro Icacls arguments
  ${If} $FolderRightsFault == ""
    nsExec::ExecToLog '"$SYSDIR\icacls.exe" ${arguments}'
    Pop $0
    ${If} $0 != 0
      StrCpy $FolderRightsFault "icacls.exe ended with $0"
    ${EndIf}
  ${EndIf}
!macroend

; Under Program Files the folder inherits a permission list under which only administrators and
; the system may change files. Anywhere else (/D=C:\Tools\Kestrine) the parent's list may let any
; user replace kestrine.exe, which the log-on task starts with an administrator's full rights.
; So before anything is copied, Administrators are made the owner of the folder and of what is
; already in it, that content takes the folder's list, and the folder gets a list of its own:
; Administrators and SYSTEM full control, Users read and execute, nothing from its parent.
Function LimitFolderRights
  StrCpy $FolderRightsFault ""
  Push "$PROGRAMFILES"
  Call InstDirIsUnder
  StrCpy $R8 $R9
  Push "$PROGRAMFILES64"
  Call InstDirIsUnder
  ${If} $R8 == 1
  ${OrIf} $R9 == 1
    Return
  ${EndIf}
  ClearErrors
  CreateDirectory "$INSTDIR"
  ${If} ${Errors}
    StrCpy $FolderRightsFault "the folder could not be created"
    Return
  ${EndIf}
  !insertmacro Icacls '"$INSTDIR" /setowner ${ADMINISTRATORS} /T /C /Q'
  !insertmacro Icacls '"$INSTDIR" /reset /T /C /Q'
  !insertmacro Icacls '"$INSTDIR" /inheritance:r /grant:r ${ADMINISTRATORS}:(OI)(CI)F ${SYSTEM}:(OI)(CI)F ${USERS}:(OI)(CI)RX /Q'
  ${If} $FolderRightsFault != ""
    DetailPrint "The permissions of $INSTDIR could not be limited to administrators: $FolderRightsFault."
  ${EndIf}
FunctionEnd

; The machine's history folder, %ProgramData%\Kestrine: Administrators its owner, Administrators
; and SYSTEM full control, nobody else anything, whoever made it before (a standard user can make
; a folder in ProgramData, and would keep the right to swap the history's files). The programs
; refuse a folder another user owns.
Function LimitHistoryFolderRights
  ; The install folder's fault decides the log-on task: kept aside meanwhile.
  Push $FolderRightsFault
  StrCpy $FolderRightsFault ""
  CreateDirectory "$APPDATA\Kestrine"
  !insertmacro Icacls '"$APPDATA\Kestrine" /setowner ${ADMINISTRATORS} /T /C /Q'
  !insertmacro Icacls '"$APPDATA\Kestrine" /inheritance:r /grant:r ${ADMINISTRATORS}:(OI)(CI)F ${SYSTEM}:(OI)(CI)F /Q'
  ${If} $FolderRightsFault != ""
    DetailPrint "The permissions of $APPDATA\Kestrine could not be limited to administrators: $FolderRightsFault."
  ${EndIf}
  Pop $FolderRightsFault
FunctionEnd

Section "Kestrine" SecProgram
  SectionIn RO
  SetShellVarContext all
  ; A running copy (the tray monitor that the log-on task started) holds its file open: it is
  ; ended, or the new file could not be written.
  Call EndRunningPrograms
  Call LimitFolderRights
  Call LimitHistoryFolderRights
  SetOutPath "$INSTDIR"
  ; An earlier installation's task definition.
  Delete "$INSTDIR\${TASK_FILE}"
  !include "${FILES_NSH}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Kestrine.lnk" "$INSTDIR\kestrine.exe" "" "$INSTDIR\kestrine.exe" 0
  CreateShortcut "$SMPROGRAMS\Kestrine Demo.lnk" "$INSTDIR\kestrine-demo.exe" "" \
    "$INSTDIR\kestrine-demo.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kestrine.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "https://kestrine.example.org/"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; Event Viewer shows the programs' lines from the message table in kestrine.exe; the source
  ; takes information, warnings and errors.
  WriteRegExpandStr HKLM "${EVENT_SOURCE_KEY}" "EventMessageFile" "$INSTDIR\kestrine.exe"
  WriteRegDWORD HKLM "${EVENT_SOURCE_KEY}" "TypesSupported" 7
SectionEnd

; Windows does not start programs that ask for administrator rights from the Startup folder or
; the Run key. A task with highest privileges starts kestrine.exe at log-on without a prompt.
; Unlike `schtasks /SC ONLOGON /RL HIGHEST`, the task's own definition keeps the program
; running past three days (no time limit) and starts it on battery power too.
Section /o "Start Kestrine when I log on" SecLogonTask
  ${If} $FolderRightsFault != ""
    ; A task from an earlier installation would start a program any user may have replaced.
    !insertmacro Schtasks '/Delete /TN "${TASK_NAME}" /F' 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "${TASK_CHOSEN}" 0
    DetailPrint "The log-on task was not created: the permissions of $INSTDIR could not be limited to administrators ($FolderRightsFault)."
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "Kestrine was installed, but the task that starts it at log-on was not created: the permissions of $INSTDIR could not be limited to administrators ($FolderRightsFault). Any user who could change kestrine.exe there would get administrator rights at an administrator's next log-on. Install into Program Files, or give the folder such permissions and install again." /SD IDOK
    Return
  ${EndIf}
  InitPluginsDir
  Call WriteTaskFile
  !insertmacro Schtasks '/Create /TN "${TASK_NAME}" /XML "$PLUGINSDIR\${TASK_FILE}" /F' 5
  Delete "$PLUGINSDIR\${TASK_FILE}"
  ${If} $0 != 0
    DetailPrint "schtasks.exe could not create the log-on task (result $0)."
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "Kestrine was installed, but the task that starts it at log-on could not be created." /SD IDOK
  ${Else}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "${TASK_CHOSEN}" 1
  ${EndIf}
SectionEnd

; Not chosen (this time): a task from an earlier installation goes.
Section "-RemoveUnchosenTask"
  ${IfNot} ${SectionIsSelected} ${SecLogonTask}
    ReadRegDWORD $2 HKLM "${UNINSTALL_KEY}" "${TASK_CHOSEN}"
    ${If} $2 == 1
      !insertmacro Schtasks '/Delete /TN "${TASK_NAME}" /F' 5
    ${EndIf}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "${TASK_CHOSEN}" 0
  ${EndIf}
SectionEnd

; The task: at the log-on of any user, kestrine.exe with the highest rights that user has (an
; administrator's full rights, without a prompt), only while the user is logged on, one copy at
; a time. Written in UTF-16 with a byte-order mark, as Task Scheduler writes its own.
Function WriteTaskFile
  ; The folder is the only text from outside: '&' is the one XML character a Windows file name
  ; can hold.
  ${WordReplace} "$INSTDIR\kestrine.exe" "&" "&amp;" "+" $R1
  FileOpen $R0 "$PLUGINSDIR\${TASK_FILE}" w
  FileWriteWord $R0 0xFEFF
  FileWriteUTF16LE $R0 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $R0 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $R0 '  <RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $R0 '    <Author>${PUBLISHER}</Author>$\r$\n'
  FileWriteUTF16LE $R0 '    <Description>Starts Kestrine, which watches the disks from the notification area, when a user logs on.</Description>$\r$\n'
  FileWriteUTF16LE $R0 '  </RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $R0 '  <Triggers>$\r$\n'
  FileWriteUTF16LE $R0 '    <LogonTrigger>$\r$\n'
  FileWriteUTF16LE $R0 '      <Enabled>true</Enabled>$\r$\n'
  FileWriteUTF16LE $R0 '    </LogonTrigger>$\r$\n'
  FileWriteUTF16LE $R0 '  </Triggers>$\r$\n'
  FileWriteUTF16LE $R0 '  <Principals>$\r$\n'
  FileWriteUTF16LE $R0 '    <Principal id="Author">$\r$\n'
  FileWriteUTF16LE $R0 '      <GroupId>S-1-5-32-545</GroupId>$\r$\n'
  FileWriteUTF16LE $R0 '      <RunLevel>HighestAvailable</RunLevel>$\r$\n'
  FileWriteUTF16LE $R0 '    </Principal>$\r$\n'
  FileWriteUTF16LE $R0 '  </Principals>$\r$\n'
  FileWriteUTF16LE $R0 '  <Settings>$\r$\n'
  FileWriteUTF16LE $R0 '    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>$\r$\n'
  FileWriteUTF16LE $R0 '    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>$\r$\n'
  FileWriteUTF16LE $R0 '    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>$\r$\n'
  FileWriteUTF16LE $R0 '    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>$\r$\n'
  FileWriteUTF16LE $R0 '    <Priority>7</Priority>$\r$\n'
  FileWriteUTF16LE $R0 '    <Enabled>true</Enabled>$\r$\n'
  FileWriteUTF16LE $R0 '  </Settings>$\r$\n'
  FileWriteUTF16LE $R0 '  <Actions Context="Author">$\r$\n'
  FileWriteUTF16LE $R0 '    <Exec>$\r$\n'
  FileWriteUTF16LE $R0 '      <Command>"$R1"</Command>$\r$\n'
  FileWriteUTF16LE $R0 '    </Exec>$\r$\n'
  FileWriteUTF16LE $R0 '  </Actions>$\r$\n'
  FileWriteUTF16LE $R0 '</Task>$\r$\n'
  FileClose $R0
FunctionEnd

Function .onInit
  SetShellVarContext all
  ; Keep the choice of an earlier installation, and take /LOGONTASK.
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "${TASK_CHOSEN}"
  ${If} $0 == 1
  ${OrIf} ${FileExists} "$INSTDIR\${TASK_FILE}"
    !insertmacro SelectSection ${SecLogonTask}
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/LOGONTASK" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecLogonTask}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  ; The task has this program's name: it goes whether or not it was chosen. When it was not,
  ; there is most likely no task, and one try is enough.
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "${TASK_CHOSEN}"
  ${If} $0 == 1
  ${OrIf} ${FileExists} "$INSTDIR\${TASK_FILE}"
    !insertmacro Schtasks '/Delete /TN "${TASK_NAME}" /F' 5
  ${Else}
    !insertmacro Schtasks '/Delete /TN "${TASK_NAME}" /F' 1
  ${EndIf}
  Delete "$INSTDIR\${TASK_FILE}"
  Call un.EndRunningPrograms
  Delete "$SMPROGRAMS\Kestrine.lnk"
  Delete "$SMPROGRAMS\Kestrine Demo.lnk"
  ; A program still running is removed at the next restart.
  !include "${UNFILES_NSH}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${EVENT_SOURCE_KEY}"
SectionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd
