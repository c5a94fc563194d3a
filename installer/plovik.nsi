; The setup program of Plovik: a per-user install that needs no administrator.
; Built by `make dist`, which passes:
;   VERSION  the program's version ("4.0", "4.0.1")
;   FILE_VERSION  the same in Windows' four numbers ("4.0.0.0", "4.0.1.0")
;   EXE      the Plovik.exe to ship
;   LICENSE  the licence text; README the short read-me
;   ICON     the program's icon; OUTFILE where the setup program goes
;
; Switches of the setup program, beside NSIS's own /S and /D=<folder>:
;   /LANGUAGE=ru|en  the program's language (silent default: leave as stored)
;   /AUTOSTART=1|0   start Plovik when the user logs on (default: as stored, else off)
;   /D=<folder>      a new or empty folder, or the folder of an installed Plovik:
;                    a folder holding other files is refused (exit code 5)
;   /RUN             start Plovik when a silent install is done
; Switch of the uninstaller, beside /S:
;   /REMOVESETTINGS  remove the settings too

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!macro REQUIRE NAME
  !ifndef ${NAME}
    !error "make dist passes ${NAME}"
  !endif
!macroend
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE FILE_VERSION
!insertmacro REQUIRE EXE
!insertmacro REQUIRE LICENSE
!insertmacro REQUIRE README
!insertmacro REQUIRE ICON
!insertmacro REQUIRE OUTFILE

!define SETTINGS_KEY "Software\Merrowind\MRWPLOVIK"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Plovik"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Plovik"
; The hidden window of a running copy, and the message that asks it to save
; and end without a question.
!define APP_WINDOW_CLASS "PlovikApplication"
!define END_REQUEST_MESSAGE "PlovikEndRequest"
; How long a running copy is given to end, in tenths of a second.
!define END_WAIT_TENTHS 80

Name "Plovik ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Plovik"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Merrowind Plovik ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Plovik"
VIAddVersionKey /LANG=1033 "CompanyName" "Merrowind"
VIAddVersionKey /LANG=1033 "FileDescription" "Plovik ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 Merrowind, MIT licence"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

Var LanguageChosen   ; 1 when the user or a switch chose the program's language
Var AutoStartChosen  ; 1 when /AUTOSTART= chose the log-on start
Var AutoStartShown   ; the log-on box as the components page first showed it

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_LANGDLL_WINDOWTITLE "Plovik ${VERSION}"
!define MUI_LANGDLL_INFO "Язык программы и установки$\nLanguage of the program and of this setup"
!define MUI_LANGDLL_ALWAYSSHOW

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(StartNowText)"
!define MUI_FINISHPAGE_RUN_FUNCTION StartPlovik
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one the program speaks when nothing is chosen.
!insertmacro MUI_LANGUAGE "Russian"
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_RESERVEFILE_LANGDLL

LangString AutoStartText ${LANG_RUSSIAN} "Запускать Plovik при входе в систему"
LangString AutoStartText ${LANG_ENGLISH} "Start Plovik when I log on"
LangString StartNowText ${LANG_RUSSIAN} "Запустить Plovik сейчас"
LangString StartNowText ${LANG_ENGLISH} "Start Plovik now"
LangString ShortcutText ${LANG_RUSSIAN} "Plovik - горячие клавиши для Winamp"
LangString ShortcutText ${LANG_ENGLISH} "Plovik - hot keys for Winamp"
LangString StillRunningText ${LANG_RUSSIAN} "Plovik запущен и не закрылся за несколько секунд.$\n$\nЗавершите его (пункт $\"Выход$\" в меню значка у часов) и запустите программу снова. Ничего не изменено."
LangString StillRunningText ${LANG_ENGLISH} "Plovik is running and did not close within a few seconds.$\n$\nEnd it (the item $\"Exit$\" in its tray menu) and run this program again. Nothing has been changed."
LangString CannotWriteText ${LANG_RUSSIAN} "В папку $\"$INSTDIR$\" нельзя записать файлы.$\n$\nВыберите другую папку. Ничего не установлено."
LangString CannotWriteText ${LANG_ENGLISH} "Files cannot be written to the folder $\"$INSTDIR$\".$\n$\nChoose another folder. Nothing has been installed."
LangString OtherFilesText ${LANG_RUSSIAN} "В папке $\"$INSTDIR$\" уже есть другие файлы.$\n$\nPlovik ставится в новую или пустую папку либо поверх установленного Plovik. Выберите другую папку, например $\"$INSTDIR\Plovik$\". Ничего не установлено."
LangString OtherFilesText ${LANG_ENGLISH} "The folder $\"$INSTDIR$\" already holds other files.$\n$\nPlovik goes into a new or empty folder, or over an installed Plovik. Choose another folder, for example $\"$INSTDIR\Plovik$\". Nothing has been installed."
LangString RemoveSettingsText ${LANG_RUSSIAN} "Удалить также мои настройки"
LangString RemoveSettingsText ${LANG_ENGLISH} "Also remove my settings"

; ---- shared by the setup program and the uninstaller -------------------------

; Asks every running copy to save and end, and waits until all are gone and
; their executable in the install folder can be replaced. Leaves "1" on the
; stack when they are gone, "0" when one is still there after the wait.
!macro END_RUNNING_COPIES UN
Function ${UN}EndRunningCopies
  Push $0
  Push $1
  Push $2
  System::Call 'user32::RegisterWindowMessageW(w "${END_REQUEST_MESSAGE}") i .r1'
  StrCpy $2 0
  ${Do}
    FindWindow $0 "${APP_WINDOW_CLASS}"
    ${If} $0 = 0
      ; The window goes before the process: wait until the file is free too.
      ${IfNot} ${FileExists} "$INSTDIR\Plovik.exe"
        ${Break}
      ${EndIf}
      ClearErrors
      FileOpen $0 "$INSTDIR\Plovik.exe" a
      ${IfNot} ${Errors}
        FileClose $0
        ${Break}
      ${EndIf}
    ${Else}
      ${Do}
        System::Call 'user32::PostMessageW(p r0, i r1, p 0, p 0)'
        FindWindow $0 "${APP_WINDOW_CLASS}" "" 0 $0
      ${LoopUntil} $0 = 0
    ${EndIf}
    ${If} $2 >= ${END_WAIT_TENTHS}
      Pop $2
      Pop $1
      Pop $0
      Push 0
      Return
    ${EndIf}
    Sleep 100
    IntOp $2 $2 + 1
  ${Loop}
  Pop $2
  Pop $1
  Pop $0
  Push 1
FunctionEnd
!macroend
!insertmacro END_RUNNING_COPIES ""
!insertmacro END_RUNNING_COPIES "un."

; The program's language as stored: "ru", "en", or anything else.
!macro READ_STORED_LANGUAGE
  ReadRegStr $0 HKCU "${SETTINGS_KEY}" "Language"
  ${If} $0 == "en"
    StrCpy $LANGUAGE ${LANG_ENGLISH}
  ${ElseIf} $0 == "ru"
    StrCpy $LANGUAGE ${LANG_RUSSIAN}
  ${EndIf}
!macroend

; ---- the setup program -----------------------------------------------------

Section "!Plovik" SecProgram
  SectionIn RO
  ; The folder first: a refused folder must leave a running Plovik running.
  Call CheckFolder
  Pop $0
  ${If} $0 = 5
    MessageBox MB_OK|MB_ICONSTOP "$(OtherFilesText)" /SD IDOK
    SetErrorLevel 5
    Abort
  ${ElseIf} $0 <> 0
    MessageBox MB_OK|MB_ICONSTOP "$(CannotWriteText)" /SD IDOK
    SetErrorLevel 4
    Abort
  ${EndIf}
  Call EndRunningCopies
  Pop $0
  ${If} $0 != 1
    MessageBox MB_OK|MB_ICONSTOP "$(StillRunningText)" /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "/oname=Plovik.exe" "${EXE}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  File "/oname=README.txt" "${README}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Plovik.lnk" "$INSTDIR\Plovik.exe" "" "$INSTDIR\Plovik.exe" 0 \
                 SW_SHOWNORMAL "" "$(ShortcutText)"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Plovik"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Merrowind"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Plovik.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\Uninstall.exe$\""
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\Uninstall.exe$\" /S"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"

  ${If} $LanguageChosen = 1
    ${If} $LANGUAGE = ${LANG_ENGLISH}
      WriteRegStr HKCU "${SETTINGS_KEY}" "Language" "en"
    ${Else}
      WriteRegStr HKCU "${SETTINGS_KEY}" "Language" "ru"
    ${EndIf}
  ${EndIf}
SectionEnd

Section "$(AutoStartText)" SecAutoStart
SectionEnd

; The choice of auto-start writes what the program's own box writes when it is
; saved, so that the box and the entry agree. Without a choice the stored
; option stays; it is read only here, after a running copy has saved at its
; end, because its box may hold a change that was not saved before.
Section "-ApplyAutoStart"
  ${If} ${SectionIsSelected} ${SecAutoStart}
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
  ${If} $0 != $AutoStartShown
    StrCpy $AutoStartChosen 1
  ${EndIf}
  ${If} $AutoStartChosen != 1
    ClearErrors
    ReadRegDWORD $0 HKCU "${SETTINGS_KEY}" "AutoLoadPr"
    ${If} ${Errors}
      StrCpy $0 0
    ${EndIf}
  ${EndIf}
  ${If} $0 <> 0
    WriteRegDWORD HKCU "${SETTINGS_KEY}" "AutoLoadPr" 1
    Call AutoStartCommand
    Pop $0
    WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" "$0"
  ${Else}
    WriteRegDWORD HKCU "${SETTINGS_KEY}" "AutoLoadPr" 0
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
SectionEnd

Section "-RunWhenSilent"
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/RUN" $0
  ${IfNot} ${Errors}
  ${AndIf} ${Silent}
    Call StartPlovik
  ${EndIf}
SectionEnd

; The program's own rule: the short form of its path, or the path in quotes
; where the system gives no short form, or one with a space in it.
Function AutoStartCommand
  Push $0
  Push $1
  Push $2
  ClearErrors
  GetFullPathName /SHORT $0 "$INSTDIR\Plovik.exe"
  ${If} ${Errors}
  ${OrIf} $0 == ""
    StrCpy $0 "$\"$INSTDIR\Plovik.exe$\""
  ${Else}
    StrCpy $1 0
    ${Do}
      StrCpy $2 $0 1 $1
      ${If} $2 == ""
        ${Break}
      ${EndIf}
      ${If} $2 == " "
        StrCpy $0 "$\"$0$\""
        ${Break}
      ${EndIf}
      IntOp $1 $1 + 1
    ${Loop}
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; The setup program writes only files of its own, and the uninstaller removes
; them by name: so a folder that holds anything else is refused, unless it is
; the folder of an installed Plovik, whose files are all the setup program's.
; Leaves "0" on the stack when the folder can take Plovik, "5" when it holds
; other files, "4" when nothing can be written in it.
Function CheckFolder
  Push $0
  Call FolderHoldsOthers
  Pop $0
  ${If} $0 = 1
    StrCpy $0 5
  ${Else}
    Call CheckFolderWritable
    Pop $0
  ${EndIf}
  Exch $0
FunctionEnd

; Leaves "1" on the stack when the install folder holds anything and no
; installed Plovik.
Function FolderHoldsOthers
  Push $0
  Push $1
  Push $2
  StrCpy $2 0
  ${IfNot} ${FileExists} "$INSTDIR\Plovik.exe"
  ${OrIfNot} ${FileExists} "$INSTDIR\Uninstall.exe"
    ClearErrors
    FindFirst $0 $1 "$INSTDIR\*"
    ${DoWhile} $1 != ""
      ${If} $1 != "."
      ${AndIf} $1 != ".."
        StrCpy $2 1
        ${Break}
      ${EndIf}
      FindNext $0 $1
    ${Loop}
    FindClose $0
  ${EndIf}
  StrCpy $0 $2
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Leaves "0" on the stack when files can be made in the install folder, "4"
; when not. The trial file gets a name no other file has, and a folder made
; only to be tried is taken away again, so that a refusal or a cancel leaves
; nothing; the install makes it anew.
Function CheckFolderWritable
  Push $0
  Push $1
  StrCpy $1 0
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $1 1
  ${EndIf}
  ClearErrors
  CreateDirectory "$INSTDIR"
  GetTempFileName $0 "$INSTDIR"
  ${If} ${Errors}
  ${OrIf} $0 == ""
    StrCpy $0 4
  ${Else}
    Delete $0
    StrCpy $0 0
  ${EndIf}
  ${If} $1 = 1
    RMDir "$INSTDIR"
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

Function DirectoryLeave
  Call CheckFolder
  Pop $0
  ${If} $0 = 5
    MessageBox MB_OK|MB_ICONSTOP "$(OtherFilesText)"
    Abort
  ${ElseIf} $0 <> 0
    MessageBox MB_OK|MB_ICONSTOP "$(CannotWriteText)"
    Abort
  ${EndIf}
FunctionEnd

Function StartPlovik
  Exec "$\"$INSTDIR\Plovik.exe$\""
FunctionEnd

Function .onInit
  StrCpy $LanguageChosen 0
  !insertmacro READ_STORED_LANGUAGE
  ${GetParameters} $2
  ${GetOptions} $2 "/LANGUAGE=" $0
  ${If} $0 == "en"
    StrCpy $LANGUAGE ${LANG_ENGLISH}
    StrCpy $LanguageChosen 1
  ${ElseIf} $0 == "ru"
    StrCpy $LANGUAGE ${LANG_RUSSIAN}
    StrCpy $LanguageChosen 1
  ${EndIf}
  ${IfNot} ${Silent}
  ${AndIf} $LanguageChosen = 0
    !insertmacro MUI_LANGDLL_DISPLAY
    StrCpy $LanguageChosen 1
  ${EndIf}

  ; Auto-start: the page shows the option as stored now; a running copy may
  ; still change it when it saves at its end, which counts unless the box or
  ; a switch is changed here.
  StrCpy $AutoStartChosen 0
  ReadRegDWORD $0 HKCU "${SETTINGS_KEY}" "AutoLoadPr"
  ${GetOptions} $2 "/AUTOSTART=" $1
  ${If} $1 == "1"
    StrCpy $0 1
    StrCpy $AutoStartChosen 1
  ${ElseIf} $1 == "0"
    StrCpy $0 0
    StrCpy $AutoStartChosen 1
  ${EndIf}
  ${If} $0 <> 0
    StrCpy $AutoStartShown 1
    !insertmacro SelectSection ${SecAutoStart}
  ${Else}
    StrCpy $AutoStartShown 0
    !insertmacro UnselectSection ${SecAutoStart}
  ${EndIf}
FunctionEnd

; ---- the uninstaller -------------------------------------------------------

Section "un.Plovik" UnSecProgram
  SectionIn RO
  Call un.EndRunningCopies
  Pop $0
  ${If} $0 != 1
    MessageBox MB_OK|MB_ICONSTOP "$(StillRunningText)" /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}
  Delete "$INSTDIR\Plovik.exe"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Plovik.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ; Kept settings must not ask for an entry that is gone.
  ClearErrors
  ReadRegDWORD $0 HKCU "${SETTINGS_KEY}" "AutoLoadPr"
  ${IfNot} ${Errors}
    WriteRegDWORD HKCU "${SETTINGS_KEY}" "AutoLoadPr" 0
  ${EndIf}
SectionEnd

Section /o "un.$(RemoveSettingsText)" UnSecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Merrowind"
SectionEnd

Function un.onInit
  !insertmacro READ_STORED_LANGUAGE
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/REMOVESETTINGS" $0
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecSettings}
  ${EndIf}
FunctionEnd
