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

// The fallback, below %WINDIR% (where a run as administrator always writes), under a name of the run's
// own: "<this>-<UTC date and time>.log". Ordinary users may create files there too, so the fallback is
// always a new file, never one that was there before.
constexpr char kFallbackLogPattern[] = "%WINDIR%\\Temp\\Brelix-SetUp";

class RunLog : public platform::LogSink {
  public:
    // Opens `path` for the log; with `createNew`, only as a file that nothing stood in the place of.
    using Opener = std::function<std::unique_ptr<platform::LogSink>(const std::string& path, bool createNew)>;

    // `open` is not owned and must outlive the log. `fallbackBase` is the fallback's path without
    // ".log" (empty: there is none): the first of "<base>.log", "<base>-2.log", ... that can be
    // created new takes the fallback.
    RunLog(Opener open, std::string fallbackBase);

    // Opens the /LOG file. A line it refuses moves the log to the fallback (the line still
    // answers false, so the run ends with 7: the log asked for is missing).
    void OpenAsked(const std::string& path);

    // Keeps the line, and writes it where the log goes.
    bool WriteLine(const std::string& text) override;

    // Writes `reason`, every line so far and every later line to the fallback; nothing when it
    // is already there or there is none. True when the fallback took the lines.
    bool MoveToFallback(const std::string& reason);

    bool InFallback() const { return fallback_ != nullptr; }
    // The fallback file, once the log is there.
    const std::string& FallbackPath() const { return fallbackPath_; }
    const std::vector<std::string>& Lines() const { return lines_; }

  private:
    Opener open_;
    std::string fallbackBase_;
    std::string fallbackPath_;
    std::string askedPath_;
    std::unique_ptr<platform::LogSink> asked_;
    std::unique_ptr<platform::LogSink> fallback_;
    bool fallbackFailed_ = false;
    std::vector<std::string> lines_;
};

}  // namespace app
