#pragma once
// Names of running executables, from a point-in-time snapshot.

#include <optional>
#include <string>
#include <vector>

namespace platform {

class ProcessList {
  public:
    virtual ~ProcessList() = default;
    // Executable file names (PROCESSENTRY32.szExeFile) in snapshot order;
    // nullopt when no snapshot can be taken.
    virtual std::optional<std::vector<std::string>> ExecutableNames() = 0;
    // True when this process runs as the LocalSystem account (as deployment systems run
    // installers); false when it cannot be told.
    virtual bool RunsAsLocalSystem() = 0;
    // The computer's NetBIOS name and the account this process runs as ("DOMAIN\user"), for the
    // log; empty when they cannot be told.
    virtual std::string ComputerName() = 0;
    virtual std::string AccountName() = 0;
};

}  // namespace platform
