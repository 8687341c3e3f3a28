#pragma once
// The process snapshot, checked against every backend.

#include "tests/contract/contract_fixture.h"

namespace contract {

class ProcessesContract : public PlatformContract {};

TEST_P(ProcessesContract, SnapshotListsTheRunningProgramByItsFileName) {
    const std::string program = services().files.ProgramPath();
    const std::string fileName = program.substr(text936::FindLastBackslash(program) + 1);

    const auto names = services().processes.ExecutableNames();
    ASSERT_TRUE(names.has_value());
    const bool listed = std::any_of(names->begin(), names->end(), [&](const std::string& name) {
        return text936::EqualsNoCase(name, fileName);
    });
    EXPECT_TRUE(listed) << fileName << " among " << names->size() << " processes";
    for (const auto& name : *names)
        EXPECT_EQ(name.find('\\'), std::string::npos) << name;
}

// The log names a running AutoCAD by what this snapshot says: this very process is found there under
// its id, with its file name and a session.
TEST_P(ProcessesContract, SnapshotGivesEachProcessItsIdAndSession) {
    const std::string program = services().files.ProgramPath();
    const std::string fileName = program.substr(text936::FindLastBackslash(program) + 1);
    const std::uint32_t self = services().processes.CurrentProcessId();

    const auto running = services().processes.Running();
    ASSERT_TRUE(running.has_value());
    const auto found = std::find_if(running->begin(), running->end(),
                                    [&](const platform::RunningProcess& p) { return p.id == self; });
    ASSERT_NE(found, running->end()) << self;
    EXPECT_TRUE(text936::EqualsNoCase(found->image, fileName)) << found->image;
    EXPECT_TRUE(found->session.has_value());
    const auto names = services().processes.ExecutableNames();
    ASSERT_TRUE(names.has_value());
    EXPECT_GE(running->size(), names->size() / 2) << "both lists come from snapshots of the same machine";
}

}  // namespace contract
