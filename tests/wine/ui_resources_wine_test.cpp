// The resources compiled into the program, as Windows loads them: each page dialog created from
// its template has the controls of ui::FindDialogTemplate in the same order, with the same ids,
// code page 936 texts, places and styles; the logo, icon, version and manifest are there; and each
// licence screen fits its static when drawn with the dialog's real font.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_api.h"
#include "platform/win32/win32_dialog_window.h"

#include <commctrl.h>

#include "res/resource.h"
#include "ui/dialog_templates.h"
#include "ui/licence_text.h"

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// A page created modeless from the program's resources; destroyed at the end of the test.
class PageWindow {
  public:
    explicit PageWindow(int id) {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        window_ =
            CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, QuietDialog, 0);
    }
    ~PageWindow() {
        if (window_ != nullptr) {
            DestroyWindow(window_);
        }
    }
    PageWindow(const PageWindow&) = delete;
    PageWindow& operator=(const PageWindow&) = delete;

    HWND get() const { return window_; }

    // Child windows in creation order, which is the template's (tab) order.
    std::vector<HWND> Children() const {
        std::vector<HWND> children;
        for (HWND child = GetWindow(window_, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            children.push_back(child);
        }
        return children;
    }

    // A place in dialog units converted as Windows converts a template: position and size each on
    // their own, so the far edge is not the converted sum.
    RECT Pixels(const platform::DialogUnits& place) const {
        RECT units{place.x, place.y, place.width, place.height};
        MapDialogRect(window_, &units);
        return RECT{units.left, units.top, units.left + units.right, units.top + units.bottom};
    }

    RECT PlaceOf(HWND child) const {
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

  private:
    HWND window_ = nullptr;
};

std::string Text(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return CharLowerA(name);
}

std::string ExpectedClass(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::DefPushButton:
        case ControlKind::FlatPushButton:
        case ControlKind::RadioButton:
        case ControlKind::CheckBox:
            return "button";
        case ControlKind::Static:
        case ControlKind::Bitmap:
        case ControlKind::EtchedLine:
            return "static";
        case ControlKind::Edit:
            return "edit";
        case ControlKind::ProgressBar:
            return "msctls_progress32";
    }
    return "?";
}

// The style bits that make a control of that kind. In a DIALOGEX page the dialog manager turns the
// border of an edit control into a sunken client edge.
bool HasKindStyle(ControlKind kind, LONG style, LONG exStyle) {
    const bool bordered = (style & WS_BORDER) || (exStyle & WS_EX_CLIENTEDGE);
    switch (kind) {
        case ControlKind::PushButton:
            return (style & BS_TYPEMASK) == BS_PUSHBUTTON && !(style & BS_FLAT);
        case ControlKind::DefPushButton:
            return (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        case ControlKind::FlatPushButton:
            return (style & BS_TYPEMASK) == BS_PUSHBUTTON && (style & BS_FLAT);
        case ControlKind::RadioButton:
            return (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
        case ControlKind::CheckBox:
            return (style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
        case ControlKind::Static:
            return (style & SS_TYPEMASK) == SS_LEFT;
        case ControlKind::Bitmap:
            return (style & SS_TYPEMASK) == SS_BITMAP;
        case ControlKind::EtchedLine:
            return (style & SS_TYPEMASK) == SS_ETCHEDHORZ;
        case ControlKind::Edit:
            return (style & ES_AUTOHSCROLL) && bordered;
        case ControlKind::ProgressBar:
            return true;  // the themed control draws its own frame and drops the border bits
    }
    return false;
}

class CompiledPage : public testing::TestWithParam<int> {};

TEST_P(CompiledPage, FrameIsTheWizardPage) {
    PageWindow page(GetParam());
    ASSERT_NE(page.get(), nullptr) << GetLastError();
    const DialogTemplate* expected = ui::FindDialogTemplate(GetParam());
    ASSERT_NE(expected, nullptr);

    EXPECT_EQ(Text(page.get()), expected->caption);
    LONG style = GetWindowLongA(page.get(), GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & DS_MODALFRAME);
    EXPECT_TRUE(GetWindowLongA(page.get(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

    LOGFONTA font{};
    ASSERT_NE(
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(page.get(), WM_GETFONT, 0, 0)), sizeof font, &font),
        0);
    EXPECT_STREQ(font.lfFaceName, "宋体");

    RECT client{};
    GetClientRect(page.get(), &client);
    RECT size = page.Pixels(expected->size);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
}

TEST_P(CompiledPage, ControlsMatchTheTemplateInOrder) {
    PageWindow page(GetParam());
    ASSERT_NE(page.get(), nullptr) << GetLastError();
    const DialogTemplate* expected = ui::FindDialogTemplate(GetParam());
    ASSERT_NE(expected, nullptr);
    std::vector<HWND> children = page.Children();
    ASSERT_EQ(children.size(), expected->controls.size());

    for (std::size_t i = 0; i < children.size(); ++i) {
        const ControlTemplate& control = expected->controls[i];
        HWND child = children[i];
        SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(control.id));
        EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(child)), static_cast<WORD>(control.id));
        EXPECT_EQ(ClassOf(child), ExpectedClass(control.kind));
        LONG style = GetWindowLongA(child, GWL_STYLE);
        LONG exStyle = GetWindowLongA(child, GWL_EXSTYLE);
        EXPECT_TRUE(HasKindStyle(control.kind, style, exStyle)) << std::hex << style << " " << exStyle;
        EXPECT_EQ((style & WS_GROUP) != 0, control.groupStart);
        EXPECT_EQ((style & WS_TABSTOP) != 0, control.tabStop);
        EXPECT_EQ(IsWindowEnabled(child) == FALSE, control.disabled);

        RECT actual = page.PlaceOf(child);
        RECT wanted = page.Pixels(control.place);
        EXPECT_EQ(actual.left, wanted.left);
        EXPECT_EQ(actual.top, wanted.top);
        if (control.kind == ControlKind::Bitmap) {
            // A bitmap static takes its bitmap's size.
            HANDLE image = reinterpret_cast<HANDLE>(SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
            ASSERT_NE(image, nullptr);
            BITMAP bitmap{};
            ASSERT_NE(GetObjectA(image, sizeof bitmap, &bitmap), 0);
            EXPECT_EQ(bitmap.bmWidth, 48);
            EXPECT_EQ(bitmap.bmHeight, 48);
        } else if (control.kind == ControlKind::EtchedLine) {
            // Wine draws an etched line 2 pixels wider than its template says; Windows does not.
            EXPECT_GE(actual.right, wanted.right);
            EXPECT_LE(actual.right, wanted.right + 2);
            EXPECT_LE(actual.bottom - actual.top, 2);
        } else {
            EXPECT_EQ(actual.right, wanted.right);
            EXPECT_EQ(actual.bottom, wanted.bottom);
            EXPECT_EQ(Text(child), control.text);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, CompiledPage, testing::Values(IDD_PAGE1, IDD_PAGE2, IDD_PAGE3));

// The logo for 100 %, 150 % and 200 %, each at its own size, and which one a DPI draws from.
TEST(CompiledResources, LogoComesInThreeSizesAndEachDpiDrawsFromTheNearestAtOrAbove) {
    const struct {
        int id;
        int size;
    } logos[] = {{IDB_LOGO, 48}, {IDB_LOGO_150, 72}, {IDB_LOGO_200, 96}};
    for (const auto& logo : logos) {
        HANDLE image =
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(logo.id), IMAGE_BITMAP, 0, 0, 0);
        ASSERT_NE(image, nullptr) << logo.id;
        BITMAP bitmap{};
        ASSERT_NE(GetObjectA(image, sizeof bitmap, &bitmap), 0);
        EXPECT_EQ(bitmap.bmWidth, logo.size) << logo.id;
        EXPECT_EQ(bitmap.bmHeight, logo.size) << logo.id;
        DeleteObject(image);
    }
    using platform::win32::Win32DialogWindow;
    const struct {
        unsigned dpi;
        int logo;
        int size;
    } choices[] = {{72, IDB_LOGO, 36},      {96, IDB_LOGO, 48},      {120, IDB_LOGO_150, 60},
                   {144, IDB_LOGO_150, 72}, {168, IDB_LOGO_200, 84}, {192, IDB_LOGO_200, 96},
                   {288, IDB_LOGO_200, 144}};
    for (const auto& choice : choices) {
        EXPECT_EQ(Win32DialogWindow::LogoFor(choice.dpi), choice.logo) << choice.dpi;
        EXPECT_EQ(Win32DialogWindow::LogoSize(choice.dpi), choice.size) << choice.dpi;
    }
}

TEST(CompiledResources, IconHoldsImagesFromSixteenTo256Pixels) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC group =
        FindResourceA(module, MAKEINTRESOURCEA(IDI_MAINFRAME), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const BYTE* directory = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    ASSERT_NE(directory, nullptr);
    // GRPICONDIR: reserved, type, count; then 14-byte entries starting with width and height (0: 256).
    WORD count = *reinterpret_cast<const WORD*>(directory + 4);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        sizes.push_back(directory[6 + 14 * i] == 0 ? 256 : directory[6 + 14 * i]);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 64, 256}));
    for (int size : sizes) {
        HANDLE icon = LoadImageA(module, MAKEINTRESOURCEA(IDI_MAINFRAME), IMAGE_ICON, size, size, 0);
        EXPECT_NE(icon, nullptr) << size;
        ICONINFO info{};
        BITMAP bitmap{};
        if (icon && GetIconInfo(static_cast<HICON>(icon), &info)) {
            GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
            EXPECT_EQ(bitmap.bmWidth, size);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
        DestroyIcon(static_cast<HICON>(icon));
    }
}

std::string ResourceBytes(LPCSTR name, LPCSTR type) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name, type);
    if (found == nullptr) {
        return "";
    }
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(data, SizeofResource(module, found));
}

TEST(CompiledResources, ManifestRequiresAdministrator) {
    std::string manifest = ResourceBytes(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos) << manifest;
    // Per-monitor V2 where Windows knows it, system-wide awareness before.
    // Each in the namespace of the Windows that reads it: under another, Windows ignores the element.
    EXPECT_NE(manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                            "PerMonitorV2</dpiAwareness>"),
              std::string::npos)
        << manifest;
    EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true"
                            "</dpiAware>"),
              std::string::npos)
        << manifest;
}

TEST(CompiledResources, VersionIs2024_3_27) {
    std::string version = ResourceBytes(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));  // RT_VERSION
    const DWORD signature = 0xFEEF04BD;
    std::size_t at = version.find(std::string(reinterpret_cast<const char*>(&signature), 4));
    ASSERT_NE(at, std::string::npos);
    VS_FIXEDFILEINFO info{};
    ASSERT_LE(at + sizeof info, version.size());
    memcpy(&info, version.data() + at, sizeof info);
    EXPECT_EQ(info.dwFileVersionMS, (2024u << 16) | 3u);
    EXPECT_EQ(info.dwFileVersionLS, 27u << 16);
}

// Each licence screen, word-wrapped as the static draws it, fits the static without scrolling.
TEST(CompiledResources, EveryLicenceScreenFitsItsStatic) {
    PageWindow page(IDD_PAGE1);
    ASSERT_NE(page.get(), nullptr);
    HWND licence = GetDlgItem(page.get(), IDC_PAGE1_LICENCE);
    ASSERT_NE(licence, nullptr);
    RECT client{};
    GetClientRect(licence, &client);
    HDC dc = GetDC(licence);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(licence, WM_GETFONT, 0, 0)));
    for (int screen = 0; screen < ui::kLicenceScreenCount; ++screen) {
        std::string text;
        for (const std::string& piece : ui::LicenceScreenPieces(screen)) {
            text += piece;
        }
        // A trailing line feed draws nothing; measure up to the last visible character.
        text.erase(text.find_last_not_of('\n') + 1);
        RECT needed{0, 0, client.right, 0};
        DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_LEFT | DT_EXPANDTABS);
        EXPECT_LE(needed.bottom, client.bottom) << "screen " << screen;
        EXPECT_LE(needed.right, client.right) << "screen " << screen;

        SetWindowTextA(licence, text.c_str());
        EXPECT_EQ(Text(licence), text);
    }
    SelectObject(dc, old);
    ReleaseDC(licence, dc);
}

}  // namespace
