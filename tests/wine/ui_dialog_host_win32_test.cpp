// The Win32 dialog host itself: what it does for a page beyond the page scenarios (icon, progress
// control, radio groups, failure to create a dialog).

#include "platform/win32/win32_api.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/win32/win32_dialog_host.h"
#include "res/resource.h"

namespace {

// A page stand-in: runs `onInit` with the shown window, then closes it from a timer once the
// modal loop runs, so that the test also sees the window after its initialisation.
class ProbeEvents : public platform::DialogEvents {
  public:
    std::function<void(platform::DialogWindow&)> onInit;
    std::function<void(platform::DialogWindow&)> onRunning;
    std::vector<std::string> log;

    bool OnInit(platform::DialogWindow& window) override {
        log.push_back("init");
        window_ = &window;
        if (onInit) {
            onInit(window);
        }
        current_ = this;
        SetTimer(reinterpret_cast<HWND>(window.Handle()), 1, 1, &ProbeEvents::Running);
        return true;
    }
    void OnCommand(int id, int code) override {
        if (code == platform::kBnClicked) {
            log.push_back("command " + std::to_string(id));
        }
    }
    void OnClose() override {
        log.push_back("close");
        window_->End(77);
    }
    platform::ControlColour OnControlColour(int) override { return {}; }
    void OnDestroy() override {
        log.push_back("destroy");
        window_ = nullptr;
        current_ = nullptr;
    }

  private:
    static void CALLBACK Running(HWND dialog, UINT, UINT_PTR id, DWORD) {
        KillTimer(dialog, id);
        if (current_ && current_->onRunning) {
            current_->onRunning(*current_->window_);
        }
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    }
    static inline ProbeEvents* current_ = nullptr;
    platform::DialogWindow* window_ = nullptr;
};

TEST(Win32DialogHost, RunEndsWithTheResultGivenToEndAndTellsThePageOfEachStep) {
    platform::win32::Win32DialogRunner runner;
    ProbeEvents page;
    EXPECT_EQ(runner.RunModal(IDD_PAGE1, page, platform::kNoWindow), 77);
    EXPECT_EQ(page.log, (std::vector<std::string>{"init", "close", "destroy"}));
}

TEST(Win32DialogHost, MissingTemplateFailsWithoutShowingAnything) {
    platform::win32::Win32DialogRunner runner;
    ProbeEvents page;
    EXPECT_EQ(runner.RunModal(999, page, platform::kNoWindow), -1);
    EXPECT_TRUE(page.log.empty());
}

TEST(Win32DialogHost, PageWithoutOwnerOpensInTheMiddleOfTheWorkArea) {
    platform::win32::Win32DialogRunner runner;
    ProbeEvents page;
    RECT window{}, area{};
    page.onRunning = [&](platform::DialogWindow& shown) {
        GetWindowRect(reinterpret_cast<HWND>(shown.Handle()), &window);
    };
    runner.RunModal(IDD_PAGE1, page, platform::kNoWindow);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    ASSERT_GT(window.right - window.left, 0);
    const int spareLeft = window.left - area.left, spareRight = area.right - window.right;
    const int spareTop = window.top - area.top, spareBottom = area.bottom - window.bottom;
    EXPECT_GT(spareLeft, 0);
    EXPECT_LE(std::abs(spareLeft - spareRight), 1);
    EXPECT_GT(spareTop, 0);
    EXPECT_LE(std::abs(spareTop - spareBottom), 1);
}

TEST(Win32DialogHost, SmallIconComesFromTheProgramIconAndTheLargeOneIsLeftAlone) {
    platform::win32::Win32DialogRunner runner;
    ProbeEvents page;
    bool loaded = false;
    HICON small = nullptr, large = nullptr;
    page.onInit = [&](platform::DialogWindow& window) { loaded = window.SetSmallIcon(IDI_MAINFRAME); };
    page.onRunning = [&](platform::DialogWindow& window) {
        HWND dialog = reinterpret_cast<HWND>(window.Handle());
        small = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
        large = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
    };
    runner.RunModal(IDD_PAGE1, page, platform::kNoWindow);
    EXPECT_TRUE(loaded);
    EXPECT_NE(small, nullptr);
    EXPECT_EQ(large, nullptr);
}

TEST(Win32DialogHost, IconThatDoesNotExistIsReportedAndNotSet) {
    platform::win32::Win32DialogRunner runner;
    ProbeEvents page;
    bool loaded = true;
    HICON small = reinterpret_cast<HICON>(1);
    page.onInit = [&](platform::DialogWindow& window) { loaded = window.SetSmallIcon(4242); };
    page.onRunning = [&](platform::DialogWindow& window) {
        small = reinterpret_cast<HICON>(
            SendMessageA(reinterpret_cast<HWND>(window.Handle()), WM_GETICON, ICON_SMALL, 0));
    };
    runner.RunModal(IDD_PAGE1, page, platform::kNoWindow);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(small, nullptr);
}

TEST(Win32DialogHost, ProgressBarDrivesTheRealControl) {
    platform::win32::Win32DialogRunner runner;
    ProbeEvents page;
    std::vector<int> positions;
    PBRANGE range{-1, -1};
    bool onlyTheProgressControl = false;
    page.onInit = [&](platform::DialogWindow& window) {
        onlyTheProgressControl =
            window.Progress(IDC_PAGE3_PATH) == nullptr && window.Progress(4711) == nullptr;
        platform::ProgressBar* bar = window.Progress(IDC_PAGE3_PROGRESS);
        ASSERT_NE(bar, nullptr);
        HWND control = GetDlgItem(reinterpret_cast<HWND>(window.Handle()), IDC_PAGE3_PROGRESS);
        auto position = [&] {
            positions.push_back(static_cast<int>(SendMessageA(control, PBM_GETPOS, 0, 0)));
        };
        bar->SetRange(0, 50);
        bar->SetStep(1);
        bar->SetPos(0);
        position();
        bar->StepIt();
        bar->StepIt();
        position();
        bar->SetStep(5);
        bar->StepIt();
        position();
        bar->SetPos(50);
        position();
        SendMessageA(control, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    };
    runner.RunModal(IDD_PAGE3, page, platform::kNoWindow);
    EXPECT_TRUE(onlyTheProgressControl);
    EXPECT_EQ(positions, (std::vector<int>{0, 2, 7, 50}));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 50);
}

TEST(Win32DialogHost, RadioGroupEndsAtTheNextGroupAndSkipsPushButtons) {
    platform::win32::Win32DialogRunner runner;
    ProbeEvents page;
    std::vector<int> group;
    page.onInit = [&](platform::DialogWindow& window) { group = window.RadioGroup(IDC_PAGE1_DISAGREE); };
    runner.RunModal(IDD_PAGE1, page, platform::kNoWindow);
    EXPECT_EQ(group, (std::vector<int>{IDC_PAGE1_DISAGREE, IDC_PAGE1_AGREE}));
}

TEST(Win32DialogHost, ControlsReadBackWhatWasSetBeforeThePageIsVisible) {
    platform::win32::Win32DialogRunner runner;
    ProbeEvents page;
    std::vector<std::string> seen;
    page.onInit = [&](platform::DialogWindow& window) {
        window.SetText(IDC_PAGE3_PATH, "D:\\工具");
        window.SetCheck(IDC_PAGE3_KEEP_SETTINGS, 1);
        window.Enable(IDC_PAGE3_KEEP_CONFIG, false);
        window.Show(IDC_PAGE3_BROWSE, false);
        platform::Rect place = window.GetRect(IDC_PAGE3_BROWSE);
        window.Move(IDC_PAGE3_KEEP_DRAWING_LIBRARY, place, true);
        seen = {window.GetText(IDC_PAGE3_PATH),
                std::to_string(window.GetCheck(IDC_PAGE3_KEEP_SETTINGS)),
                std::to_string(window.IsEnabled(IDC_PAGE3_KEEP_CONFIG)),
                std::to_string(window.IsVisible(IDC_PAGE3_BROWSE)),
                std::to_string(window.IsVisible(IDC_PAGE3_KEEP_SETTINGS)),
                std::to_string(window.GetRect(IDC_PAGE3_KEEP_DRAWING_LIBRARY) == place),
                std::to_string(window.HasControl(4711)),
                window.GetText(4711)};
    };
    runner.RunModal(IDD_PAGE3, page, platform::kNoWindow);
    EXPECT_EQ(seen, (std::vector<std::string>{"D:\\工具", "1", "0", "0", "1", "1", "0", ""}));
}

}  // namespace
