#pragma once
// Dialog templates as data: the controls of a page, as a resource script describes them. The
// headless dialog host builds its dialogs from them.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

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

// Where a dialog host finds the template with a resource id; nullptr when there is none.
using DialogTemplateLookup = const DialogTemplate* (*)(int id);

}  // namespace platform
