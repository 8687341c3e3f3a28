#pragma once
// Message boxes. Styles and answers use the MessageBoxA values.

#include <cstdint>
#include <string>

#include "platform/window_handle.h"

namespace platform {

constexpr std::uint32_t kMbOk = 0x0;
constexpr std::uint32_t kMbAbortRetryIgnore = 0x2;
constexpr std::uint32_t kMbYesNo = 0x4;
constexpr std::uint32_t kMbIconQuestion = 0x20;
constexpr std::uint32_t kMbIconExclamation = 0x30;
constexpr std::uint32_t kMbDefButton2 = 0x100;

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdAbort = 3;
constexpr int kIdRetry = 4;
constexpr int kIdIgnore = 5;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

class Prompts {
  public:
    virtual ~Prompts() = default;
    // Shows a modal message box and returns the id of the button pressed.
    virtual int Show(WindowHandle owner,
                     const std::string& text,
                     const std::string& caption,
                     std::uint32_t style) = 0;
    // The program's active window (the page on display), or kNoWindow.
    virtual WindowHandle ActiveWindow() = 0;
};

}  // namespace platform
