#pragma once
// Where log lines go: a file on Windows, a list in tests.

#include <string>

namespace platform {

class LogSink {
  public:
    virtual ~LogSink() = default;
    // Writes one event. False when it could not be written (the run goes on without it).
    virtual bool WriteLine(const std::string& text) = 0;
};

}  // namespace platform
