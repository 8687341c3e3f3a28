// Message boxes through MessageBoxA: a second thread finds each box, reads it and presses a button,
// as a user would.

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_api.h"
#include "platform/win32/win32_prompts.h"
#include "tests/wine/test_thread.h"

namespace {

using platform::WindowHandle;

struct SeenBox {
    bool found = false;
    bool hasButton = false;
    std::string caption;
    std::string text;
    HWND owner = nullptr;
};

BOOL CALLBACK TakeFirstDialog(HWND window, LPARAM result) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
}

// The first dialog window (a message box is one) of `thread`, or nullptr.
HWND FindDialogOf(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(thread, TakeFirstDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Waits up to 10 s for a message box of `thread`, reads it and presses `button`. The box is found by
// its thread rather than its caption, so that a wrong caption fails the test instead of hanging it.
SeenBox PressWhenShown(DWORD thread, int button) {
    SeenBox seen;
    for (int attempt = 0; attempt < 1000 && !seen.found; ++attempt) {
        const HWND box = FindDialogOf(thread);
        if (!box || !IsWindowVisible(box)) {
            Sleep(10);
            continue;
        }
        char caption[256] = {};
        GetWindowTextA(box, caption, sizeof caption);
        char text[512] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        seen.found = true;
        seen.caption = caption;
        seen.text = text;
        seen.owner = GetWindow(box, GW_OWNER);
        seen.hasButton = GetDlgItem(box, button) != nullptr;
        // The command a click sends; posted, as the box runs its own modal loop on the other thread.
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }
    return seen;
}

class Win32PromptsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        owner = CreateWindowExA(0, "STATIC", "Brelix owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(owner, nullptr);
    }
    void TearDown() override { DestroyWindow(owner); }

    platform::win32::Win32Prompts prompts;
    HWND owner = nullptr;
};

TEST_F(Win32PromptsTest, ShowsTextAndCaptionOverItsOwnerAndReturnsTheButtonPressed) {
    struct Case {
        std::uint32_t style;
        int press;
        const char* text;
    };
    const Case cases[] = {
        {platform::kMbOk, platform::kIdOk, "安装完成，重启AutoCAD即可使用 !"},
        {platform::kMbAbortRetryIgnore | platform::kMbIconExclamation, platform::kIdRetry,
         "C:\\Brelix\\Brelix结构工具箱\\Brelix2010.arx"},
        {platform::kMbAbortRetryIgnore, platform::kIdIgnore, "\xB5\x5C型钢库.dat"},
        {platform::kMbYesNo | platform::kMbIconQuestion, platform::kIdNo, "请关闭AutoCAD后再进行安装 !"},
        {platform::kMbYesNo, platform::kIdYes, "Yes?"},
    };
    int number = 0;
    for (const auto& c : cases) {
        const std::string caption = "Brelix结构工具箱 " + std::to_string(++number);
        SeenBox seen;
        TestThread user([&, thread = GetCurrentThreadId()] { seen = PressWhenShown(thread, c.press); });
        const int answer = prompts.Show(reinterpret_cast<WindowHandle>(owner), c.text, caption, c.style);
        user.join();

        ASSERT_TRUE(seen.found) << caption;
        EXPECT_EQ(answer, c.press) << caption;
        EXPECT_TRUE(seen.hasButton) << caption;
        EXPECT_EQ(seen.caption, caption);
        EXPECT_EQ(seen.text, c.text) << caption;
        EXPECT_EQ(seen.owner, owner) << caption;
    }
}

TEST_F(Win32PromptsTest, ActiveWindowIsThePageOfThisThreadOrNone) {
    ShowWindow(owner, SW_SHOW);
    SetActiveWindow(owner);
    EXPECT_EQ(prompts.ActiveWindow(), reinterpret_cast<WindowHandle>(owner));

    // Another thread has no active window of its own.
    WindowHandle elsewhere = 1;
    TestThread other([&] { elsewhere = platform::win32::Win32Prompts().ActiveWindow(); });
    other.join();
    EXPECT_EQ(elsewhere, platform::kNoWindow);
}

}  // namespace
