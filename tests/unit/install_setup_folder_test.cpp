// Where the setup folder is: below the Program Files folder that the build's registry view names,
// and, for finding an installation of the other build, the other view's.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "install/record/install_record.h"
#include "install/record/installed_version.h"
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

// The version installed is the newest that the records of both builds' setup folders name, whichever
// folder holds it; a record without one is an earlier build's. And what a record lists below a folder is
// found whatever the letter case the folder is asked in, the newest build's lines counting last.
TEST(SetupFolder, RecordsOfBothBuildsGiveTheInstalledVersionAndTheFilesOfAFolder) {
    const std::string head = "Brelix结构工具箱 安装记录 1\r\n";
    struct Case {
        const char* own;    // this build's record: nullptr none, "" one without a version
        const char* other;  // the other build's
        bool recorded;
        std::optional<state::ProductVersion> version;
    };
    const Case cases[] = {
        {nullptr, "2099.1.0", true, state::ProductVersion{2099, 1, 0}},
        {"2024.1.0", "2099.1.0", true, state::ProductVersion{2099, 1, 0}},
        {"2099.1.0", "2024.1.0", true, state::ProductVersion{2099, 1, 0}},
        {"", nullptr, true, std::nullopt},
        {nullptr, nullptr, false, std::nullopt},
    };
    const std::string own = "C:\\Program Files\\Brelix Setup",
                      other = "C:\\Program Files (x86)\\Brelix Setup";
    for (const Case& c : cases) {
        MemoryBackend backend;
        backend.registry.SetProgramBitness(64);
        backend.registry.SetString(RootKey::LocalMachine, kCurrentVersion, "ProgramFilesDir",
                                   "C:\\Program Files");
        backend.registry.SetString(RootKey::LocalMachine, kCurrentVersion32, "ProgramFilesDir",
                                   "C:\\Program Files (x86)");
        for (const auto& [folder, version, crc] :
             {std::tuple{own, c.own, "00000001"}, std::tuple{other, c.other, "00000002"}}) {
            if (!version)
                continue;
            const std::string line = *version ? std::string("VERSION\t") + version + "\r\n" : std::string();
            backend.files.AddFile(
                folder + "\\Brelix安装记录.txt",
                head + line + "FOLDER\tD:\\Tools\r\nEARLIERFOLDER\tC:\\CAD Tools\\Brelix结构工具箱\r\n" +
                    "EARLIERFILE\t4\t" + crc + "\tBrelix.CFG\r\n");
        }
        const install::InstalledVersion installed =
            install::ReadInstalledVersion(backend.files, backend.registry, backend.environment);
        EXPECT_EQ(installed.recorded, c.recorded)
            << (c.own ? c.own : "-") << " " << (c.other ? c.other : "-");
        EXPECT_EQ(installed.version, c.version) << (c.own ? c.own : "-") << " " << (c.other ? c.other : "-");
        const auto record = install::ReadMergedRecord(
            backend.files, install::SetupFolders(backend.registry, backend.environment));
        ASSERT_EQ(record.has_value(), c.recorded);
        if (!record)
            continue;
        const auto files = install::RecordedFilesIn(*record, "c:\\cad tools\\BRELIX结构工具箱\\");
        ASSERT_TRUE(files);
        ASSERT_EQ(files->size(), 1u);
        // This build's own record is the newest word on a file both list.
        EXPECT_EQ(files->front().crc, c.own ? 1u : 2u);
    }
}
