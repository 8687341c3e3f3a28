#pragma once
// The headless host for the page scenarios.

#include "platform/memory/headless_dialog_host.h"
#include "tests/unit/ui_page_harness.h"
#include "ui/dialog_templates.h"

namespace page_test {

class HeadlessDriver : public PageDriver {
  public:
    explicit HeadlessDriver(platform::memory::HeadlessDialog& dialog) : dialog_(dialog) {}

    bool Click(int id) override { return dialog_.Click(id); }
    bool Type(int id, const std::string& text) override { return dialog_.Type(id, text); }
    void CloseWindow() override { dialog_.CloseWindow(); }
    std::string Text(int id) override { return dialog_.GetText(id); }
    int Checked(int id) override { return dialog_.GetCheck(id); }
    bool Enabled(int id) override { return dialog_.IsEnabled(id); }
    bool Visible(int id) override { return dialog_.IsVisible(id); }
    platform::Rect Place(int id) override { return dialog_.GetRect(id); }
    platform::Rect Pixels(const platform::DialogUnits& units) override {
        return platform::memory::DialogUnitsToPixels(units);
    }
    SeenColour ColourOf(int id) override {
        platform::ControlColour answer = dialog_.ColourOf(id);
        SeenColour seen{answer.textColour, answer.transparentBackground, answer.labelFont, std::nullopt};
        if (answer.brush) {
            seen.brush = answer.brush->colour();
        }
        return seen;
    }
    int ProgressPosition(int id) override {
        const platform::memory::RecordingProgressBar* bar = dialog_.ProgressRecord(id);
        return bar ? bar->position : -1;
    }
    platform::WindowHandle Handle() override { return dialog_.Handle(); }

  private:
    platform::memory::HeadlessDialog& dialog_;
};

class HeadlessHost {
  public:
    explicit HeadlessHost(platform::memory::MemoryBackend& backend) {
        runner.onActiveWindow = [&backend](platform::WindowHandle window) {
            backend.prompts.active = window;
        };
    }
    platform::DialogRunner& Runner() { return runner; }
    void Queue(Script script) {
        runner.Queue([script = std::move(script)](platform::memory::HeadlessDialog& dialog) {
            HeadlessDriver driver(dialog);
            script(driver);
        });
    }
    int UnscriptedCloses() const { return runner.unscriptedCloses; }

    platform::memory::HeadlessDialogRunner runner{ui::FindDialogTemplate};
};

}  // namespace page_test
