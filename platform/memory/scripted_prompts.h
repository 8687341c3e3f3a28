#pragma once
// Message boxes for tests: every box shown is recorded, and answered from a queue.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/prompts.h"

namespace platform::memory {

struct ShownPrompt {
    WindowHandle owner;
    std::string text;
    std::string caption;
    std::uint32_t style;
};

class ScriptedPrompts : public Prompts {
  public:
    int Show(WindowHandle owner,
             const std::string& text,
             const std::string& caption,
             std::uint32_t style) override;
    WindowHandle ActiveWindow() override { return active; }

    std::vector<ShownPrompt> shown;
    std::deque<int> answers;  // used in order; then defaultAnswer
    int defaultAnswer = kIdOk;
    WindowHandle active = kNoWindow;
    // Called before a box is answered (e.g. to unlock a file before "retry").
    std::function<void(const ShownPrompt&)> onShow;
};

}  // namespace platform::memory
