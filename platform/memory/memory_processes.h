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
    // Each name with the id 100 + 4 * its place and session 1, unless `sessions` says otherwise.
    std::optional<std::vector<RunningProcess>> Running() override {
        const auto listed = ExecutableNames();
        if (!listed)
            return std::nullopt;
        std::vector<RunningProcess> running;
        for (std::size_t i = 0; i < listed->size(); ++i) {
            running.push_back({(*listed)[i], static_cast<std::uint32_t>(100 + 4 * i),
                               i < sessions.size() ? sessions[i] : std::optional<std::uint32_t>(1)});
        }
        return running;
    }
    std::uint32_t CurrentProcessId() override { return processId; }
    bool RunsAsLocalSystem() override { return localSystem; }
    std::string ComputerName() override { return computer; }
    std::string AccountName() override { return account; }

    std::vector<std::string> names = {"System", "explorer.exe"};
    std::vector<std::optional<std::uint32_t>> sessions;  // by place in `names`
    std::uint32_t processId = 4242;
    bool snapshotFails = false;
    bool localSystem = false;
    std::string computer = "CAD-01";
    std::string account = "CAD-01\\Administrator";

  private:
    FailureInjector& failures_;
};

}  // namespace platform::memory
