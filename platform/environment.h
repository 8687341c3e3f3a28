#pragma once
// The process environment, as far as the installer needs it: expanding the "%NAME%" references of
// a REG_EXPAND_SZ value, and the time. Implemented by win32/ (kernel32) and memory/ (a settable table
// and clock for tests).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// A moment in UTC, as SYSTEMTIME holds it (month 1-12, day 1-31, millisecond 0-999).
struct UtcTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The error the system gave for the calling thread's last failed call (GetLastError), with its
// own text (FormatMessageA, code page 936 on a Chinese Windows).
struct SystemError {
    std::uint32_t code = 0;
    std::string text;  // without a trailing line break; empty when the system has none
};

// "（错误 5：拒绝访问。）", as the log writes a system error after the program's own words.
std::string DescribeSystemError(const SystemError& error);

class Environment {
  public:
    virtual ~Environment() = default;
    // `text` with each "%NAME%" of a defined variable replaced by its value; references to undefined
    // variables stay as written. nullopt when the result does not fit `capacity` bytes with its
    // terminating zero, or on failure: a cut expansion is never handed out.
    virtual std::optional<std::string> Expand(const std::string& text, std::size_t capacity) = 0;
    // The time now in UTC: unlike local time it never steps back when summer time ends.
    virtual UtcTime Now() = 0;
    // The last error of this thread. Only meaningful right after a call that failed, before any
    // other call (a message box, a log line) can replace it.
    virtual SystemError LastError() = 0;
};

}  // namespace platform
