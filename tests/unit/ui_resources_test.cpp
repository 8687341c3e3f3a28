// The page templates and the licence text: the templates against the frame and control tables,
// res/SetUp.rc against the templates (the Windows build gets its pages from the .rc, the headless
// host from the templates), and the licence screens against their layout rules and the size of
// the static that shows them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <iconv.h>
#endif

#include "readable_names.h"
#include "res/resource.h"
#include "ui/dialog_templates.h"
#include "ui/licence_text.h"

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;
using platform::DialogUnits;
using ui::FindDialogTemplate;

bool SamePlace(const DialogUnits& a, const DialogUnits& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

const ControlTemplate* FindControl(const DialogTemplate& page, int id) {
    for (const ControlTemplate& control : page.controls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

std::vector<const ControlTemplate*> ControlsOfKind(const DialogTemplate& page, ControlKind kind) {
    std::vector<const ControlTemplate*> result;
    for (const ControlTemplate& control : page.controls) {
        if (control.kind == kind) {
            result.push_back(&control);
        }
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// The templates against the tables

struct FrameCase {
    int page;
    int versionId;
    int subtitleId;
    std::string forwardText;
    std::string subtitle;
    bool backDisabled;
    std::vector<int> ruleHeights;  // y of the etched lines
};

class PageFrameTest : public testing::TestWithParam<FrameCase> {};

TEST_P(PageFrameTest, HasTheCommonFrameAtTheSameSpots) {
    const FrameCase& c = GetParam();
    const DialogTemplate* page = FindDialogTemplate(c.page);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->caption, "Brelix安装");
    EXPECT_TRUE(SamePlace(page->size, {0, 0, 283, 215}));

    struct Expected {
        int id;
        ControlKind kind;
        std::string text;
        DialogUnits place;
        bool disabled;
    };
    const std::vector<Expected> expected{
        {c.versionId, ControlKind::Static, "Brelix结构工具箱 V%d.%d.%d (%d位版本)", {61, 11, 205, 10}, false},
        {c.subtitleId, ControlKind::Static, c.subtitle, {61, 28, 205, 10}, false},
        {IDC_BACK, ControlKind::PushButton, "上一步", {22, 194, 50, 14}, c.backDisabled},
        {IDC_FORWARD, ControlKind::PushButton, c.forwardText, {117, 194, 50, 14}, false},
        {IDC_CANCEL, ControlKind::PushButton, "取  消", {212, 194, 50, 14}, false},
    };
    for (const Expected& e : expected) {
        const ControlTemplate* control = FindControl(*page, e.id);
        ASSERT_NE(control, nullptr) << e.id;
        EXPECT_EQ(control->kind, e.kind) << e.id;
        EXPECT_EQ(control->text, e.text) << e.id;
        EXPECT_TRUE(SamePlace(control->place, e.place)) << e.id;
        EXPECT_EQ(control->disabled, e.disabled) << e.id;
    }

    auto bitmaps = ControlsOfKind(*page, ControlKind::Bitmap);
    ASSERT_EQ(bitmaps.size(), 1u);
    EXPECT_EQ(bitmaps[0]->text, std::to_string(IDB_LOGO));
    EXPECT_TRUE(SamePlace(bitmaps[0]->place, {16, 7, 32, 32}));

    std::vector<int> rules;
    for (const ControlTemplate* rule : ControlsOfKind(*page, ControlKind::EtchedLine)) {
        rules.push_back(rule->place.y);
        EXPECT_EQ(rule->place.x, 0);
        EXPECT_EQ(rule->place.height, 1);
        EXPECT_EQ(rule->place.width, rule->place.y == 185 ? 286 : 285);
    }
    EXPECT_EQ(rules, c.ruleHeights);

    // Control ids are unique within a page (IDC_STATIC aside).
    std::set<int> ids;
    for (const ControlTemplate& control : page->controls) {
        if (control.id != IDC_STATIC) {
            EXPECT_TRUE(ids.insert(control.id).second) << "duplicate id " << control.id;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages,
    PageFrameTest,
    testing::Values(
        FrameCase{IDD_PAGE1, 1011, 1012, "下一步", "在安装之前，请认真阅读许可协议：", true, {46, 185}},
        FrameCase{IDD_PAGE2, 1011, 1012, "下一步", "请选择安装组件：", false, {46, 185}},
        FrameCase{IDD_PAGE3, 1013, 1014, "安  装", "请选择安装路径：", false, {46, 110, 185}}),
    readable_names::By(&FrameCase::page));

TEST(PageTemplates, OnlyTheThreePagesExist) {
    EXPECT_EQ(FindDialogTemplate(0), nullptr);
    EXPECT_EQ(FindDialogTemplate(IDB_LOGO), nullptr);
    EXPECT_EQ(FindDialogTemplate(137), nullptr);
}

TEST(LicencePageTemplate, ListsItsControlsInTabOrder) {
    const DialogTemplate* page = FindDialogTemplate(IDD_PAGE1);
    ASSERT_NE(page, nullptr);
    std::vector<int> ids;
    for (const ControlTemplate& control : page->controls) {
        if (control.kind != ControlKind::Bitmap && control.kind != ControlKind::EtchedLine) {
            ids.push_back(control.id);
        }
    }
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 1008, 1009, 1014, 1015, IDC_STATIC, 1013, 1005, 1011, 1012}));
}

TEST(LicencePageTemplate, RadioGroupHoldsExactlyDisagreeThenAgree) {
    // The group starts at 1008 and runs to the next control with the group style; the buttons in
    // between are not radio buttons, so the group's indexes are 0 = 不同意, 1 = 同意.
    const DialogTemplate* page = FindDialogTemplate(IDD_PAGE1);
    ASSERT_NE(page, nullptr);
    auto start = std::find_if(page->controls.begin(), page->controls.end(),
                              [](const ControlTemplate& c) { return c.id == IDC_PAGE1_DISAGREE; });
    ASSERT_NE(start, page->controls.end());
    EXPECT_TRUE(start->groupStart);
    std::vector<std::string> radios{start->text};
    auto it = start + 1;
    for (; it != page->controls.end() && !it->groupStart; ++it) {
        if (it->kind == ControlKind::RadioButton) {
            radios.push_back(it->text);
        }
    }
    ASSERT_NE(it, page->controls.end());
    EXPECT_EQ(it->text, "是否同意本协议：");
    EXPECT_TRUE(SamePlace(it->place, {117, 167, 68, 10}));
    EXPECT_EQ(radios, (std::vector<std::string>{"不同意", "同意"}));

    struct Expected {
        int id;
        ControlKind kind;
        std::string text;
        DialogUnits place;
    };
    for (const Expected& e : std::vector<Expected>{
             {1008, ControlKind::RadioButton, "不同意", {230, 166, 41, 10}},
             {1009, ControlKind::RadioButton, "同意", {191, 166, 27, 10}},
             {1014, ControlKind::FlatPushButton, "上一页", {13, 165, 46, 13}},
             {1015, ControlKind::FlatPushButton, "下一页", {65, 165, 46, 13}},
             {1013, ControlKind::Static, "", {15, 55, 253, 105}},
         }) {
        const ControlTemplate* control = FindControl(*page, e.id);
        ASSERT_NE(control, nullptr) << e.id;
        EXPECT_EQ(control->kind, e.kind) << e.id;
        EXPECT_EQ(control->text, e.text) << e.id;
        EXPECT_TRUE(SamePlace(control->place, e.place)) << e.id;
    }
}

TEST(ReleasePageTemplate, HasOneCheckBoxPerReleaseInReleaseOrder) {
    const DialogTemplate* page = FindDialogTemplate(IDD_PAGE2);
    ASSERT_NE(page, nullptr);
    const int years[24] = {2000, 2002, 2004, 2005, 2006, 2007, 2008, 2009, 2010, 2011, 2012, 2013,
                           2014, 2015, 2016, 2017, 2018, 2019, 2020, 2021, 2022, 2023, 2024, 2025};
    const int ids[24] = {1021, 1022, 1023, 1024, 1025, 1018, 1019, 1020, 1027, 1026, 1028, 1029,
                         1030, 1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038, 1039, 1040, 1041};
    auto boxes = ControlsOfKind(*page, ControlKind::CheckBox);
    ASSERT_EQ(boxes.size(), 24u);
    for (int k = 0; k < 24; ++k) {
        SCOPED_TRACE(years[k]);
        EXPECT_EQ(boxes[k]->id, ids[k]);
        EXPECT_EQ(boxes[k]->text, "For AutoCAD" + std::to_string(years[k]));
        EXPECT_EQ(boxes[k]->place.width, 74);
        EXPECT_EQ(boxes[k]->place.height, 10);
        if (k < 21) {
            // Three columns of seven, column by column.
            const int columns[3] = {15, 107, 199};
            EXPECT_EQ(boxes[k]->place.x, columns[k / 7]);
            EXPECT_EQ(boxes[k]->place.y, 54 + 19 * (k % 7));
        }
    }
    EXPECT_TRUE(SamePlace(boxes[21]->place, {133, 181, 74, 10}));
    EXPECT_TRUE(SamePlace(boxes[22]->place, {45, 181, 74, 10}));
    EXPECT_TRUE(SamePlace(boxes[23]->place, {195, 181, 74, 10}));
}

TEST(PathPageTemplate, ListsItsControlsInTabOrderWithTheirPlaces) {
    const DialogTemplate* page = FindDialogTemplate(IDD_PAGE3);
    ASSERT_NE(page, nullptr);
    struct Expected {
        int id;
        ControlKind kind;
        std::string text;
        DialogUnits place;
    };
    const std::vector<Expected> expected{
        {1, ControlKind::PushButton, "安  装", {117, 194, 50, 14}},
        {2, ControlKind::PushButton, "取  消", {212, 194, 50, 14}},
        {1005, ControlKind::PushButton, "上一步", {22, 194, 50, 14}},
        {1000, ControlKind::Edit, "", {13, 142, 202, 12}},
        {1001, ControlKind::PushButton, "浏览...", {221, 140, 51, 13}},
        {1003, ControlKind::ProgressBar, "", {13, 166, 256, 6}},
        {IDC_STATIC, ControlKind::Static, "请选择安装路径：", {14, 125, 71, 9}},
        {1009, ControlKind::CheckBox, "是否保留Brelix结构工具箱的原有配置", {22, 60, 154, 10}},
        {1010, ControlKind::CheckBox, "保留软件设置", {22, 84, 77, 11}},
        {1011, ControlKind::CheckBox, "保留截面库", {101, 84, 77, 11}},
        {1012, ControlKind::CheckBox, "保留扩展绘图图库", {180, 84, 77, 11}},
        {1013, ControlKind::Static, "Brelix结构工具箱 V%d.%d.%d (%d位版本)", {61, 11, 205, 10}},
        {1014, ControlKind::Static, "请选择安装路径：", {61, 28, 205, 10}},
    };
    ASSERT_GE(page->controls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const ControlTemplate& control = page->controls[i];
        SCOPED_TRACE(expected[i].id);
        EXPECT_EQ(control.id, expected[i].id);
        EXPECT_EQ(control.kind, expected[i].kind);
        EXPECT_EQ(control.text, expected[i].text);
        EXPECT_TRUE(SamePlace(control.place, expected[i].place));
    }
}

// ---------------------------------------------------------------------------------------------
// res/SetUp.rc against the templates

#ifndef _WIN32

std::string SourceDir() {
    std::string file = __FILE__;  // <source>/tests/unit/ui_resources_test.cpp
    for (int level = 0; level < 3; ++level) {
        file.erase(file.find_last_of('/'));
    }
    return file;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The .rc is UTF-8; the program sees its texts in code page 936.
std::string Utf8ToGbk(const std::string& utf8) {
    iconv_t converter = iconv_open("GBK", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "no UTF-8 to GBK converter";
        return utf8;
    }
    std::string in = utf8;
    std::string out(in.size() * 2 + 1, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    if (iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
        ADD_FAILURE() << "not convertible to GBK: " << utf8;
    }
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return out;
}

std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Splits at commas outside double quotes.
std::vector<std::string> SplitArguments(const std::string& text) {
    std::vector<std::string> parts(1);
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
        }
        if (c == ',' && !quoted) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    for (std::string& part : parts) {
        part = Trim(part);
    }
    return parts;
}

std::set<std::string> StyleFlags(const std::string& expression) {
    std::set<std::string> flags;
    std::istringstream in(expression);
    std::string token;
    while (std::getline(in, token, '|')) {
        flags.insert(Trim(token));
    }
    return flags;
}

bool IsQuoted(const std::string& text) {
    return text.size() >= 2 && text.front() == '"' && text.back() == '"';
}

struct RcControl {
    std::string text;  // code page 936, or the resource id of a bitmap
    int id = 0;
    std::string windowClass;
    std::set<std::string> style;
    DialogUnits place{};
};

struct RcDialog {
    DialogUnits size{};
    std::set<std::string> style;
    std::set<std::string> exStyle;
    std::string caption;
    std::string font;
    std::vector<RcControl> controls;
};

class ResourceScript {
  public:
    ResourceScript() {
        std::istringstream header(ReadText(SourceDir() + "/res/resource.h"));
        std::string line;
        while (std::getline(header, line)) {
            std::istringstream words(line);
            std::string directive, name, value;
            if (words >> directive >> name >> value && directive == "#define") {
                value.erase(
                    std::remove_if(value.begin(), value.end(), [](char c) { return c == '(' || c == ')'; }),
                    value.end());
                symbols_[name] = std::atoi(value.c_str());
            }
        }
        Parse(ReadText(SourceDir() + "/res/SetUp.rc"));
    }

    const RcDialog* Dialog(int id) const {
        auto it = dialogs_.find(id);
        return it == dialogs_.end() ? nullptr : &it->second;
    }
    const std::map<int, RcDialog>& Dialogs() const { return dialogs_; }
    std::string Source() const { return source_; }

  private:
    int Value(const std::string& token) const {
        auto it = symbols_.find(token);
        if (it != symbols_.end()) {
            return it->second;
        }
        EXPECT_TRUE(!token.empty() && token.find_first_not_of("-0123456789") == std::string::npos)
            << "unknown symbol " << token;
        return std::atoi(token.c_str());
    }

    std::string Text(const std::string& token) const {
        if (IsQuoted(token)) {
            return Utf8ToGbk(token.substr(1, token.size() - 2));
        }
        return std::to_string(Value(token));
    }

    DialogUnits Place(const std::vector<std::string>& parts, std::size_t first) const {
        return {Value(parts[first]), Value(parts[first + 1]), Value(parts[first + 2]),
                Value(parts[first + 3])};
    }

    void Parse(const std::string& text) {
        source_ = text;
        std::istringstream in(text);
        std::string line;
        RcDialog* dialog = nullptr;
        while (std::getline(in, line)) {
            line = Trim(line);
            std::istringstream words(line);
            std::string first, second;
            words >> first >> second;
            if (second == "DIALOGEX") {
                std::string rest;
                std::getline(words, rest);
                dialog = &dialogs_[Value(first)];
                dialog->size = Place(SplitArguments(rest), 0);
            } else if (dialog == nullptr) {
                continue;
            } else if (first == "STYLE") {
                dialog->style = StyleFlags(line.substr(5));
            } else if (first == "EXSTYLE") {
                dialog->exStyle = StyleFlags(line.substr(7));
            } else if (first == "CAPTION") {
                dialog->caption = Text(Trim(line.substr(7)));
            } else if (first == "FONT") {
                auto parts = SplitArguments(line.substr(4));
                dialog->font = parts[0] + "," + Text(parts[1]);
            } else if (first == "CONTROL") {
                auto parts = SplitArguments(line.substr(7));
                EXPECT_EQ(parts.size(), 8u) << line;
                if (parts.size() < 8) {
                    continue;
                }
                RcControl control;
                control.text = Text(parts[0]);
                control.id = Value(parts[1]);
                control.windowClass = parts[2];
                control.style = StyleFlags(parts[3]);
                control.place = Place(parts, 4);
                dialog->controls.push_back(control);
            } else if (first == "END") {
                dialog = nullptr;
            }
        }
    }

    std::map<std::string, int> symbols_;
    std::map<int, RcDialog> dialogs_;
    std::string source_;
};

// What a template control must look like in the .rc: window class and the style flags that make
// its kind.
struct KindInRc {
    ControlKind kind;
    std::string windowClass;
    std::set<std::string> style;
};

const std::vector<KindInRc>& KindsInRc() {
    static const std::vector<KindInRc> kinds{
        {ControlKind::PushButton, "\"Button\"", {"BS_PUSHBUTTON"}},
        {ControlKind::DefPushButton, "\"Button\"", {"BS_DEFPUSHBUTTON"}},
        {ControlKind::FlatPushButton, "\"Button\"", {"BS_PUSHBUTTON", "BS_FLAT"}},
        {ControlKind::RadioButton, "\"Button\"", {"BS_AUTORADIOBUTTON"}},
        {ControlKind::CheckBox, "\"Button\"", {"BS_AUTOCHECKBOX"}},
        {ControlKind::Static, "\"Static\"", {"SS_LEFT"}},
        {ControlKind::Bitmap, "\"Static\"", {"SS_BITMAP"}},
        {ControlKind::EtchedLine, "\"Static\"", {"SS_ETCHEDHORZ"}},
        {ControlKind::Edit, "\"Edit\"", {"ES_LEFT", "ES_AUTOHSCROLL", "WS_BORDER"}},
        {ControlKind::ProgressBar, "\"msctls_progress32\"", {"WS_BORDER"}},
    };
    return kinds;
}

std::set<std::string> ExpectedStyle(const ControlTemplate& control, int page) {
    std::set<std::string> style;
    for (const KindInRc& kind : KindsInRc()) {
        if (kind.kind == control.kind) {
            style = kind.style;
        }
    }
    if (control.groupStart) {
        style.insert("WS_GROUP");
    }
    if (control.tabStop) {
        style.insert("WS_TABSTOP");
    }
    if (control.disabled) {
        style.insert("WS_DISABLED");
    }
    if (page == IDD_PAGE2 && control.kind == ControlKind::CheckBox) {
        style.insert({"BS_LEFT", "BS_VCENTER"});
    }
    return style;
}

std::string ExpectedClass(const ControlTemplate& control) {
    for (const KindInRc& kind : KindsInRc()) {
        if (kind.kind == control.kind) {
            return kind.windowClass;
        }
    }
    return "?";
}

class ResourceScriptTest : public testing::TestWithParam<int> {
  protected:
    static const ResourceScript& Script() {
        static const ResourceScript script;
        return script;
    }
};

TEST_P(ResourceScriptTest, DialogFrameIsTheWizardPage) {
    const RcDialog* dialog = Script().Dialog(GetParam());
    const DialogTemplate* page = FindDialogTemplate(GetParam());
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(SamePlace(dialog->size, page->size));
    EXPECT_EQ(dialog->caption, page->caption);
    EXPECT_EQ(dialog->font, "9,宋体");
    EXPECT_EQ(dialog->style,
              (std::set<std::string>{"DS_MODALFRAME", "WS_POPUP", "WS_CAPTION", "WS_SYSMENU"}));
    EXPECT_EQ(dialog->exStyle, std::set<std::string>{"WS_EX_CLIENTEDGE"});
}

TEST_P(ResourceScriptTest, ControlsMatchTheTemplateOneForOneInTabOrder) {
    const RcDialog* dialog = Script().Dialog(GetParam());
    const DialogTemplate* page = FindDialogTemplate(GetParam());
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(dialog->controls.size(), page->controls.size());
    for (std::size_t i = 0; i < page->controls.size(); ++i) {
        const ControlTemplate& expected = page->controls[i];
        const RcControl& actual = dialog->controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(expected.id));
        EXPECT_EQ(actual.id, expected.id);
        EXPECT_EQ(actual.text, expected.text);
        EXPECT_TRUE(SamePlace(actual.place, expected.place));
        EXPECT_EQ(actual.windowClass, ExpectedClass(expected));
        EXPECT_EQ(actual.style, ExpectedStyle(expected, GetParam()));
    }
}

INSTANTIATE_TEST_SUITE_P(Pages,
                         ResourceScriptTest,
                         testing::Values(IDD_PAGE1, IDD_PAGE2, IDD_PAGE3),
                         [](const auto& info) { return "Page" + std::to_string(info.param); });

TEST(ResourceScript, HoldsOnlyThePageDialogs) {
    ResourceScript script;
    std::vector<int> ids;
    for (const auto& entry : script.Dialogs()) {
        ids.push_back(entry.first);
    }
    EXPECT_EQ(ids, (std::vector<int>{IDD_PAGE1, IDD_PAGE2, IDD_PAGE3}));
}

TEST(ResourceScript, DeclaresIconBitmapManifestAndVersion) {
    std::string source = ResourceScript().Source();
    for (const char* line :
         {"IDI_MAINFRAME ICON \"setup.ico\"", "IDB_LOGO BITMAP \"logo.bmp\"",
          "IDB_LOGO_150 BITMAP \"logo150.bmp\"", "IDB_LOGO_200 BITMAP \"logo200.bmp\"",
          "1 24 \"SetUp.manifest\"", "#include \"version.rc\"", "#pragma code_page(65001)"}) {
        EXPECT_NE(source.find(line), std::string::npos) << line;
    }
    std::string manifest = ReadText(SourceDir() + "/res/version/SetUp.manifest.in");
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
}

#endif  // !_WIN32

// ---------------------------------------------------------------------------------------------
// Licence screens

const std::string kIdeographicSpaces = "\xA1\xA1\xA1\xA1";  // two U+3000 in code page 936

std::string Screen(int screen) {
    std::string text;
    for (const std::string& piece : ui::LicenceScreenPieces(screen)) {
        text += piece;
    }
    return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

TEST(LicenceText, HasFourScreensAndNothingElse) {
    for (int screen = 0; screen < ui::kLicenceScreenCount; ++screen) {
        EXPECT_FALSE(ui::LicenceScreenPieces(screen).empty()) << screen;
    }
    EXPECT_EQ(ui::kLicenceScreenCount, 4);
    EXPECT_TRUE(ui::LicenceScreenPieces(-1).empty());
    EXPECT_TRUE(ui::LicenceScreenPieces(4).empty());
}

TEST(LicenceText, HeadingsAppearOnTheirScreensInOrderAsPiecesOfTheirOwn) {
    const std::vector<std::pair<int, std::string>> headings{
        {0, "             Brelix 结构工具箱最终用户许可协议"},
        {0, "软件产品许可协议"},
        {1, "1．版权"},
        {1, "2．保证否认书"},
        {2, "3．鉴定"},
        {2, "4、个别授权"},
    };
    std::vector<std::pair<int, std::string>> found;
    for (int screen = 0; screen < ui::kLicenceScreenCount; ++screen) {
        for (const std::string& piece : ui::LicenceScreenPieces(screen)) {
            for (const auto& heading : headings) {
                if (piece == heading.second + "\n\n") {
                    found.push_back({screen, heading.second});
                }
            }
        }
    }
    EXPECT_EQ(found, headings);
}

TEST(LicenceText, FirstScreenOpensWithTitleThenTheNotice) {
    auto pieces = ui::LicenceScreenPieces(0);
    ASSERT_GE(pieces.size(), 2u);
    EXPECT_EQ(pieces[0], std::string(13, ' ') + "Brelix 结构工具箱最终用户许可协议\n\n");
    EXPECT_TRUE(StartsWith(pieces[1], "重要须知━请认真阅读：")) << pieces[1];
    EXPECT_TRUE(EndsWith(pieces[1], "\n\n"));
}

TEST(LicenceText, ParagraphsStartWithTwoIdeographicSpacesAndFinishWithTwoLineFeeds) {
    // Every piece is a heading, the notice, a paragraph, or one of the marked exceptions.
    for (int screen = 0; screen < ui::kLicenceScreenCount; ++screen) {
        auto pieces = ui::LicenceScreenPieces(screen);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const std::string& piece = pieces[i];
            SCOPED_TRACE("screen " + std::to_string(screen) + " piece " + std::to_string(i));
            bool continuation = screen == 2 && i == 0;
            bool brokenOff = screen == 1 && i + 1 == pieces.size();
            bool closing = screen == 3;
            if (StartsWith(piece, kIdeographicSpaces)) {
                EXPECT_TRUE(brokenOff || EndsWith(piece, "\n\n"));
                EXPECT_EQ(piece.find('\n'), brokenOff ? std::string::npos : piece.size() - 2);
            } else if (!continuation && !closing) {
                // Headings, the title and the notice: one line followed by an empty one.
                EXPECT_TRUE(EndsWith(piece, "\n\n"));
                EXPECT_EQ(piece.find('\n'), piece.size() - 2);
            }
        }
    }
}

TEST(LicenceText, WarrantyDisclaimerRunsOverFromScreenOneToScreenTwo) {
    auto screen1 = ui::LicenceScreenPieces(1);
    auto screen2 = ui::LicenceScreenPieces(2);
    ASSERT_FALSE(screen1.empty());
    ASSERT_FALSE(screen2.empty());
    const std::string& brokenOff = screen1.back();
    EXPECT_TRUE(StartsWith(brokenOff, kIdeographicSpaces));
    EXPECT_EQ(brokenOff.find('\n'), std::string::npos);
    EXPECT_FALSE(EndsWith(brokenOff, "。"));  // broken off in mid-sentence
    const std::string& rest = screen2.front();
    EXPECT_FALSE(StartsWith(rest, kIdeographicSpaces));
    EXPECT_TRUE(EndsWith(rest, "。\n\n"));
    EXPECT_EQ(rest.find('\n'), rest.size() - 2);
}

TEST(LicenceText, LastScreenHasTheClosingLinesAndEndsWithTheDate) {
    std::string text = Screen(3);
    EXPECT_TRUE(StartsWith(text, "\n")) << text;
    EXPECT_TRUE(EndsWith(text, "\n\n本协议最终修订日期： 2020-03-15")) << text;
    std::size_t authors = text.find("\n软件编制人：");
    ASSERT_NE(authors, std::string::npos);
    std::size_t lineEnd = text.find('\n', authors + 1);
    EXPECT_GT(lineEnd, authors + 1 + std::string("软件编制人：").size()) << "no author names";
    EXPECT_NE(text.find("最终解释权"), std::string::npos);
}

// Lines the 253 x 105 dialog-unit static shows at 宋体 9 points: 105 units are 13 lines of 12
// pixels, 253 units are 62 half-width columns of 6 pixels (a double-byte character takes two,
// which is what its code page 936 byte count says). An empty line takes a line.
int WrappedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    int count = 0;
    for (const std::string& l : lines) {
        count += std::max<int>(1, (static_cast<int>(l.size()) + 61) / 62);
    }
    return count;
}

TEST(LicenceText, WrappedLineCounterCountsBlankAndLongLines) {
    EXPECT_EQ(WrappedLines("a\n\nb"), 3);
    EXPECT_EQ(WrappedLines(std::string(62, 'x')), 1);
    EXPECT_EQ(WrappedLines(std::string(63, 'x') + "\n\n"), 2);
}

TEST(LicenceText, EveryScreenFitsTheStaticWithoutScrolling) {
    for (int screen = 0; screen < ui::kLicenceScreenCount; ++screen) {
        EXPECT_LE(WrappedLines(Screen(screen)), 13) << "screen " << screen;
    }
}

}  // namespace
