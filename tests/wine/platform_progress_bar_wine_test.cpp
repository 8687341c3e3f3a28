// The progress bar on the real control: the positions are those asked for, step by step, and a paint
// put off while stepping is made as soon as the message loop runs, so the bar then looks exactly like
// one that painted at every step.

#include "platform/win32/win32_api.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_progress_bar.h"

namespace {

using platform::win32::Win32ProgressBar;

// A shown progress control of its own, at a place of the screen no other test control covers.
class ShownControl {
  public:
    ShownControl(int left, int top) {
        INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&classes);
        window_ = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP | WS_VISIBLE | WS_BORDER, left, top, 300,
                                  20, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        UpdateWindow(window_);
    }
    ~ShownControl() { DestroyWindow(window_); }
    ShownControl(const ShownControl&) = delete;
    ShownControl& operator=(const ShownControl&) = delete;

    HWND get() const { return window_; }
    int Position() const { return static_cast<int>(SendMessageA(window_, PBM_GETPOS, 0, 0)); }
    bool PaintPending() const { return GetUpdateRect(window_, nullptr, FALSE) != FALSE; }
    // The colours along the middle line, every 10 pixels: what the user sees of the bar.
    std::vector<COLORREF> Pixels() const {
        std::vector<COLORREF> pixels;
        HDC dc = GetDC(window_);
        RECT client{};
        GetClientRect(window_, &client);
        for (int x = 2; x < client.right - 2; x += 10)
            pixels.push_back(GetPixel(dc, x, client.bottom / 2));
        ReleaseDC(window_, dc);
        return pixels;
    }

  private:
    HWND window_ = nullptr;
};

void RunMessageLoopUntilIdle() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

struct StepCase {
    const char* name;
    int step;
    int startAt;
    int steps;
    std::vector<int> positions;  // after SetPos(startAt), then after each step
};

TEST(Win32ProgressBar, EachStepMovesTheRealControlByTheStep) {
    const std::vector<StepCase> cases = {
        {"single steps from the start", 1, 0, 5, {0, 1, 2, 3, 4, 5}},
        {"steps of five from the middle", 5, 20, 4, {20, 25, 30, 35, 40}},
        {"steps up to the maximum", 1, 47, 3, {47, 48, 49, 50}},
        {"no steps", 1, 13, 0, {13}},
    };
    ShownControl control(0, 0);
    for (const StepCase& row : cases) {
        SCOPED_TRACE(row.name);
        Win32ProgressBar bar(control.get());
        bar.SetRange(0, 50);
        bar.SetStep(row.step);
        bar.SetPos(row.startAt);
        std::vector<int> positions{control.Position()};
        for (int i = 0; i < row.steps; ++i) {
            bar.StepIt();
            positions.push_back(control.Position());
        }
        EXPECT_EQ(positions, row.positions);
    }
}

TEST(Win32ProgressBar, ABurstOfStepsLooksOnceTheLoopRunsAsIfEveryStepHadPainted) {
    ShownControl stepped(0, 40);
    ShownControl reference(0, 80);
    SendMessageA(reference.get(), PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(reference.get(), PBM_SETSTEP, 1, 0);
    {
        Win32ProgressBar bar(stepped.get());
        bar.SetRange(0, 100);
        bar.SetStep(1);
        bar.SetPos(0);
        for (int i = 0; i < 60; ++i) {
            bar.StepIt();
            SendMessageA(reference.get(), PBM_STEPIT, 0, 0);
        }
        RunMessageLoopUntilIdle();
        EXPECT_EQ(stepped.Position(), 60);
        EXPECT_FALSE(stepped.PaintPending());
        const std::vector<COLORREF> pixels = stepped.Pixels();
        EXPECT_EQ(pixels, reference.Pixels());
        // Filled at the start, empty at the end: the comparison above looked at a drawn bar.
        ASSERT_GE(pixels.size(), 2u);
        EXPECT_NE(pixels.front(), pixels.back());
    }
}

TEST(Win32ProgressBar, OnceTheBarIsGoneTheControlPaintsEveryStepAgain) {
    ShownControl control(0, 120);
    {
        Win32ProgressBar bar(control.get());
        bar.SetRange(0, 50);
        bar.SetStep(1);
        bar.StepIt();
        bar.StepIt();
    }
    RunMessageLoopUntilIdle();
    SendMessageA(control.get(), PBM_STEPIT, 0, 0);
    // The control's own step paints at once when nothing filters its paints.
    EXPECT_FALSE(control.PaintPending());
    EXPECT_EQ(control.Position(), 3);
}

}  // namespace
