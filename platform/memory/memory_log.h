#pragma once
// A log for tests: keeps every line written, or refuses them all, as a file that cannot be
// written does.

#include <string>
#include <vector>

#include "platform/log_sink.h"

namespace platform::memory {

class MemoryLog : public platform::LogSink {
  public:
    bool WriteLine(const std::string& text) override {
        if (fails)
            return false;
        lines.push_back(text);
        return true;
    }
    SystemError Failure() const override { return fails ? failure : SystemError{}; }

    // True when some line contains `part`.
    bool Mentions(const std::string& part) const {
        for (const std::string& line : lines) {
            if (line.find(part) != std::string::npos)
                return true;
        }
        return false;
    }

    std::vector<std::string> lines;
    bool fails = false;
    SystemError failure{3, "系统找不到指定的路径。"};
};

}  // namespace platform::memory
