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
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrine"
!define TASK_NAME "Kestrine"
; The Event Log source the programs write to; its message table is in kestrine.exe.
!define EVENT_SOURCE_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\Kestrine"
; The task's definition, kept in the program's folder: it tells what was registered, and
; `schtasks /Create /TN Kestrine /XML logon-task.xml` registers it again.
!define TASK_FILE "logon-task.xml"

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
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
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

Section "Kestrine" SecProgram
  SectionIn RO
  SetShellVarContext all
  ; A running copy (the tray monitor that the log-on task started) holds its file open: it is
  ; ended, or the new file could not be written.
  Call EndRunningPrograms
  SetOutPath "$INSTDIR"
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
  Call WriteTaskFile
  !insertmacro Schtasks '/Create /TN "${TASK_NAME}" /XML "$INSTDIR\${TASK_FILE}" /F' 5
  ${If} $0 != 0
    DetailPrint "schtasks.exe could not create the log-on task (result $0)."
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "Kestrine was installed, but the task that starts it at log-on could not be created." /SD IDOK
  ${EndIf}
SectionEnd

; Not chosen (this time): a task from an earlier installation goes.
Section "-RemoveUnchosenTask"
  ${IfNot} ${SectionIsSelected} ${SecLogonTask}
    ${If} ${FileExists} "$INSTDIR\${TASK_FILE}"
      !insertmacro Schtasks '/Delete /TN "${TASK_NAME}" /F' 5
      Delete "$INSTDIR\${TASK_FILE}"
    ${EndIf}
  ${EndIf}
SectionEnd

; The task: at the log-on of any user, kestrine.exe with the highest rights that user has (an
; administrator's full rights, without a prompt), only while the user is logged on, one copy at
; a time. Written in UTF-16 with a byte-order mark, as Task Scheduler writes its own.
Function WriteTaskFile
  ; The folder is the only text from outside: '&' is the one XML character a Windows file name
  ; can hold.
  ${WordReplace} "$INSTDIR\kestrine.exe" "&" "&amp;" "+" $R1
  FileOpen $R0 "$INSTDIR\${TASK_FILE}" w
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
  ${If} ${FileExists} "$INSTDIR\${TASK_FILE}"
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
  ; The task has this program's name: it goes whether or not its definition is still here.
  ; Without the definition there is most likely no task, and one try is enough.
  ${If} ${FileExists} "$INSTDIR\${TASK_FILE}"
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
