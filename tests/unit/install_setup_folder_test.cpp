// Where the setup folder is: below the Program Files folder that the build's registry view names,
// and, for finding an installation of the other build, the other view's.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "install/record/setup_folder.h"
#include "platform/memory/memory_backend.h"

namespace {

using platform::RootKey;
using platform::memory::MemoryBackend;

constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kCurrentVersion32[] = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion";

TEST(SetupFolder, LiesBelowTheProgramFilesOfEitherViewWhereOnlyAdministratorsWrite) {
    struct Case {
        const char* name;
        int bitness;
        std::optional<std::string> own;       // ProgramFilesDir in the build's view (REG_SZ)
        std::optional<std::string> view32;    // ProgramFilesDir in the 32-bit view of a 64-bit program
        std::optional<std::string> variable;  // %ProgramFiles%
        std::vector<std::string> expected;
    };
    const std::string tail = "\\Brelix Setup";
    const std::string tooLong = "C:\\" + std::string(230, 'p');
    const Case cases[] = {
        {"32-bit", 32, "C:\\Program Files", std::nullopt, "Z:\\Not this", {"C:\\Program Files" + tail}},
        {"trailing backslashes dropped", 32, "D:\\Apps\\\\", std::nullopt, std::nullopt, {"D:\\Apps" + tail}},
        {"no value: the variable", 32, std::nullopt, std::nullopt, "E:\\程序", {"E:\\程序" + tail}},
        {"relative value: the variable", 32, "Program Files", std::nullopt, "E:\\PF", {"E:\\PF" + tail}},
        {"too long: the variable", 32, tooLong, std::nullopt, "E:\\PF", {"E:\\PF" + tail}},
        {"nothing usable", 32, "Program Files", std::nullopt, "%ProgramFiles%", {}},
        {"64-bit finds the 32-bit build's",
         64,
         "C:\\Program Files",
         "C:\\Program Files (x86)",
         std::nullopt,
         {"C:\\Program Files" + tail, "C:\\Program Files (x86)" + tail}},
        {"one folder named twice", 64, "C:\\PF", "c:\\pf\\", std::nullopt, {"C:\\PF" + tail}},
        {"the other view's unusable value", 64, "C:\\PF", "PF", "C:\\PF", {"C:\\PF" + tail}},
    };
    for (const Case& c : cases) {
        MemoryBackend backend;
        backend.registry.SetProgramBitness(c.bitness);
        if (c.own)
            backend.registry.SetString(RootKey::LocalMachine, kCurrentVersion, "ProgramFilesDir", *c.own);
        if (c.view32)
            backend.registry.SetString(RootKey::LocalMachine, kCurrentVersion32, "ProgramFilesDir",
                                       *c.view32);
        if (c.variable)
            backend.environment.Set("ProgramFiles", *c.variable);
        EXPECT_EQ(install::SetupFolders(backend.registry, backend.environment), c.expected) << c.name;
        const auto own = install::SetupFolder(backend.registry, backend.environment);
        EXPECT_EQ(own, c.expected.empty() ? std::nullopt : std::optional(c.expected.front())) << c.name;
    }
}

}  // namespace
