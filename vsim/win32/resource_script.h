// The resource script of the Win32 emulation: the dialog templates and icon ids parsed
// from the text of resources/kestrel.rc (the DIALOGEX subset it uses), with the #defines
// of its resource header. DialogBoxParamA builds its dialogs from these templates.
//
// Dialog units become pixels by a fixed conversion, that of "MS Sans Serif" 8 (base
// units 6 x 13): x * 6 / 4 and y * 13 / 8, rounded to nearest, whatever the font.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace vsim::win32 {

struct DialogControlTemplate {
    std::string statement;  // "LTEXT", "CONTROL", ...
    int id = 0;
    std::string className;
    DWORD style = 0, exStyle = 0;
    std::string text;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units
};

struct DialogTemplate {
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units
    DWORD style = 0, exStyle = 0;
    std::string caption;
    std::string className;  // empty: the dialog class
    std::string fontName;
    int fontSize = 0;
    std::vector<DialogControlTemplate> controls;
};

// Parses the script (with the header's #defines, if one is set). On an error nothing of
// the script is kept and ResourceScriptError() says where and what.
bool SetResourceScript(const std::string& rcText);
// The text of the resource header the script includes; the script is parsed again.
bool SetResourceHeader(const std::string& headerText);
const std::string& ResourceScriptError();
bool HasResourceScript();

const DialogTemplate* FindDialogTemplate(int id);
bool IconDeclared(int id);
// The value of a name #defined in the header or the script.
bool FindResourceSymbol(const std::string& name, long* value);

int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

void ResetResourceScript();

}  // namespace vsim::win32
