#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/memory/failures.h"
#include "platform/processes.h"

namespace platform::memory {

// A scripted list of running executables.
class MemoryProcessList : public ProcessList {
  public:
    explicit MemoryProcessList(FailureInjector& failures) : failures_(failures) {}

    std::optional<std::vector<std::string>> ExecutableNames() override {
        if (snapshotFails || failures_.ShouldFail(Operation::Snapshot, "*"))
            return std::nullopt;
        return names;
    }
    bool RunsAsLocalSystem() override { return localSystem; }
    std::string ComputerName() override { return computer; }
    std::string AccountName() override { return account; }

    std::vector<std::string> names = {"System", "explorer.exe"};
    bool snapshotFails = false;
    bool localSystem = false;
    std::string computer = "CAD-01";
    std::string account = "CAD-01\\Administrator";

  private:
    FailureInjector& failures_;
};

}  // namespace platform::memory
