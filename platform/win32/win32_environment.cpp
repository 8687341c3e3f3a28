#include "platform/win32/win32_environment.h"

#include <cstring>
#include <vector>

#include "platform/win32/win32_api.h"

namespace platform::win32 {

std::optional<std::string> Win32Environment::Expand(const std::string& text, std::size_t capacity) {
    if (capacity == 0)
        return std::nullopt;
    std::vector<char> buffer(capacity, '\0');
    // The size needed, terminator included; more than the buffer means the text was not expanded.
    const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), buffer.data(), static_cast<DWORD>(capacity));
    if (needed == 0 || needed > capacity)
        return std::nullopt;
    std::string expanded(buffer.data(), strnlen(buffer.data(), capacity));
    if (expanded.size() + 1 > capacity)
        return std::nullopt;
    return expanded;
}

UtcTime Win32Environment::Now() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return UtcTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

SystemError Win32Environment::LastError() {
    const DWORD code = GetLastError();
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        code, 0, text, sizeof text, nullptr);
    std::string message(text, length < sizeof text ? length : 0);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return SystemError{code, message};
}

}  // namespace platform::win32
