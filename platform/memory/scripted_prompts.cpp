#include "platform/memory/scripted_prompts.h"

namespace platform::memory {

int ScriptedPrompts::Show(WindowHandle owner,
                          const std::string& text,
                          const std::string& caption,
                          std::uint32_t style) {
    shown.push_back({owner, text, caption, style});
    if (onShow)
        onShow(shown.back());
    if (answers.empty())
        return defaultAnswer;
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace platform::memory
