#pragma once
// Where log lines go: a file on Windows, a list in tests.

#include <string>

#include "platform/environment.h"

namespace platform {

class LogSink {
  public:
    virtual ~LogSink() = default;
    // Writes one event. False when it could not be written (the run goes on without it).
    virtual bool WriteLine(const std::string& text) = 0;
    // Why the open or the last write failed, as the system said it; code 0 when nothing failed or
    // the system gave no reason.
    virtual SystemError Failure() const { return {}; }
};

}  // namespace platform
