// The dialog templates the build embeds from kestrel.rc, control by control (id, class,
// style, text, rectangle) and dialog by dialog (caption, size, font, style), checked
// against tables of what each dialog must hold; and the control window's icons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "vsim/win32/embedded_resources.h"
#include "vsim/win32/resource_script.h"

namespace {

using vsim::win32::DialogControlTemplate;
using vsim::win32::DialogTemplate;

enum Kind {
    Label,        // left-aligned static text
    CentredText,  // centred static text
    GroupBox,
    CheckBox,     // automatic
    RadioFirst,   // automatic radio button that starts a radio group
    Radio,        // automatic radio button inside a group
    NumberEdit,   // bordered single-line edit, digits only
    ScrollEdit,   // the same, scrolling horizontally
    DropList,     // drop-down list combo box with a vertical scroll bar
    List,         // list box: notifies, not sorted, vertical scroll bar
    Push,
    DefPush,
    HotKey,
    UpDown,       // sets its buddy's number, at its right edge, auto buddy, arrow keys
};

struct Expected {
    int id;            // -1: a control without an id of its own
    Kind kind;
    const char* text;  // null: not fixed
    int x, y, width, height;
};

const char* ClassOf(Kind kind) {
    switch (kind) {
    case Label:
    case CentredText: return "STATIC";
    case NumberEdit:
    case ScrollEdit: return "EDIT";
    case DropList: return "COMBOBOX";
    case List: return "LISTBOX";
    case HotKey: return "msctls_hotkey32";
    case UpDown: return "msctls_updown32";
    default: return "BUTTON";
    }
}

// Checks the style bits a kind fixes; returns "" or what is wrong.
std::string StyleProblem(Kind kind, DWORD style) {
    auto need = [&](DWORD bits, const char* what) -> std::string {
        return (style & bits) == bits ? "" : std::string("lacks ") + what;
    };
    auto lacks = [&](DWORD bits, const char* what) -> std::string {
        return (style & bits) == 0 ? "" : std::string("has ") + what;
    };
    auto type = [&](DWORD mask, DWORD value, const char* what) -> std::string {
        return (style & mask) == value ? "" : std::string("is not ") + what;
    };
    std::string problem = need(WS_CHILD | WS_VISIBLE, "WS_CHILD | WS_VISIBLE") + lacks(WS_DISABLED, "WS_DISABLED");
    switch (kind) {
    case Label: problem += type(0x1F, SS_LEFT, "SS_LEFT"); break;
    case CentredText: problem += type(0x1F, SS_CENTER, "SS_CENTER"); break;
    case GroupBox: problem += type(BS_TYPEMASK, BS_GROUPBOX, "BS_GROUPBOX"); break;
    case CheckBox: problem += type(BS_TYPEMASK, BS_AUTOCHECKBOX, "BS_AUTOCHECKBOX"); break;
    case RadioFirst: problem += type(BS_TYPEMASK, BS_AUTORADIOBUTTON, "BS_AUTORADIOBUTTON") + need(WS_GROUP, "WS_GROUP"); break;
    case Radio: problem += type(BS_TYPEMASK, BS_AUTORADIOBUTTON, "BS_AUTORADIOBUTTON") + lacks(WS_GROUP, "WS_GROUP"); break;
    case NumberEdit: problem += need(WS_BORDER | ES_NUMBER, "WS_BORDER | ES_NUMBER") + lacks(ES_MULTILINE, "ES_MULTILINE"); break;
    case ScrollEdit:
        problem += need(WS_BORDER | ES_NUMBER | ES_AUTOHSCROLL, "WS_BORDER | ES_NUMBER | ES_AUTOHSCROLL") +
                   lacks(ES_MULTILINE, "ES_MULTILINE");
        break;
    case DropList: problem += type(0x3, CBS_DROPDOWNLIST, "CBS_DROPDOWNLIST") + need(WS_VSCROLL, "WS_VSCROLL"); break;
    case List: problem += need(LBS_NOTIFY | WS_VSCROLL, "LBS_NOTIFY | WS_VSCROLL") + lacks(LBS_SORT, "LBS_SORT"); break;
    case Push: problem += type(BS_TYPEMASK, BS_PUSHBUTTON, "BS_PUSHBUTTON"); break;
    case DefPush: problem += type(BS_TYPEMASK, BS_DEFPUSHBUTTON, "BS_DEFPUSHBUTTON"); break;
    case HotKey: break;
    case UpDown:
        problem += need(UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS,
                        "UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS");
        break;
    }
    return problem;
}

std::string Describe(const Expected& e) {
    return "control " + std::to_string(e.id) + " \"" + (e.text ? e.text : "") + "\" at " + std::to_string(e.x) + "," +
           std::to_string(e.y);
}

bool Matches(const DialogControlTemplate& c, const Expected& e) {
    if (e.id != -1) return c.id == e.id;
    return c.id == -1 && c.className == ClassOf(e.kind) && e.text && c.text == e.text && c.x == e.x && c.y == e.y &&
           c.width == e.width && c.height == e.height;
}

class DialogTemplates : public ::testing::Test {
protected:
    void SetUp() override {
        vsim::win32::ResetResourceScript();
        vsim::win32::SetResourceHeader(KestrelResourceHeader);
        ASSERT_TRUE(vsim::win32::SetResourceScript(KestrelResourceScript)) << vsim::win32::ResourceScriptError();
    }

    // Checks the dialog's frame and every control; `ordered`: the controls come in the
    // table's order. Returns the template for further checks.
    const DialogTemplate* Check(int id, const char* caption, int width, int height, const std::vector<Expected>& table,
                                bool ordered) {
        const DialogTemplate* dialog = vsim::win32::FindDialogTemplate(id);
        EXPECT_NE(dialog, nullptr) << "dialog " << id;
        if (!dialog) return nullptr;
        EXPECT_EQ(dialog->caption, caption) << id;
        EXPECT_EQ(dialog->width, width) << id;
        EXPECT_EQ(dialog->height, height) << id;
        EXPECT_EQ(dialog->fontName, "MS Sans Serif") << id;
        EXPECT_EQ(dialog->fontSize, 8) << id;
        EXPECT_TRUE(dialog->className.empty()) << id;
        DWORD frame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
        EXPECT_EQ(dialog->style & frame, frame) << "dialog " << id << ": a modal frame with caption and system menu";
        EXPECT_EQ(dialog->controls.size(), table.size()) << "dialog " << id << " holds other controls";

        std::vector<bool> used(dialog->controls.size(), false);
        for (size_t i = 0; i < table.size(); ++i) {
            const Expected& e = table[i];
            size_t found = dialog->controls.size();
            for (size_t k = 0; k < dialog->controls.size(); ++k) {
                if (!used[k] && Matches(dialog->controls[k], e)) {
                    found = k;
                    break;
                }
            }
            if (found == dialog->controls.size()) {
                ADD_FAILURE() << "dialog " << id << ": no " << Describe(e);
                continue;
            }
            used[found] = true;
            const DialogControlTemplate& c = dialog->controls[found];
            if (ordered) {
                EXPECT_EQ(found, i) << "dialog " << id << ": " << Describe(e) << " out of order";
            }
            EXPECT_EQ(c.className, ClassOf(e.kind)) << "dialog " << id << ": " << Describe(e);
            EXPECT_EQ(StyleProblem(e.kind, c.style), "") << "dialog " << id << ": " << Describe(e) << " style 0x"
                                                         << std::hex << c.style;
            if (e.text) {
                EXPECT_EQ(c.text, e.text) << "dialog " << id << ": " << Describe(e);
            }
            EXPECT_EQ(c.x, e.x) << "dialog " << id << ": " << Describe(e);
            EXPECT_EQ(c.y, e.y) << "dialog " << id << ": " << Describe(e);
            EXPECT_EQ(c.width, e.width) << "dialog " << id << ": " << Describe(e);
            EXPECT_EQ(c.height, e.height) << "dialog " << id << ": " << Describe(e);
        }
        return dialog;
    }
};

size_t IndexOfId(const DialogTemplate* dialog, int id) {
    for (size_t i = 0; i < dialog->controls.size(); ++i) {
        if (dialog->controls[i].id == id) return i;
    }
    return dialog->controls.size();
}

}  // namespace

TEST_F(DialogTemplates, Settings) {
    std::vector<Expected> table = {
        {-1, GroupBox, "Replay", 4, 4, 144, 52},
        {-1, Label, "Replay recording interval", 12, 16, 85, 10},
        {1001, DropList, "", 100, 14, 40, 60},
        {1003, CheckBox, "Enable replay", 12, 28, 65, 10},
        {1017, CheckBox, "Clear data on flight or aircraft change", 12, 40, 130, 10},
        {-1, GroupBox, "Replay buffer", 4, 60, 144, 52},
        {-1, Label, "Buffer size", 12, 72, 34, 8},
        {1011, ScrollEdit, "", 52, 71, 25, 12},
        {-1, Label, "samples", 80, 72, 26, 8},
        {1012, Label, "Used memory:\nMaximum replay time:", 12, 88, 125, 20},
        {-1, GroupBox, "Playback", 4, 116, 144, 124},
        {1008, CheckBox, "Show window during playback", 12, 176, 112, 10},
        {1018, CheckBox, "Pause at end", 12, 188, 58, 10},
        {1054, CheckBox, "Set simrate with playback speed", 12, 200, 117, 10},
        {1055, CheckBox, "Set simrate on search", 24, 212, 84, 10},
        {1056, CheckBox, "Limit to 4x", 24, 224, 47, 10},
        {-1, GroupBox, "AI traffic", 4, 244, 144, 76},
        {-1, Label, "During playback...", 12, 256, 58, 8},
        {1091, RadioFirst, "play recorded traffic", 12, 268, 78, 10},
        {1092, Radio, "show normal traffic", 12, 280, 75, 10},
        {1093, Radio, "turn off traffic", 12, 292, 57, 10},
        {-1, Label, "Max. rec/played AI aircraft:", 13, 306, 86, 8},
        {1101, ScrollEdit, "", 108, 304, 20, 12},
        {-1, GroupBox, "Recorded data", 152, 4, 128, 88},
        {-1, GroupBox, "Played data", 152, 96, 128, 89},
        {-1, GroupBox, "Play as traffic", 152, 188, 128, 40},
        {1094, CheckBox, "Enable playback control keys", 160, 201, 109, 10},
        {1095, CheckBox, "Show control window", 160, 212, 83, 10},
        {-1, GroupBox, "Display", 152, 232, 128, 40},
        {1043, CheckBox, "Display recording", 160, 244, 70, 10},
        {1044, CheckBox, "Display playback/replay", 160, 256, 91, 10},
        {-1, GroupBox, "Miscellaneous", 152, 276, 128, 44},
        {1096, CheckBox, "No recording dialogs", 160, 288, 81, 10},
        {1097, Push, "Recording settings...", 172, 301, 92, 14},
        {1, DefPush, "OK", 88, 328, 60, 16},
        {2, Push, "Cancel", 152, 328, 60, 16},
    };
    // The three Step/Search rows.
    const struct {
        const char* number;
        int y, step, search, edit, unit;
    } rows[] = {{"1:", 128, 1052, 1053, 1010, 1049}, {"2:", 144, 1058, 1059, 1015, 1050}, {"3:", 160, 1062, 1063, 1016, 1051}};
    for (const auto& row : rows) {
        table.push_back({-1, Label, row.number, 12, row.y, 12, 9});
        table.push_back({row.step, RadioFirst, "Step", 24, row.y, 31, 10});
        table.push_back({row.search, Radio, "Search", 56, row.y, 37, 10});
        table.push_back({row.edit, ScrollEdit, "", 100, row.y - 1, 25, 12});
        table.push_back({row.unit, Label, nullptr, 128, row.y, 12, 8});
    }
    // The group boxes of "Recorded data" and "Played data": bit, text, ids, column, row, width.
    const struct {
        const char* text;
        int recorded, played;
        bool right;
        int row, width;
    } groups[] = {
        {"Throttles", 1019, 1026, false, 1, 43},  {"Elev/Ailr/Rud", 1020, 1027, true, 1, 59},
        {"Spoilers", 1021, 1028, false, 3, 41},   {"Flaps", 1022, 1029, true, 2, 33},
        {"Gear", 1023, 1030, false, 2, 31},       {"Lights", 1024, 1031, true, 3, 35},
        {"Engines", 1025, 1032, false, 4, 41},    {"Nav radios", 1038, 1035, false, 5, 50},
        {"Com radios", 1039, 1036, true, 5, 51},  {"Prop/Mixture", 1037, 1034, true, 4, 57},
        {"Date/time", 1045, 1047, false, 6, 47},  {"Smoke", 1046, 1048, true, 6, 38},
    };
    for (const auto& group : groups) {
        int x = group.right ? 216 : 160;
        table.push_back({group.recorded, CheckBox, group.text, x, 16 + 12 * (group.row - 1), group.width, 10});
        table.push_back({group.played, CheckBox, group.text, x, 108 + 12 * (group.row - 1), group.width, 10});
    }
    const DialogTemplate* dialog = Check(101, "Kestrel Settings", 284, 349, table, false);
    ASSERT_NE(dialog, nullptr);

    // Each row's Step and Search buttons form one radio group, closed by the edit field;
    // the traffic radio group is closed by the control after it.
    for (const auto& row : rows) {
        size_t step = IndexOfId(dialog, row.step);
        ASSERT_LT(step + 2, dialog->controls.size());
        EXPECT_EQ(dialog->controls[step + 1].id, row.search);
        EXPECT_EQ(dialog->controls[step + 2].id, row.edit);
        EXPECT_NE(dialog->controls[step + 2].style & WS_GROUP, 0u) << row.edit;
    }
    size_t traffic = IndexOfId(dialog, 1091);
    ASSERT_LT(traffic + 3, dialog->controls.size());
    EXPECT_EQ(dialog->controls[traffic + 1].id, 1092);
    EXPECT_EQ(dialog->controls[traffic + 2].id, 1093);
    EXPECT_NE(dialog->controls[traffic + 3].style & WS_GROUP, 0u);
}

TEST_F(DialogTemplates, RecordFlight) {
    const std::vector<Expected> table = {
        {-1, Label, "Recording interval:", 5, 12, 60, 8},
        {1000, DropList, "", 75, 10, 55, 60},
        {-1, GroupBox, "", 4, 24, 128, 60},
        {1034, CheckBox, "Auto stop recording", 10, 35, 77, 10},
        {1036, NumberEdit, "", 20, 49, 25, 12},
        {-1, Label, "seconds", 50, 50, 28, 8},
        {1035, DropList, "", 20, 65, 100, 45},
        {-1, GroupBox, "", 4, 84, 128, 40},
        {1089, CheckBox, "Record AI traffic", 12, 92, 67, 10},
        {-1, Label, "Record every", 25, 107, 44, 8},
        {1090, NumberEdit, "", 72, 105, 19, 12},
        {-1, Label, "th sample", 94, 107, 31, 8},
        {1, DefPush, "OK", 16, 132, 50, 14},
        {2, Push, "Cancel", 71, 132, 50, 14},
    };
    Check(102, "Record Flight", 137, 153, table, true);
}

TEST_F(DialogTemplates, Replay) {
    const std::vector<Expected> table = {
        {-1, Label, "Replay", 10, 27, 23, 8},
        {1005, NumberEdit, "", 41, 25, 39, 14},
        {1006, UpDown, "Spin1", 70, 40, 11, 15},  // its buddy is the control before it
        {-1, Label, "seconds", 90, 27, 28, 8},
        {1, DefPush, "OK", 145, 5, 50, 14},
        {2, Push, "Cancel", 145, 22, 50, 14},
        {1004, Push, "Save replay", 145, 50, 50, 14},
    };
    Check(103, "Replay", 202, 71, table, true);
}

TEST_F(DialogTemplates, About) {
    const std::vector<Expected> table = {
        {-1, GroupBox, "", 5, 0, 170, 85},
        {-1, CentredText, nullptr, 11, 12, 160, 68},
        {1, DefPush, "OK", 65, 90, 50, 14},
    };
    // The centred text has no id of its own; find it by its place.
    const DialogTemplate* dialog = vsim::win32::FindDialogTemplate(131);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->controls.size(), 3u);
    std::string text = dialog->controls[1].text;
    std::vector<Expected> withText = table;
    withText[1].text = text.c_str();
    Check(131, "About Kestrel", 182, 111, withText, true);

    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = text.find('\n', start)) != std::string::npos; start = at + 1) lines.push_back(text.substr(start, at - start));
    lines.push_back(text.substr(start));
    ASSERT_EQ(lines.size(), 8u) << text;
    EXPECT_EQ(lines[0], "Kestrel Module for FSX");
    EXPECT_EQ(lines[1], "Version 1.331");
    EXPECT_EQ(lines[2], "");
    EXPECT_NE(lines[3], "");
    EXPECT_NE(lines[4], "");
    EXPECT_EQ(lines[5], "");
    EXPECT_NE(lines[6], "");
    EXPECT_NE(lines[7], "");
}

TEST_F(DialogTemplates, KeyboardControls) {
    const std::vector<Expected> table = {
        {1041, HotKey, nullptr, 4, 4, 136, 13},
        {1039, List, "", 4, 20, 136, 96},
        {1100, Push, "Default key", 44, 116, 56, 16},
        {1, DefPush, "OK", 16, 144, 52, 16},
        {2, Push, "Cancel", 76, 144, 52, 16},
    };
    Check(132, "Keyboard controls", 144, 165, table, true);
}

TEST_F(DialogTemplates, ControlWindowIcons) {
    for (int id = 118; id <= 130; ++id) EXPECT_TRUE(vsim::win32::IconDeclared(id)) << id;
    EXPECT_FALSE(vsim::win32::IconDeclared(117));
    EXPECT_FALSE(vsim::win32::IconDeclared(131));
}
