#pragma once
// Message boxes over MessageBoxA, owned by a window of the program.

#include "platform/prompts.h"

namespace platform::win32 {

class Win32Prompts : public Prompts {
  public:
    // MessageBoxA; 0 when the box could not be shown.
    int Show(WindowHandle owner,
             const std::string& text,
             const std::string& caption,
             std::uint32_t style) override;
    // GetActiveWindow of the calling thread; kNoWindow when none is active.
    WindowHandle ActiveWindow() override;
};

}  // namespace platform::win32
