#pragma once
// The process environment, as far as the installer needs it: expanding the "%NAME%" references of
// a REG_EXPAND_SZ value. Implemented by win32/ (kernel32) and memory/ (a settable table for tests).

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

class Environment {
  public:
    virtual ~Environment() = default;
    // `text` with each "%NAME%" of a defined variable replaced by its value; references to undefined
    // variables stay as written. nullopt when the result does not fit `capacity` bytes with its
    // terminating zero, or on failure: a cut expansion is never handed out.
    virtual std::optional<std::string> Expand(const std::string& text, std::size_t capacity) = 0;
};

}  // namespace platform
