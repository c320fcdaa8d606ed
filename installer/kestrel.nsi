; The Kestrel installer: KestrelFSX.dll into the simulator's Modules folder, the toolkit
; and the README into a folder of their own, Kestrel's entry in the user's dll.xml (by
; kestrel-dllxml.exe), an uninstaller and the Add/Remove Programs entry.
; Built by cmake/installer.cmake, which defines VERSION, VERSION_NUMBERS (four parts), TARGET (x86-unicode or
; amd64-unicode), BUILD_DIR, SOURCE_DIR and OUTFILE.
; Silent: /S, /D=TOOLKIT_FOLDER (last, as NSIS wants), /SIM=SIMULATOR_FOLDER when the
; simulator's registry entry is missing or wrong. The uninstaller takes /S and /PURGE
; (also delete Kestrel.ini, Kestrel.log and the recordings in the Modules folder).
; Exit status 0 done, 2 cancelled or refused, 3 installed but dll.xml left unchanged.

Unicode true
Target "${TARGET}"
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrel"
!define SIM_KEY "SOFTWARE\Microsoft\Microsoft Games\Flight Simulator\10.0"
!define DLLXML "$APPDATA\Microsoft\FSX\dll.xml"

Name "Kestrel ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "Kestrel ${VERSION}"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES\Kestrel"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION_NUMBERS}"
VIAddVersionKey /LANG=1033 "ProductName" "Kestrel"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Kestrel ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "The Kestrel authors"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) The Kestrel authors"

Var SimDir  ; the simulator's folder, without a trailing backslash

!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This will install Kestrel ${VERSION}, the flight recorder for Microsoft Flight Simulator X.$\r$\n$\r$\nPlease close the simulator before you continue.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME

!define MUI_PAGE_HEADER_TEXT "Simulator Folder"
!define MUI_PAGE_HEADER_SUBTEXT "Where is Flight Simulator X installed?"
!define MUI_DIRECTORYPAGE_TEXT_TOP "Kestrel's module, KestrelFSX.dll, goes into the Modules folder of Flight Simulator X. Setup found the simulator in the folder below. If it is installed elsewhere, click Browse and select its folder."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Flight Simulator X folder"
!define MUI_DIRECTORYPAGE_VARIABLE $SimDir
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckSimulatorFolder
!insertmacro MUI_PAGE_DIRECTORY

!define MUI_PAGE_HEADER_TEXT "Toolkit Folder"
!define MUI_PAGE_HEADER_SUBTEXT "Where should the toolkit go?"
!define MUI_DIRECTORYPAGE_TEXT_TOP "kestrel-frc, the toolkit for Kestrel's recording files, goes into a folder of its own with the README and the uninstaller."
!insertmacro MUI_PAGE_DIRECTORY

!define MUI_FINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_PAGE_HEADER_TEXT "What to Remove"
!define MUI_PAGE_HEADER_SUBTEXT "Your settings and recordings stay unless you tick the box."
!define MUI_COMPONENTSPAGE_TEXT_TOP "Kestrel's module, the toolkit and Kestrel's entry in dll.xml are removed. Tick the box to also delete Kestrel.ini, Kestrel.log and the recordings in the simulator's Modules folder."
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_UNPAGE_COMPONENTS
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; kestrel-dllxml's message without the line break it ends with.
!macro TrimLineEnd VAR
    ${Do}
        StrCpy $R9 ${VAR} 1 -1
        ${If} $R9 == "$\r"
        ${OrIf} $R9 == "$\n"
            StrCpy ${VAR} ${VAR} -1
        ${Else}
            ${ExitDo}
        ${EndIf}
    ${Loop}
!macroend

; ---- Installing ----

; $SimDir from where the simulator's setup records it: HKLM in the 32-bit view (the
; simulator is a 32-bit program), then the 64-bit view, then HKCU.
Function FindSimulator
    SetRegView 32
    ReadRegStr $SimDir HKLM "${SIM_KEY}" "SetupPath"
    ${If} $SimDir == ""
        SetRegView 64
        ReadRegStr $SimDir HKLM "${SIM_KEY}" "SetupPath"
    ${EndIf}
    SetRegView default
    ${If} $SimDir == ""
        ReadRegStr $SimDir HKCU "${SIM_KEY}" "SetupPath"
    ${EndIf}
FunctionEnd

Function .onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/SIM=" $SimDir
    ${If} ${Errors}
        Call FindSimulator
    ${EndIf}
    ${If} $SimDir == ""
        StrCpy $SimDir "$PROGRAMFILES32\Microsoft Games\Microsoft Flight Simulator X"
    ${EndIf}
    StrCpy $R1 $SimDir "" -1
    ${If} $R1 == "\"
        StrCpy $SimDir $SimDir -1
    ${EndIf}
    ; Unattended, a folder without the simulator is an error, not a guess.
    ${If} ${Silent}
    ${AndIfNot} ${FileExists} "$SimDir\fsx.exe"
        SetErrorLevel 2
        Abort
    ${EndIf}
FunctionEnd

Function CheckSimulatorFolder
    ${IfNot} ${FileExists} "$SimDir\fsx.exe"
        MessageBox MB_YESNO|MB_ICONEXCLAMATION "The folder$\r$\n$SimDir$\r$\ndoes not hold fsx.exe, the simulator's program. Install Kestrel's module there anyway?" IDYES done
        Abort
        done:
    ${EndIf}
FunctionEnd

Section "Kestrel"
    SectionIn RO
    SetOutPath "$SimDir\Modules"
    File "${BUILD_DIR}\KestrelFSX.dll"
    SetOutPath "$INSTDIR"
    File "${BUILD_DIR}\kestrel-frc.exe"
    File "${BUILD_DIR}\kestrel-dllxml.exe"
    File "${SOURCE_DIR}\README.md"
    File "/oname=LICENSE.txt" "${SOURCE_DIR}\LICENSE"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Kestrel ${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Kestrel authors"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "SimulatorFolder" "$SimDir"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

    CreateDirectory "$APPDATA\Microsoft\FSX"
    nsExec::ExecToStack '"$INSTDIR\kestrel-dllxml.exe" add "${DLLXML}"'
    Pop $0
    Pop $1
    !insertmacro TrimLineEnd $1
    DetailPrint $1
    ${If} $0 != 0
        SetErrorLevel 3
        MessageBox MB_OK|MB_ICONEXCLAMATION "Setup could not add Kestrel to the simulator's list of modules:$\r$\n$1$\r$\nThe simulator will not load Kestrel until you add this entry by hand to ${DLLXML}, just before its last line (</SimBase.Document>):$\r$\n$\r$\n<Launch.Addon>$\r$\n  <Name>Kestrel</Name>$\r$\n  <Disabled>False</Disabled>$\r$\n  <ManualLoad>False</ManualLoad>$\r$\n  <Path>Modules\KestrelFSX.dll</Path>$\r$\n</Launch.Addon>$\r$\n$\r$\nThe README in $INSTDIR says more." /SD IDOK
    ${EndIf}
SectionEnd

; ---- Uninstalling ----

Section "un.Kestrel"
    SectionIn RO
    nsExec::ExecToStack '"$INSTDIR\kestrel-dllxml.exe" remove "${DLLXML}"'
    Pop $0
    Pop $1
    !insertmacro TrimLineEnd $1
    DetailPrint $1
    ${If} $0 != 0
        SetErrorLevel 3
        MessageBox MB_OK|MB_ICONEXCLAMATION "Kestrel's entry could not be removed from the simulator's list of modules:$\r$\n$1$\r$\nPlease delete the Launch.Addon entry named Kestrel from ${DLLXML} by hand." /SD IDOK
    ${EndIf}
    ${If} $SimDir != ""
        Delete "$SimDir\Modules\KestrelFSX.dll"
    ${EndIf}
    Delete "$INSTDIR\kestrel-frc.exe"
    Delete "$INSTDIR\kestrel-dllxml.exe"
    Delete "$INSTDIR\README.md"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Also delete Kestrel.ini, Kestrel.log and recordings" SectionPurge
    ${If} $SimDir != ""
        Delete "$SimDir\Modules\Kestrel.ini"
        Delete "$SimDir\Modules\Kestrel.log"
        Delete "$SimDir\Modules\Kestrel*.tmp"
        Delete "$SimDir\Modules\*.frc"
    ${EndIf}
SectionEnd

Function un.onInit
    ReadRegStr $SimDir HKLM "${UNINSTALL_KEY}" "SimulatorFolder"
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/PURGE" $R1
    ${IfNot} ${Errors}
        SectionSetFlags ${SectionPurge} ${SF_SELECTED}
    ${EndIf}
FunctionEnd
