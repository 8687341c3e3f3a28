#include "platform/win32/win32_prompts.h"

#include "platform/win32/win32_api.h"

namespace platform::win32 {

int Win32Prompts::Show(WindowHandle owner,
                       const std::string& text,
                       const std::string& caption,
                       std::uint32_t style) {
    return MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
}

WindowHandle Win32Prompts::ActiveWindow() {
    return reinterpret_cast<WindowHandle>(GetActiveWindow());
}

}  // namespace platform::win32
