; Windows installer: copies a staged folder (the programs, Qt's DLLs and
; plugins, mingw's runtime) to Program Files, adds Start-menu entries with
; icons and registers an uninstaller with Windows' list of programs.
; Silent install: SETUP.exe /S [/D=FOLDER]; silent uninstall: uninstall.exe /S.
;
; Built by scripts/windows/make-installer.sh, which passes:
;   PRODUCT_NAME     shown in the wizard, the Start menu and the programs list
;   PRODUCT_DIR      folder name under Program Files and registry key name
;   PRODUCT_VERSION  e.g. 1.0.0
;   PUBLISHER
;   STAGE_DIR        the folder to install, as it should look under $INSTDIR
;   ENTRIES_NSH      a generated file with two macros: NorvakShortcuts (one
;                    CreateShortCut per program) and NorvakRemoveFiles (one
;                    Delete per staged file, one RMDir per folder, deepest first)
;   OUT_FILE         the installer to write

!macro NorvakRequire NAME
  !ifndef ${NAME}
    !error "${NAME} is not defined: build installer.nsi with scripts/windows/make-installer.sh"
  !endif
!macroend
!insertmacro NorvakRequire PRODUCT_NAME
!insertmacro NorvakRequire PRODUCT_DIR
!insertmacro NorvakRequire PRODUCT_VERSION
!insertmacro NorvakRequire PUBLISHER
!insertmacro NorvakRequire STAGE_DIR
!insertmacro NorvakRequire ENTRIES_NSH
!insertmacro NorvakRequire OUT_FILE

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "x64.nsh"
!include /CHARSET=UTF8 "${ENTRIES_NSH}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT_DIR}"

Name "${PRODUCT_NAME}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT_DIR}"
InstallDirRegKey HKLM "Software\${PRODUCT_DIR}" "InstallDir"
VIProductVersion "${PRODUCT_VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=0 "ProductVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT_NAME} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright ${PUBLISHER}"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetRegView 64
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "${PRODUCT_NAME} needs 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Install"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${STAGE_DIR}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT_NAME}"
  !insertmacro NorvakShortcuts
  CreateShortCut "$SMPROGRAMS\${PRODUCT_NAME}\Uninstall ${PRODUCT_NAME}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "Software\${PRODUCT_DIR}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${PRODUCT_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${NORVAK_DISPLAY_ICON}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  ; Only the files this installer put there: a folder the user chose that
  ; holds anything else keeps it.
  !insertmacro NorvakRemoveFiles
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir /r "$SMPROGRAMS\${PRODUCT_NAME}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\${PRODUCT_DIR}"
SectionEnd
