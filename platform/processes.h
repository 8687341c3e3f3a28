#pragma once
// Names of running executables, from a point-in-time snapshot.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One process of a snapshot, as the log names it.
struct RunningProcess {
    std::string image;  // executable file name (PROCESSENTRY32.szExeFile)
    std::uint32_t id = 0;
    std::optional<std::uint32_t> session;  // Remote Desktop session; nullopt when it cannot be told
};

class ProcessList {
  public:
    virtual ~ProcessList() = default;
    // Executable file names (PROCESSENTRY32.szExeFile) in snapshot order;
    // nullopt when no snapshot can be taken.
    virtual std::optional<std::vector<std::string>> ExecutableNames() = 0;
    // The same snapshot with each process's id and session; nullopt when none can be taken.
    virtual std::optional<std::vector<RunningProcess>> Running() = 0;
    // This process's id, for names a run makes its own.
    virtual std::uint32_t CurrentProcessId() = 0;
    // True when this process runs as the LocalSystem account (as deployment systems run
    // installers); false when it cannot be told.
    virtual bool RunsAsLocalSystem() = 0;
    // The computer's NetBIOS name and the account this process runs as ("DOMAIN\user"), for the
    // log; empty when they cannot be told.
    virtual std::string ComputerName() = 0;
    virtual std::string AccountName() = 0;
};

}  // namespace platform
