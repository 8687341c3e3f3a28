#pragma once
// The environment of this process through kernel32 (ExpandEnvironmentStringsA, GetSystemTime,
// GetLastError with FormatMessageA).

#include "platform/environment.h"

namespace platform::win32 {

class Win32Environment : public Environment {
  public:
    std::optional<std::string> Expand(const std::string& text, std::size_t capacity) override;
    UtcTime Now() override;
    SystemError LastError() override;
};

}  // namespace platform::win32
