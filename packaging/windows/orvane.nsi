; The program's installer for Windows: a per-user install, no administrator rights asked.
;   makensis -INPUTCHARSET UTF8 -DSRC=DEPLOY_FOLDER -DFILES=LIST.nsh -DICON=ICO -DVERSION=V \
;     -DOUTFILE=SETUP.exe orvane.nsi
; LIST.nsh (written by scripts/package-windows) holds two macros, DeleteFiles and DeleteFolders,
; that name the deployed files and folders one by one: the uninstaller removes what was installed
; and nothing else from a folder the user may have chosen.
; The record and the settings in %APPDATA%\Orvane are the user's: neither side touches them.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include LogicLib.nsh
!include "${FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane"
; Held by orvane.exe while it runs (src/platform/running.h).
!define RUNNING_MUTEX "Local\OrvaneRunning"
!define SYNCHRONIZE 0x00100000

Name "Orvane ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Orvane"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
Icon "${ICON}"
UninstallIcon "${ICON}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Orvane"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Orvane setup"
VIAddVersionKey "LegalCopyright" "Orvane developers"

; The languages the program ships; Windows' own language picks one.
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\German.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\French.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Spanish.nlf"
LangString Running ${LANG_ENGLISH} "Orvane is running. Please end it first (Exit in the menu of its tray icon), then choose Retry."
LangString Running ${LANG_GERMAN} "Orvane läuft. Bitte beenden Sie es zuerst (Beenden im Menü seines Symbols im Infobereich) und wählen Sie dann Wiederholen."
LangString Running ${LANG_FRENCH} "Orvane est en cours d'exécution. Veuillez d'abord le fermer (Quitter dans le menu de son icône de notification), puis choisissez Réessayer."
LangString Running ${LANG_SPANISH} "Orvane se está ejecutando. Ciérrelo primero (Salir en el menú de su icono de la bandeja) y elija Reintentar."
LangString NotWritten ${LANG_ENGLISH} "Some of Orvane's files could not be written to $INSTDIR."
LangString NotWritten ${LANG_GERMAN} "Einige Dateien von Orvane konnten nicht nach $INSTDIR geschrieben werden."
LangString NotWritten ${LANG_FRENCH} "Certains fichiers d'Orvane n'ont pas pu être écrits dans $INSTDIR."
LangString NotWritten ${LANG_SPANISH} "Algunos archivos de Orvane no se pudieron escribir en $INSTDIR."
LangString NotRemoved ${LANG_ENGLISH} "Some files could not be removed from $INSTDIR."
LangString NotRemoved ${LANG_GERMAN} "Einige Dateien konnten nicht aus $INSTDIR entfernt werden."
LangString NotRemoved ${LANG_FRENCH} "Certains fichiers n'ont pas pu être supprimés de $INSTDIR."
LangString NotRemoved ${LANG_SPANISH} "Algunos archivos no se pudieron eliminar de $INSTDIR."

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Waits until no orvane.exe runs in this session. The files of a running program can be neither
; replaced nor deleted, and a setup that skipped them would still report success. Silent: a
; program that is just ending gets a few seconds, then the setup fails with status 3.
!macro WaitUntilOrvaneEnded
  StrCpy $1 0
  ${Do}
    System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${RUNNING_MUTEX}") p .r0'
    ${If} $0 P= 0
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    ${If} ${Silent}
      IntOp $1 $1 + 1
      ${If} $1 > 20
        SetErrorLevel 3
        Quit
      ${EndIf}
      Sleep 250
    ${Else}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(Running)" IDRETRY +3
      SetErrorLevel 3
      Quit
    ${EndIf}
  ${Loop}
!macroend

Function .onInit
  !insertmacro WaitUntilOrvaneEnded
FunctionEnd

Function un.onInit
  !insertmacro WaitUntilOrvaneEnded
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  ClearErrors
  File /r "${SRC}/*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    ; A file in use or a full disk: the install is not whole.
    MessageBox MB_OK|MB_ICONSTOP "$(NotWritten)" /SD IDOK
    SetErrorLevel 4
    Quit
  ${EndIf}
  CreateShortCut "$SMPROGRAMS\Orvane.lnk" "$INSTDIR\orvane.exe" "" "$INSTDIR\orvane.exe" 0 \
    SW_SHOWNORMAL "" "Log your activities"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Orvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Orvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\orvane.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ClearErrors
  !insertmacro DeleteFiles
  Delete "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    ; The shortcut and the Apps entry stay, so that the user can finish the job later.
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(NotRemoved)" /SD IDOK
    SetErrorLevel 4
    Quit
  ${EndIf}
  ; Folders that hold files of the user's own (a language file of theirs) stay.
  !insertmacro DeleteFolders
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Orvane.lnk"
  ; The shortcuts the program itself offers to create.
  Delete "$DESKTOP\Orvane.lnk"
  Delete "$SMSTARTUP\Orvane.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
