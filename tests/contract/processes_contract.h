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

}  // namespace contract
