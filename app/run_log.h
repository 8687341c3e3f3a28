#pragma once
// The log of one SetUp.exe run as an administrator's script relies on: the /LOG file when one is
// asked for, and a trace that a failed unattended run always leaves. Every line is kept in memory
// as well, so that the fallback file, when it is needed, holds the whole run after a first line
// that says why it is there.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/log_sink.h"

namespace app {

// The fallback, below %WINDIR% (where a run as administrator always writes).
constexpr char kFallbackLogPattern[] = "%WINDIR%\\Temp\\Brelix-SetUp.log";

class RunLog : public platform::LogSink {
  public:
    using Opener = std::function<std::unique_ptr<platform::LogSink>(const std::string& path)>;

    // `open` is not owned and must outlive the log. `fallbackPath` empty: there is none.
    RunLog(Opener open, std::string fallbackPath);

    // Opens the /LOG file. A line it refuses moves the log to the fallback (the line still
    // answers false, so the run ends with 7: the log asked for is missing).
    void OpenAsked(const std::string& path);

    // Keeps the line, and writes it where the log goes.
    bool WriteLine(const std::string& text) override;

    // Writes `reason`, every line so far and every later line to the fallback; nothing when it
    // is already there or there is none. True when the fallback took the lines.
    bool MoveToFallback(const std::string& reason);

    bool InFallback() const { return fallback_ != nullptr; }
    const std::string& FallbackPath() const { return fallbackPath_; }
    const std::vector<std::string>& Lines() const { return lines_; }

  private:
    Opener open_;
    std::string fallbackPath_;
    std::string askedPath_;
    std::unique_ptr<platform::LogSink> asked_;
    std::unique_ptr<platform::LogSink> fallback_;
    bool fallbackFailed_ = false;
    std::vector<std::string> lines_;
};

}  // namespace app
