// An AutoCAD install folder read from the registry is written below only when it is a full path:
// an empty or relative one would land wherever the current folder happens to be.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acad/install_folder.h"
#include "platform/memory/memory_backend.h"
#include "state/acad_inventory.h"
#include "tests/unit/acad_test_support.h"

namespace {

using acad_test::IndexOf;
using platform::RootKey;
using platform::memory::MemoryBackend;
using Lines = std::vector<std::string>;

constexpr char kLayers[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
constexpr char kReleaseKey[] = "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804";

TEST(AcadInstallFolder, OnlyAFullPathGetsFontsAndLosesItsCompatibilityValue) {
    struct Case {
        std::string folder;
        bool full;
    };
    const Case cases[] = {
        {"C:\\CAD2010", true}, {"d:\\AutoCAD 2010", true}, {"\\\\server\\cad", true}, {"", false},
        {"CAD2010", false},    {"\\CAD2010", false},       {"C:CAD2010", false},      {"C:", false},
        {"\\\\", false},       {"1:\\CAD", false},         {"\\\\\\x", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(acad::IsFullPath(c.folder), c.full) << c.folder;

        MemoryBackend backend;
        backend.files.AddDrive("D:");
        backend.files.SetProgramPath("D:\\Setup\\SetUp.exe");
        backend.files.AddFile("D:\\Setup\\Data\\Brelix_EN.shx", "EN");
        backend.files.AddFile("D:\\Setup\\Data\\Brelix_HZ.shx", "HZ");
        backend.files.AddFolder("C:\\CAD2010\\Fonts");
        backend.files.AddFolder("C:\\Fonts");
        backend.files.SetCurrentDirectory("C:\\");
        const std::string compatValue = c.folder + "\\acad.exe";
        backend.registry.SetString(RootKey::CurrentUser, kLayers, compatValue, "~ WINXPSP3");
        backend.registry.CreateKey(RootKey::LocalMachine, kReleaseKey);
        state::AcadInventory inventory;
        inventory.targetRoot = "D:\\Tools";
        inventory.acadKeys[IndexOf(2010)].push_back(kReleaseKey);
        inventory.acadLocations[IndexOf(2010)].push_back(c.folder);
        state::ReleaseFlags chosen{};
        chosen[IndexOf(2010)] = 1;
        const std::string filesBefore = backend.files.Dump();

        auto services = backend.services();
        state::InstallJournal journal;
        inventory.RegisterReleases(services, chosen, journal);
        inventory.DeployFonts(
            services, "D:\\Setup\\Data",
            [&](const std::string& name) { return backend.files.OpenToRead("D:\\Setup\\Data\\" + name); },
            chosen, journal);

        // The release is registered whatever its folder.
        EXPECT_TRUE(backend.registry.KeyExists(RootKey::LocalMachine,
                                               std::string(kReleaseKey) + "\\Applications\\Brelix2010"))
            << c.folder;
        EXPECT_EQ(backend.registry.ValueNames(RootKey::CurrentUser, kLayers),
                  c.full ? Lines{} : Lines{compatValue})
            << c.folder;
        if (c.folder == "C:\\CAD2010") {
            EXPECT_EQ(backend.files.ReadFile("C:\\CAD2010\\Fonts\\Brelix_EN.shx"), "EN");
            EXPECT_EQ(backend.files.ReadFile("C:\\CAD2010\\Fonts\\Brelix_HZ.shx"), "HZ");
        } else if (!c.full) {
            EXPECT_EQ(backend.files.Dump(), filesBefore) << c.folder;
        }
    }
}

}  // namespace
