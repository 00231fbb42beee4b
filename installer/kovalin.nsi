; The Windows installer of the browser, the editor and the plug-ins.
;
; makensis -DARCH=x86|amd64 -DBINDIR=<build bin folder> -DFILELIST=<generated list> -DOUTFILE=<setup.exe>
;
; FILELIST is made by scripts/package.sh from the build: one "File" line per plug-in to install
; (installer.files.nsh) and one "Delete" line per plug-in to remove (uninstaller.files.nsh), so
; the uninstaller removes exactly what this installer added.

Unicode true
!if "${ARCH}" == "amd64"
  Target amd64-unicode
  InstallDir "$PROGRAMFILES64\Kovalin"
!else
  Target x86-unicode
  InstallDir "$PROGRAMFILES\Kovalin"
!endif

!define PRODUCT "Kovalin File Browser"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kovalin"
!define MENU_FOLDER "$SMPROGRAMS\Kovalin"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
BrandingText "Kovalin"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${BINDIR}\browser.exe"
  File "${BINDIR}\vodedi.exe"
  File "${BINDIR}\kplugreg.exe"
  SetOutPath "$INSTDIR\plugins"
  !include "${FILELIST}\installer.files.nsh"
  SetOutPath "$INSTDIR"

  ; The plug-in map of the user who installs: one value per extension the plug-ins open.
  nsExec::ExecToLog '"$INSTDIR\kplugreg.exe" /register "$INSTDIR\plugins"'
  Pop $0

  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\Kovalin File Browser.lnk" "$INSTDIR\browser.exe"
  CreateShortcut "${MENU_FOLDER}\Vodedi.lnk" "$INSTDIR\vodedi.exe"
  CreateShortcut "${MENU_FOLDER}\Uninstall Kovalin.lnk" "$INSTDIR\uninstall.exe"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kovalin"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\browser.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  ; The map first, while the plug-ins are still there to say which values are theirs.
  nsExec::ExecToLog '"$INSTDIR\kplugreg.exe" /unregister "$INSTDIR\plugins"'
  Pop $0

  Delete "${MENU_FOLDER}\Kovalin File Browser.lnk"
  Delete "${MENU_FOLDER}\Vodedi.lnk"
  Delete "${MENU_FOLDER}\Uninstall Kovalin.lnk"
  RMDir "${MENU_FOLDER}"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; The install folder last: when it is gone, the uninstaller has done its work.
  !include "${FILELIST}\uninstaller.files.nsh"
  RMDir "$INSTDIR\plugins"
  Delete "$INSTDIR\browser.exe"
  Delete "$INSTDIR\vodedi.exe"
  Delete "$INSTDIR\kplugreg.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
