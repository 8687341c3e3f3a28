// The page scenarios on the real Win32 dialog host: the pages run from the program's compiled
// templates, and the user's clicks and typing are real control messages. The services stay in
// memory, so message boxes and the folder browser are scripted as on the headless host.

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <string>

#include "platform/win32/win32_api.h"
#include "platform/win32/win32_dialog_host.h"
#include "platform/win32/win32_dialog_window.h"
#include "tests/unit/ui_page1_scenarios.h"
#include "tests/unit/ui_page2_scenarios.h"
#include "tests/unit/ui_page3_scenarios.h"

#include <commctrl.h>

namespace page_test {
namespace {

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool IsPushButton(HWND control) {
    const LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

class Win32Driver : public PageDriver {
  public:
    explicit Win32Driver(HWND dialog) : dialog_(dialog) {}

    bool Click(int id) override {
        HWND control = GetDlgItem(dialog_, id);
        // Under Wine BM_CLICK reaches a disabled button too; a user cannot click it.
        if (!Reachable(control) || lstrcmpiA(ClassOf(control).c_str(), "Button") != 0) {
            return false;
        }
        SendMessageA(control, BM_CLICK, 0, 0);
        return true;
    }
    bool Type(int id, const std::string& text) override {
        HWND control = GetDlgItem(dialog_, id);
        if (!Reachable(control) || lstrcmpiA(ClassOf(control).c_str(), "Edit") != 0) {
            return false;
        }
        SetWindowTextA(control, text.c_str());
        return true;
    }
    void CloseWindow() override { SendMessageA(dialog_, WM_CLOSE, 0, 0); }

    std::string Text(int id) override {
        char text[4096] = {};
        GetDlgItemTextA(dialog_, id, text, sizeof text);
        return text;
    }
    int Checked(int id) override { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED ? 1 : 0; }
    bool Enabled(int id) override {
        HWND control = GetDlgItem(dialog_, id);
        return control && IsWindowEnabled(control);
    }
    bool Visible(int id) override {
        HWND control = GetDlgItem(dialog_, id);
        return control && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE);
    }
    platform::Rect Place(int id) override {
        RECT place{};
        HWND control = GetDlgItem(dialog_, id);
        if (!control || !GetWindowRect(control, &place)) {
            return {};
        }
        MapWindowPoints(HWND_DESKTOP, dialog_, reinterpret_cast<POINT*>(&place), 2);
        return {place.left, place.top, place.right, place.bottom};
    }
    // As the dialog manager places a control: position and size scaled apart by the base units.
    platform::Rect Pixels(const platform::DialogUnits& units) override {
        RECT base{0, 0, 4, 8};
        MapDialogRect(dialog_, &base);
        const int left = MulDiv(units.x, base.right, 4);
        const int top = MulDiv(units.y, base.bottom, 8);
        return {left, top, left + MulDiv(units.width, base.right, 4),
                top + MulDiv(units.height, base.bottom, 8)};
    }
    // Asks the page as a control would before painting, on a memory DC, and reads back what the
    // answer did to the DC.
    SeenColour ColourOf(int id) override {
        HWND control = id == platform::kDialogItself ? dialog_ : GetDlgItem(dialog_, id);
        UINT message = WM_CTLCOLORSTATIC;
        if (id == platform::kDialogItself) {
            message = WM_CTLCOLORDLG;
        } else if (lstrcmpiA(ClassOf(control).c_str(), "Edit") == 0) {
            message = WM_CTLCOLOREDIT;
        } else if (lstrcmpiA(ClassOf(control).c_str(), "Button") == 0 && IsPushButton(control)) {
            message = WM_CTLCOLORBTN;
        }
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ originalFont = SelectObject(dc, GetStockObject(SYSTEM_FONT));
        SetTextColor(dc, RGB(1, 2, 3));
        SetBkMode(dc, OPAQUE);
        auto brush = reinterpret_cast<HBRUSH>(
            SendMessageA(dialog_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
        SeenColour seen;
        seen.text = GetTextColor(dc);
        seen.transparent = GetBkMode(dc) == TRANSPARENT;
        LOGFONTA font{};
        if (GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font) == sizeof font) {
            // 12 pixels at 96 DPI, scaled to the window's.
            const int height =
                MulDiv(12, static_cast<int>(platform::win32::Win32DialogWindow::DpiOf(dialog_)), 96);
            seen.labelFont =
                font.lfHeight == height && font.lfWeight == 600 && lstrcmpA(font.lfFaceName, "宋体") == 0;
        }
        LOGBRUSH brushInfo{};
        if (brush && GetObjectA(brush, sizeof brushInfo, &brushInfo) == sizeof brushInfo) {
            seen.brush = brushInfo.lbColor;
        }
        SelectObject(dc, originalFont);
        DeleteDC(dc);
        return seen;
    }
    int ProgressPosition(int id) override {
        return static_cast<int>(SendDlgItemMessageA(dialog_, id, PBM_GETPOS, 0, 0));
    }
    platform::WindowHandle Handle() override { return reinterpret_cast<platform::WindowHandle>(dialog_); }

  private:
    static bool Reachable(HWND control) {
        return control && IsWindowEnabled(control) && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE);
    }
    HWND dialog_;
};

// Passes every call to the real window and notes whether the page ended itself.
class WatchedWindow : public platform::DialogWindow {
  public:
    explicit WatchedWindow(platform::DialogWindow& real) : real_(real) {}
    bool ended = false;

    bool HasControl(int id) const override { return real_.HasControl(id); }
    std::string GetText(int id) const override { return real_.GetText(id); }
    void SetText(int id, const std::string& text) override { real_.SetText(id, text); }
    int GetCheck(int id) const override { return real_.GetCheck(id); }
    void SetCheck(int id, int state) override { real_.SetCheck(id, state); }
    bool IsEnabled(int id) const override { return real_.IsEnabled(id); }
    void Enable(int id, bool enable) override { real_.Enable(id, enable); }
    bool IsVisible(int id) const override { return real_.IsVisible(id); }
    void Show(int id, bool show) override { real_.Show(id, show); }
    platform::Rect GetRect(int id) const override { return real_.GetRect(id); }
    void Move(int id, const platform::Rect& place, bool repaint) override { real_.Move(id, place, repaint); }
    std::vector<int> RadioGroup(int firstId) const override { return real_.RadioGroup(firstId); }
    platform::ProgressBar* Progress(int id) override { return real_.Progress(id); }
    bool SetSmallIcon(int iconId) override { return real_.SetSmallIcon(iconId); }
    std::unique_ptr<platform::Brush> CreateSolidBrush(platform::Colour colour) override {
        return real_.CreateSolidBrush(colour);
    }
    void End(int result) override {
        ended = true;
        real_.End(result);
    }
    platform::WindowHandle Handle() const override { return real_.Handle(); }

  private:
    platform::DialogWindow& real_;
};

// The real host; each shown page gets the next script, run from a timer once the page's modal
// loop is going. A page still open after its script is closed with WM_CLOSE.
class Win32Host : public platform::DialogRunner {
  public:
    explicit Win32Host(platform::memory::MemoryBackend& backend) : backend_(backend) {}
    platform::DialogRunner& Runner() { return *this; }
    void Queue(Script script) { scripts_.push_back(std::move(script)); }
    int UnscriptedCloses() const { return unscriptedCloses_; }

    int RunModal(int templateId, platform::DialogEvents& events, platform::WindowHandle parent) override {
        Script script;
        if (!scripts_.empty()) {
            script = std::move(scripts_.front());
            scripts_.pop_front();
        }
        ScriptedEvents scripted(*this, events, std::move(script));
        return real_.RunModal(templateId, scripted, parent);
    }

  private:
    class ScriptedEvents : public platform::DialogEvents {
      public:
        ScriptedEvents(Win32Host& host, platform::DialogEvents& page, Script script)
            : host_(host), page_(page), script_(std::move(script)) {}

        bool OnInit(platform::DialogWindow& window) override {
            watched_ = std::make_unique<WatchedWindow>(window);
            HWND dialog = reinterpret_cast<HWND>(window.Handle());
            host_.backend_.prompts.active = window.Handle();
            bool focus = page_.OnInit(*watched_);
            current_ = this;
            SetTimer(dialog, kTimerId, 1, &ScriptedEvents::RunScript);
            return focus;
        }
        void OnCommand(int id, int code) override { page_.OnCommand(id, code); }
        void OnClose() override { page_.OnClose(); }
        platform::ControlColour OnControlColour(int id) override { return page_.OnControlColour(id); }
        void OnDestroy() override {
            page_.OnDestroy();
            host_.backend_.prompts.active = platform::kNoWindow;
            current_ = nullptr;
        }

      private:
        static constexpr UINT_PTR kTimerId = 0x5C41;
        static inline ScriptedEvents* current_ = nullptr;

        static void CALLBACK RunScript(HWND dialog, UINT, UINT_PTR, DWORD) {
            KillTimer(dialog, kTimerId);
            ScriptedEvents* self = current_;
            if (!self) {
                return;
            }
            if (self->script_ && !self->watched_->ended) {
                Win32Driver driver(dialog);
                self->script_(driver);
            }
            if (!self->watched_->ended) {
                ++self->host_.unscriptedCloses_;
                SendMessageA(dialog, WM_CLOSE, 0, 0);
                if (!self->watched_->ended) {
                    EndDialog(dialog, -1);
                }
            }
        }

        Win32Host& host_;
        platform::DialogEvents& page_;
        Script script_;
        std::unique_ptr<WatchedWindow> watched_;
    };

    platform::memory::MemoryBackend& backend_;
    platform::win32::Win32DialogRunner real_;
    std::deque<Script> scripts_;
    int unscriptedCloses_ = 0;
};

// Enter as the user presses it: through the dialog manager's keyboard handling, which sends the
// default command only while its button is enabled.
void PressEnter(HWND dialog) {
    HWND focus = GetFocus();
    PostMessageA(focus ? focus : dialog, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageA(focus ? focus : dialog, WM_KEYUP, VK_RETURN, 0xC01C0001);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

class Win32Keyboard : public PageFixture<Win32Host> {
  protected:
    void Found(int year) {
        inventory.acadLocations[static_cast<std::size_t>(*state::ReleaseIndexOfYear(year))].push_back(
            "C:\\CAD");
    }
};

TEST_F(Win32Keyboard, EnterLeavesTheReleasePageWhileForwardIsEnabled) {
    Found(2010);
    int next =
        Show<ui::Dlg_Page2>([](PageDriver& page) { PressEnter(reinterpret_cast<HWND>(page.Handle())); });
    EXPECT_EQ(next, 3);
    EXPECT_EQ(host.UnscriptedCloses(), 0);
}

TEST_F(Win32Keyboard, EnterDoesNothingWhileForwardIsGreyed) {
    const auto before = options.releaseChosen;
    bool forward = true;
    int next = Show<ui::Dlg_Page2>([&](PageDriver& page) {
        forward = page.Enabled(IDC_FORWARD);
        PressEnter(reinterpret_cast<HWND>(page.Handle()));
        page.Click(IDC_CANCEL);
    });
    EXPECT_FALSE(forward);
    EXPECT_EQ(next, 0);
    EXPECT_EQ(options.releaseChosen, before) << "the forward command would have stored the choice";
}

// ---- At the screen's DPI: 96, and 144 and 192 when scripts/run-wine-tests.sh sets LogPixels ----

// The DPI the run was set up for (BRELIX_TEST_DPI), or 0 when any will do.
unsigned WantedDpi() {
    const char* wanted = std::getenv("BRELIX_TEST_DPI");
    return wanted ? static_cast<unsigned>(std::atoi(wanted)) : 0;
}

// What the control needs for its text beside the text itself, in pixels: a push button's frame and
// inner margin (2 and 1 dialog units each side), a check box's or radio button's box (13 pixels at
// 96 DPI, scaled) and the 2 dialog units between box and text.
RECT Margins(HWND dialog, HWND control, unsigned dpi) {
    RECT margins{0, 0, 0, 0};
    if (lstrcmpiA(ClassOf(control).c_str(), "Button") != 0)
        return margins;
    if (IsPushButton(control)) {
        margins = {2, 1, 2, 1};
        MapDialogRect(dialog, &margins);
        return margins;
    }
    margins = {2, 0, 0, 0};
    MapDialogRect(dialog, &margins);
    margins.left += MulDiv(13, static_cast<int>(dpi), 96);
    return margins;
}

struct TextFit {
    int id;
    std::string text;
    SIZE needed;     // DrawText's DT_CALCRECT in the control's drawing font, with the margins
    SIZE available;  // the control's client rectangle
};

// Every control of the page that shows text of its own (not the edit field, which scrolls), measured
// in the font it draws with: the dialog's, or the one the page's colour answer selects.
std::vector<TextFit> MeasureTexts(HWND dialog, unsigned dpi) {
    std::vector<TextFit> fits;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        char text[4096] = {};
        GetWindowTextA(control, text, sizeof text);
        const LONG style = GetWindowLongA(control, GWL_STYLE);
        const bool isStatic = lstrcmpiA(ClassOf(control).c_str(), "Static") == 0;
        if (text[0] == '\0' || lstrcmpiA(ClassOf(control).c_str(), "Edit") == 0 ||
            (isStatic && (style & SS_TYPEMASK) > SS_RIGHT)) {
            continue;
        }
        RECT client{};
        GetClientRect(control, &client);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ original = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
        const UINT message = isStatic || !IsPushButton(control) ? WM_CTLCOLORSTATIC : WM_CTLCOLORBTN;
        SendMessageA(dialog, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
        // A static taller than two lines wraps its words, as the licence does; the rest keep to one line.
        TEXTMETRICA metrics{};
        GetTextMetricsA(dc, &metrics);
        const bool wraps = isStatic && client.bottom >= 2 * metrics.tmHeight;
        const RECT margins = Margins(dialog, control, dpi);
        RECT needed{0, 0, wraps ? client.right : 0, 0};
        DrawTextA(dc, text, -1, &needed, DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
        SelectObject(dc, original);
        DeleteDC(dc);
        fits.push_back(
            {GetDlgCtrlID(control),
             text,
             {needed.right + margins.left + margins.right, needed.bottom + margins.top + margins.bottom},
             {client.right, client.bottom}});
    }
    return fits;
}

// The size of the logo the page's bitmap static shows, "<width>x<height>".
std::string LogoOf(HWND dialog) {
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        BITMAP bitmap{};
        auto image = reinterpret_cast<HBITMAP>(SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if ((GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP && image &&
            GetObjectA(image, sizeof bitmap, &bitmap))
            return std::to_string(bitmap.bmWidth) + "x" + std::to_string(bitmap.bmHeight);
    }
    return "none";
}

std::string Squared(int size) {
    return std::to_string(size) + "x" + std::to_string(size);
}

class Win32Dpi : public PageFixture<Win32Host> {
  protected:
    // Checks the page on display: the DPI asked for, every text inside its control, the logo at its
    // scaled size, and the label font scaled alike.
    void ExpectSharpAndWhole(PageDriver& page, int labelId) {
        HWND dialog = reinterpret_cast<HWND>(page.Handle());
        const unsigned dpi = platform::win32::Win32DialogWindow::DpiOf(dialog);
        if (WantedDpi() != 0) {
            EXPECT_EQ(dpi, WantedDpi()) << "LogPixels did not reach the program";
        }
        const std::vector<TextFit> fits = MeasureTexts(dialog, dpi);
        EXPECT_GE(fits.size(), 6u);
        for (const TextFit& fit : fits) {
            EXPECT_LE(fit.needed.cx, fit.available.cx)
                << fit.id << " \"" << fit.text << "\" at " << dpi << " DPI";
            EXPECT_LE(fit.needed.cy, fit.available.cy)
                << fit.id << " \"" << fit.text << "\" at " << dpi << " DPI";
        }
        EXPECT_EQ(LogoOf(dialog), Squared(MulDiv(48, static_cast<int>(dpi), 96)));
        EXPECT_TRUE(page.ColourOf(labelId).labelFont) << "the label font is not 12 pixels scaled to " << dpi;
    }
};

TEST_F(Win32Dpi, EveryPageFitsItsTextsAndScalesItsLogoAtThisDpi) {
    inventory.acadLocations[*state::ReleaseIndexOfYear(2010)].push_back("C:\\AutoCAD 2010");
    inventory.acadKeys[*state::ReleaseIndexOfYear(2010)].push_back("SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\");
    int checked = 0;
    Show<ui::Dlg_Page1>([&](PageDriver& page) {
        ExpectSharpAndWhole(page, IDC_PAGE1_VERSION);
        ++checked;
    });
    Show<ui::Dlg_Page2>([&](PageDriver& page) {
        ExpectSharpAndWhole(page, IDC_PAGE2_VERSION);
        ++checked;
    });
    Show<ui::Dlg_Page3>([&](PageDriver& page) {
        ExpectSharpAndWhole(page, IDC_PAGE3_VERSION);
        ++checked;
    });
    EXPECT_EQ(checked, 3);
}

// A page moved to a monitor of twice the scale: the window takes the suggested rectangle, the logo
// and the label font follow the new DPI.
TEST_F(Win32Dpi, MovingToAnotherScaleTakesTheSuggestedPlaceAndRedrawsForIt) {
    Show<ui::Dlg_Page1>([&](PageDriver& page) {
        HWND dialog = reinterpret_cast<HWND>(page.Handle());
        RECT before{};
        GetWindowRect(dialog, &before);
        const unsigned dpi = platform::win32::Win32DialogWindow::DpiOf(dialog) * 2;
        RECT suggested{before.left + 10, before.top + 20, before.left + 10 + 2 * (before.right - before.left),
                       before.top + 20 + 2 * (before.bottom - before.top)};
        SendMessageA(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        // Not handled as far as the dialog manager knows: Windows 10 then rescales the template's controls.
        const auto procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(dialog, DWLP_DLGPROC));
        EXPECT_EQ(CallWindowProcA(procedure, dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                                  reinterpret_cast<LPARAM>(&suggested)),
                  FALSE);
        RECT after{};
        GetWindowRect(dialog, &after);
        EXPECT_TRUE(EqualRect(&after, &suggested));
        EXPECT_EQ(LogoOf(dialog), Squared(MulDiv(48, static_cast<int>(dpi), 96)));
        // The label font is made again for the new DPI.
        HDC dc = CreateCompatibleDC(nullptr);
        SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_PAGE1_VERSION)));
        LOGFONTA font{};
        GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font);
        DeleteDC(dc);
        EXPECT_EQ(font.lfHeight, MulDiv(12, static_cast<int>(dpi), 96));
    });
}

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, Page1Scenarios, Win32Host);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, Page2Scenarios, Win32Host);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, Page3Scenarios, Win32Host);

}  // namespace page_test
