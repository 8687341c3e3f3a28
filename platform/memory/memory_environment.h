#pragma once
// An in-memory environment: variables set by the test, names compared without regard to letter
// case, expansion as ExpandEnvironmentStringsA does it; the time is what the test sets.

#include <map>
#include <string>

#include "platform/environment.h"

namespace platform::memory {

class MemoryEnvironment : public Environment {
  public:
    void Set(const std::string& name, const std::string& value);

    std::optional<std::string> Expand(const std::string& text, std::size_t capacity) override;
    UtcTime Now() override { return now; }
    // What every failed call reports here: the tests set the error a failure stands for.
    SystemError LastError() override { return lastError; }

    UtcTime now{2026, 1, 15, 9, 30, 0, 0};
    SystemError lastError{5, "拒绝访问。"};

  private:
    std::map<std::string, std::string> variables_;  // by upper-cased name
};

}  // namespace platform::memory
