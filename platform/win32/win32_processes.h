#pragma once
// The process list from a tool-help snapshot (CreateToolhelp32Snapshot, Process32First/Next).

#include "platform/processes.h"

namespace platform::win32 {

class Win32ProcessList : public ProcessList {
  public:
    // nullopt when no snapshot can be taken; an empty list when the snapshot holds no process.
    std::optional<std::vector<std::string>> ExecutableNames() override;
    // The same snapshot; each session from ProcessIdToSessionId.
    std::optional<std::vector<RunningProcess>> Running() override;
    std::uint32_t CurrentProcessId() override;
    // The process token's user is the well-known SID S-1-5-18.
    bool RunsAsLocalSystem() override;
    // GetComputerNameA; the process token's user as LookupAccountSidA names it.
    std::string ComputerName() override;
    std::string AccountName() override;
};

}  // namespace platform::win32
