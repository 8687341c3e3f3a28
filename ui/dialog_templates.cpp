// The three page templates as data, control for control as in res/SetUp.rc (a test keeps the two in
// step). Places are dialog units; controls are listed in tab order.

#include <array>

#include "ui/dialog_templates.h"

#include "res/resource.h"

namespace ui {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;
using platform::DialogUnits;

namespace {

constexpr DialogUnits kPageSize{0, 0, 283, 215};
constexpr char kPageCaption[] = "Brelix安装";
constexpr char kVersionFormat[] = "Brelix结构工具箱 V%d.%d.%d (%d位版本)";

ControlTemplate Button(int id, const char* text, DialogUnits place, bool disabled = false) {
    return {id, ControlKind::PushButton, text, place, false, true, disabled};
}

ControlTemplate Label(int id, const char* text, DialogUnits place, bool groupStart = false) {
    return {id, ControlKind::Static, text, place, groupStart, false, false};
}

ControlTemplate Logo() {
    return {IDC_STATIC, ControlKind::Bitmap, "147", {16, 7, 32, 32}, false, false, false};
}

ControlTemplate Rule(int y, int width) {
    return {IDC_STATIC, ControlKind::EtchedLine, "", {0, y, width, 1}, false, false, false};
}

ControlTemplate CheckBox(int id, const char* text, DialogUnits place) {
    return {id, ControlKind::CheckBox, text, place, false, true, false};
}

// The button row: forward (OK command), cancel, back.
ControlTemplate Forward(const char* text) {
    return Button(IDC_FORWARD, text, {117, 194, 50, 14});
}
ControlTemplate Cancel() {
    return Button(IDC_CANCEL, "取  消", {212, 194, 50, 14});
}
ControlTemplate Back(bool disabled) {
    return Button(IDC_BACK, "上一步", {22, 194, 50, 14}, disabled);
}

DialogTemplate LicencePage() {
    DialogTemplate page{IDD_PAGE1, kPageCaption, kPageSize, {}};
    page.controls = {
        Forward("下一步"),
        Cancel(),
        {IDC_PAGE1_DISAGREE, ControlKind::RadioButton, "不同意", {230, 166, 41, 10}, true, true, false},
        {IDC_PAGE1_AGREE, ControlKind::RadioButton, "同意", {191, 166, 27, 10}, false, false, false},
        {IDC_PAGE1_PREVIOUS_SCREEN,
         ControlKind::FlatPushButton,
         "上一页",
         {13, 165, 46, 13},
         false,
         true,
         false},
        {IDC_PAGE1_NEXT_SCREEN, ControlKind::FlatPushButton, "下一页", {65, 165, 46, 13}, false, true, false},
        // Ends the radio group that starts at 1008.
        Label(IDC_STATIC, "是否同意本协议：", {117, 167, 68, 10}, true),
        Label(IDC_PAGE1_LICENCE, "", {15, 55, 253, 105}),
        Back(true),
        Label(IDC_PAGE1_VERSION, kVersionFormat, {61, 11, 205, 10}),
        Label(IDC_PAGE1_SUBTITLE, "在安装之前，请认真阅读许可协议：", {61, 28, 205, 10}),
        Logo(),
        Rule(46, 285),
        Rule(185, 286),
    };
    return page;
}

struct ReleaseBox {
    int id;
    const char* text;
    int x, y;
};

// In release order 2000, 2002, 2004 ... 2025.
constexpr std::array<ReleaseBox, 24> kReleaseBoxes{{
    {IDC_PAGE2_ACAD2000, "For AutoCAD2000", 15, 54},   {IDC_PAGE2_ACAD2002, "For AutoCAD2002", 15, 73},
    {IDC_PAGE2_ACAD2004, "For AutoCAD2004", 15, 92},   {IDC_PAGE2_ACAD2005, "For AutoCAD2005", 15, 111},
    {IDC_PAGE2_ACAD2006, "For AutoCAD2006", 15, 130},  {IDC_PAGE2_ACAD2007, "For AutoCAD2007", 15, 149},
    {IDC_PAGE2_ACAD2008, "For AutoCAD2008", 15, 168},  {IDC_PAGE2_ACAD2009, "For AutoCAD2009", 107, 54},
    {IDC_PAGE2_ACAD2010, "For AutoCAD2010", 107, 73},  {IDC_PAGE2_ACAD2011, "For AutoCAD2011", 107, 92},
    {IDC_PAGE2_ACAD2012, "For AutoCAD2012", 107, 111}, {IDC_PAGE2_ACAD2013, "For AutoCAD2013", 107, 130},
    {IDC_PAGE2_ACAD2014, "For AutoCAD2014", 107, 149}, {IDC_PAGE2_ACAD2015, "For AutoCAD2015", 107, 168},
    {IDC_PAGE2_ACAD2016, "For AutoCAD2016", 199, 54},  {IDC_PAGE2_ACAD2017, "For AutoCAD2017", 199, 73},
    {IDC_PAGE2_ACAD2018, "For AutoCAD2018", 199, 92},  {IDC_PAGE2_ACAD2019, "For AutoCAD2019", 199, 111},
    {IDC_PAGE2_ACAD2020, "For AutoCAD2020", 199, 130}, {IDC_PAGE2_ACAD2021, "For AutoCAD2021", 199, 149},
    {IDC_PAGE2_ACAD2022, "For AutoCAD2022", 199, 168}, {IDC_PAGE2_ACAD2023, "For AutoCAD2023", 133, 181},
    {IDC_PAGE2_ACAD2024, "For AutoCAD2024", 45, 181},  {IDC_PAGE2_ACAD2025, "For AutoCAD2025", 195, 181},
}};

DialogTemplate ReleasePage() {
    DialogTemplate page{IDD_PAGE2, kPageCaption, kPageSize, {}};
    page.controls = {Forward("下一步"), Cancel(), Back(false)};
    for (const ReleaseBox& box : kReleaseBoxes) {
        page.controls.push_back(CheckBox(box.id, box.text, {box.x, box.y, 74, 10}));
    }
    page.controls.push_back(Label(IDC_PAGE2_VERSION, kVersionFormat, {61, 11, 205, 10}));
    page.controls.push_back(Label(IDC_PAGE2_SUBTITLE, "请选择安装组件：", {61, 28, 205, 10}));
    page.controls.push_back(Logo());
    page.controls.push_back(Rule(46, 285));
    page.controls.push_back(Rule(185, 286));
    return page;
}

DialogTemplate PathPage() {
    DialogTemplate page{IDD_PAGE3, kPageCaption, kPageSize, {}};
    page.controls = {
        Forward("安  装"),
        Cancel(),
        Back(false),
        {IDC_PAGE3_PATH, ControlKind::Edit, "", {13, 142, 202, 12}, false, true, false},
        Button(IDC_PAGE3_BROWSE, "浏览...", {221, 140, 51, 13}),
        {IDC_PAGE3_PROGRESS, ControlKind::ProgressBar, "", {13, 166, 256, 6}, false, false, false},
        Label(IDC_STATIC, "请选择安装路径：", {14, 125, 71, 9}),
        CheckBox(IDC_PAGE3_KEEP_CONFIG, "是否保留Brelix结构工具箱的原有配置", {22, 60, 154, 10}),
        CheckBox(IDC_PAGE3_KEEP_SETTINGS, "保留软件设置", {22, 84, 77, 11}),
        CheckBox(IDC_PAGE3_KEEP_SECTION_LIBRARY, "保留截面库", {101, 84, 77, 11}),
        CheckBox(IDC_PAGE3_KEEP_DRAWING_LIBRARY, "保留扩展绘图图库", {180, 84, 77, 11}),
        Label(IDC_PAGE3_VERSION, kVersionFormat, {61, 11, 205, 10}),
        Label(IDC_PAGE3_SUBTITLE, "请选择安装路径：", {61, 28, 205, 10}),
        Logo(),
        Rule(46, 285),
        Rule(110, 285),
        Rule(185, 286),
    };
    return page;
}

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    static const std::array<DialogTemplate, 3> templates{LicencePage(), ReleasePage(), PathPage()};
    for (const DialogTemplate& page : templates) {
        if (page.id == id) {
            return &page;
        }
    }
    return nullptr;
}

}  // namespace ui
