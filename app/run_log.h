#pragma once
// The log of one SetUp.exe run as an administrator's script relies on: the /LOG file when one is
// asked for (appended to), and otherwise, for every silent run and every uninstall, a log of the
// run's own in %WINDIR%\Temp. Every line is kept in memory as well, so that the run's own log, when
// it takes over from a /LOG file that cannot be written, holds the whole run after a first line that
// says why it is there.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/log_sink.h"

namespace app {

// The folder of the runs' own logs, below %WINDIR% (where a run as administrator always writes).
// Ordinary users may create files there too, so a run's log is always a new file, never one that was
// there before, and only plain files of our own names are ever deleted there.
constexpr char kOwnLogFolder[] = "%WINDIR%\\Temp";
constexpr char kOwnLogPrefix[] = "Brelix-SetUp-";
// How many of the runs' own logs stay in the folder, the newest by their names.
constexpr std::size_t kOwnLogsKept = 10;

// "<folder>\Brelix-SetUp-<yyyymmdd-hhmmss>-<process id>", the run's own log without ".log"; the time
// in UTC, as the header line gives it.
std::string OwnLogBase(const std::string& folder, const platform::UtcTime& now, std::uint32_t processId);

// True for a name a run gives its own log: "Brelix-SetUp-<8 digits>-<6 digits>-<digits>.log", or with
// "-<digits>" before ".log" when the first choice was taken (letter case ignored).
bool IsOwnLogName(const std::string& name);

// Deletes the oldest of the runs' own logs in `folder` until `kept` remain (names compared, which
// orders them by time), never `current`. Each goes through a handle that must hold a plain file of
// one name whose final path is that name in `folder`: a link or another file under such a name is
// left alone. Returns how many were deleted.
std::size_t PruneOwnLogs(platform::FileSystem& files,
                         const std::string& folder,
                         const std::string& current,
                         std::size_t kept = kOwnLogsKept);

class RunLog : public platform::LogSink {
  public:
    // Opens `path` for the log; with `createNew`, only as a file that nothing stood in the place of.
    using Opener = std::function<std::unique_ptr<platform::LogSink>(const std::string& path, bool createNew)>;

    // `ownBase` is the run's own log's path without ".log" (empty: there is none): the first of
    // "<base>.log", "<base>-2.log", ... that can be created new takes it.
    RunLog(Opener open, std::string ownBase);

    // Opens the /LOG file. A line it refuses moves the log to the run's own (the line still
    // answers false, so the run ends with 7: the log asked for is missing).
    void OpenAsked(const std::string& path);
    // Opens the run's own log, before the first line. True when it is there.
    bool OpenOwn();

    // Keeps the line, and writes it where the log goes.
    bool WriteLine(const std::string& text) override;

    // Writes `reason`, every line so far and every later line to the run's own log; nothing when it
    // is already there or there is none. True when it took the lines.
    bool MoveToOwn(const std::string& reason);

    bool InOwn() const { return own_ != nullptr; }
    // The run's own log file, once the log is there.
    const std::string& OwnPath() const { return ownPath_; }
    const std::vector<std::string>& Lines() const { return lines_; }

  private:
    bool CreateOwn();

    Opener open_;
    std::string ownBase_;
    std::string ownPath_;
    std::string askedPath_;
    std::unique_ptr<platform::LogSink> asked_;
    std::unique_ptr<platform::LogSink> own_;
    bool ownFailed_ = false;
    std::vector<std::string> lines_;
};

}  // namespace app
