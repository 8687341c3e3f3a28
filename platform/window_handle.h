#pragma once
#include <cstdint>

namespace platform {

// An opaque window of the user interface (an HWND on Windows). 0 is no window.
using WindowHandle = std::uintptr_t;
constexpr WindowHandle kNoWindow = 0;

}  // namespace platform
