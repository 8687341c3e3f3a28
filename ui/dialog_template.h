#pragma once
// The controls of the page dialog templates, as data. res/SetUp.rc holds the same templates for
// Windows; the headless dialog host builds its pages from this table, and a test checks that the
// two agree.

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

enum class ControlKind {
    PushButton,
    DefPushButton,
    FlatPushButton,
    RadioButton,  // automatic
    CheckBox,     // automatic
    Static,       // text
    Bitmap,       // static bitmap
    EtchedLine,   // static etched horizontal line
    Edit,
    ProgressBar,
};

struct DialogUnits {
    int x, y, width, height;
};

struct ControlTemplate {
    int id;  // -1 for controls without an id (IDC_STATIC)
    ControlKind kind;
    std::string text;  // code page 936; for a bitmap, the resource id in decimal
    DialogUnits place;
    bool groupStart = false;
    bool tabStop = false;
    bool disabled = false;
};

struct DialogTemplate {
    int id;  // 136, 141, 142
    std::string caption;
    DialogUnits size;
    std::vector<ControlTemplate> controls;  // in tab order
};

// The template with that resource id, or nullptr.
const DialogTemplate* FindDialogTemplate(int id);

}  // namespace ui
