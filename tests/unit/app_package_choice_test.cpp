// Which package serves which machine: 32-bit and 64-bit Windows with 32-bit and 64-bit AutoCAD
// releases, seen from each build. What page 2 offers, what a silent run registers (each
// installation once, also when both registry views reach it), the releases it names but leaves
// to the other build, how it ends, and the refusal of a release that the other build serves.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "app/command_line.h"
#include "app/install_choices.h"
#include "app/silent_install.h"
#include "platform/memory/memory_log.h"
#include "state/exit_codes.h"
#include "tests/unit/install_test_support.h"

namespace {

using namespace install_test;
using Lines = std::vector<std::string>;

struct Acad {
    int year;
    int bits;                        // 32 or 64: the AutoCAD build, which decides the view its keys are in
    const char* release;             // the release key and product key below the AutoCAD key
    bool copiedToOtherView = false;  // the key also stands in the other view, naming the same folder
};

struct PackageCase {
    const char* name;
    int systemBits;
    std::vector<Acad> installed;
    int build;
    std::vector<int> offered;  // page 2's boxes
    Lines registered;          // demand-load entries written by a silent run, below HKLM\SOFTWARE
    Lines unserved;            // "<year> <bits of that AutoCAD> -> <build serving it, 0: none>"
    int exitCode;
    const char* endText;  // part of the log's last words when nothing was installed
    int refusedYear;      // a year /RELEASES= names and this build leaves to another; 0: none
    const char* refusal;
};

std::string Folder(const Acad& acad) {
    return std::string(acad.bits == 64 ? "C:\\Program Files\\" : "C:\\Program Files (x86)\\") + "AutoCAD " +
           std::to_string(acad.year);
}

class PackageChoiceTest : public ::testing::TestWithParam<PackageCase> {
  protected:
    PackageChoiceTest() {
        const PackageCase& c = GetParam();
        StageProgram(backend);
        for (const char* name : {"Brelix2008.arx", "Brelix2010.arx", "Brelix_EN.shx", "Brelix_HZ.shx"})
            backend.files.AddFile(std::string(kSource) + "\\" + name, name);
        backend.registry.SetSystemBitness(c.systemBits);
        backend.registry.SetProgramBitness(c.build);
        for (const Acad& acad : c.installed) {
            // The registry as a 64-bit program sees it: 32-bit AutoCAD of a 64-bit system in the node.
            const bool inNode = c.systemBits == 64 && acad.bits == 32;
            AddKey(inNode, acad);
            if (acad.copiedToOtherView)
                AddKey(!inNode, acad);
            backend.files.AddFolder(Folder(acad) + "\\Fonts");
        }
        journal.AttachLog(&log);
    }

    void AddKey(bool inNode, const Acad& acad) {
        const std::string key = std::string(inNode ? "SOFTWARE\\Wow6432Node" : "SOFTWARE") +
                                "\\Autodesk\\AutoCAD\\" + acad.release;
        backend.registry.SetString(RootKey::LocalMachine, key, "AcadLocation", Folder(acad));
        backend.registry.SetString(RootKey::LocalMachine, key, "ProductName",
                                   "AutoCAD " + std::to_string(acad.year) + " - 简体中文");
    }

    app::ChoiceResult Choose(const std::string& arguments, state::InstallOptions& options) {
        options.buildBitness = GetParam().build;
        return app::ApplyInstallChoices(*app::ParseCommandLine(arguments).command, inventory, services,
                                        options);
    }

    // Every Applications\Brelix<year> key, as the whole physical registry holds it.
    Lines DemandLoadKeys() const {
        Lines keys;
        std::istringstream dump(backend.registry.Dump());
        for (std::string line; std::getline(dump, line);) {
            const auto at = line.find("\\Applications\\Brelix");
            if (at != std::string::npos && line.find(" : ") == std::string::npos)
                keys.push_back(line.substr(std::string("HKLM\\SOFTWARE\\").size()));
        }
        return keys;
    }

    int LinesStartingWith(const std::string& start) const {
        int count = 0;
        for (const std::string& line : log.lines)
            count += line.rfind(start, 0) == 0 ? 1 : 0;
        return count;
    }

    MemoryBackend backend;
    platform::Services services = backend.services();
    state::AcadInventory inventory;
    state::InstallJournal journal;
    platform::memory::MemoryLog log;
};

TEST_P(PackageChoiceTest, OffersRegistersAndNamesWhatThisBuildServes) {
    const PackageCase& c = GetParam();
    inventory.buildBitness = c.build;
    inventory.FindReleases(backend.registry, backend.environment,
                           state::AcadInventory::OtherBuildView::Search);

    std::vector<int> offered;
    for (int k = 0; k < state::kReleaseCount; ++k) {
        if (app::IsReleaseOffered(k, c.build) && !inventory.acadLocations[k].empty())
            offered.push_back(state::ReleaseTable()[k].year);
    }
    EXPECT_EQ(offered, c.offered);
    Lines unserved;
    for (const auto& found : inventory.unserved) {
        unserved.push_back(std::to_string(state::ReleaseTable()[found.release].year) + " " +
                           std::to_string(found.acadBitness) + " -> " + std::to_string(found.servedBy));
    }
    EXPECT_EQ(unserved, c.unserved);

    // The log names each of them with the build that serves it.
    app::LogUnservedReleases(journal, inventory);
    ASSERT_EQ(log.lines.size(), c.unserved.size());
    for (std::size_t i = 0; i < log.lines.size(); ++i) {
        const auto& found = inventory.unserved[i];
        EXPECT_THAT(log.lines[i], ::testing::HasSubstr(found.key));
        EXPECT_THAT(
            log.lines[i],
            ::testing::HasSubstr(found.servedBy ? "需要 " + std::to_string(found.servedBy) + " 位安装程序"
                                                : std::string("都不为它安装")));
    }

    if (c.refusedYear) {
        state::InstallOptions options;
        const app::ChoiceResult refused = Choose("/S /RELEASES=" + std::to_string(c.refusedYear), options);
        EXPECT_EQ(refused.exitCode, state::kExitInvalidCommandLine);
        EXPECT_EQ(refused.error, c.refusal);
    }

    state::InstallOptions options;
    options.installRoot = "C:\\Tools";
    const app::ChoiceResult choices = Choose("/S", options);
    const int exitCode =
        choices.exitCode ? choices.exitCode : app::RunSilentInstall(services, options, inventory, journal);
    EXPECT_EQ(exitCode, c.exitCode) << ::testing::PrintToString(log.lines);
    EXPECT_THAT(choices.error, ::testing::HasSubstr(c.endText));
    EXPECT_EQ(DemandLoadKeys(), c.registered);
    // Both fonts once into each registered installation's folder.
    EXPECT_EQ(LinesStartingWith("已复制字体"), 2 * static_cast<int>(c.registered.size()));
}

constexpr char k2009[] = "R17.2\\ACAD-7001:804";
constexpr char k2010[] = "R18.0\\ACAD-8001:804";
constexpr char k2012[] = "R18.2\\ACAD-A001:804";
constexpr char k2016[] = "R20.1\\ACAD-F001:804";
constexpr char k2018[] = "R22.0\\ACAD-1001:804";
constexpr char k2020[] = "R23.1\\ACAD-3001:804";
constexpr char k2021[] = "R24.0\\ACAD-4101:804";

INSTANTIATE_TEST_SUITE_P(
    Machines,
    PackageChoiceTest,
    ::testing::Values(
        // The deployment that chose the wrong package: 32-bit 2009 beside 64-bit 2010, 2020, 2021.
        PackageCase{"Mixed64BitWindowsFrom32BitBuild",
                    64,
                    {{2009, 32, k2009}, {2010, 64, k2010}, {2020, 64, k2020}, {2021, 64, k2021}},
                    32,
                    {2009},
                    {"Wow6432Node\\Autodesk\\AutoCAD\\R17.2\\ACAD-7001:804\\Applications\\Brelix2009"},
                    {"2010 64 -> 64", "2020 64 -> 64", "2021 64 -> 64"},
                    0,
                    "",
                    2010,
                    "本机的 AutoCAD 2010 是 64 位的，需要 64 位安装程序"},
        PackageCase{"Mixed64BitWindowsFrom64BitBuild",
                    64,
                    {{2009, 32, k2009},
                     {2010, 64, k2010},
                     {2020, 64, k2020},
                     {2021, 64, k2021},
                     {2004, 64, "R16.0\\ACAD-201:804"}},
                    64,
                    {2009, 2010, 2020, 2021},
                    {"Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Applications\\Brelix2010",
                     "Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Applications\\Brelix2020",
                     "Autodesk\\AutoCAD\\R24.0\\ACAD-4101:804\\Applications\\Brelix2021",
                     "Wow6432Node\\Autodesk\\AutoCAD\\R17.2\\ACAD-7001:804\\Applications\\Brelix2009"},
                    {"2004 64 -> 0"},
                    0,
                    "",
                    0,
                    ""},
        PackageCase{
            "Only64BitAutoCADFrom32BitBuild",
            64,
            {{2010, 64, k2010}, {2020, 64, k2020}, {2020, 64, "R23.1\\ACAD-3001:409"}},
            32,
            {},
            {},
            {"2010 64 -> 64", "2020 64 -> 64", "2020 64 -> 64"},
            state::kExitNoRelease,
            "本机没有本程序（32 位版本）可安装的 AutoCAD 版本；找到的 AutoCAD 2010、2020 需要 64 位安装程序",
            2020,
            "本机的 AutoCAD 2020 是 64 位的，需要 64 位安装程序"},
        PackageCase{"Only32BitAutoCADOn64BitWindowsFrom64BitBuild",
                    64,
                    {{2012, 32, k2012}, {2016, 32, k2016}, {2018, 32, k2018}},
                    64,
                    {},
                    {},
                    {"2012 32 -> 32", "2016 32 -> 32", "2018 32 -> 0"},
                    state::kExitNoRelease,
                    "找到的 AutoCAD 2012、2016 需要 32 位安装程序",
                    2012,
                    "本机的 AutoCAD 2012 是 32 位的，需要 32 位安装程序"},
        PackageCase{"Mostly32BitAutoCADOn64BitWindowsFrom32BitBuild",
                    64,
                    {{2012, 32, k2012},
                     {2016, 32, k2016},
                     {2018, 32, k2018},
                     {2010, 64, k2010},
                     {2018, 64, "R22.0\\ACAD-1002:804"}},
                    32,
                    {2012, 2016},
                    {"Wow6432Node\\Autodesk\\AutoCAD\\R18.2\\ACAD-A001:804\\Applications\\Brelix2012",
                     "Wow6432Node\\Autodesk\\AutoCAD\\R20.1\\ACAD-F001:804\\Applications\\Brelix2016"},
                    {"2010 64 -> 64", "2018 32 -> 0", "2018 64 -> 64"},
                    0,
                    "",
                    2018,
                    "本机的 AutoCAD 2018 是 64 位的，需要 64 位安装程序"},
        // A 64-bit system whose 2009 key was copied into the other view: one installation.
        PackageCase{"KeyCopiedIntoTheOtherViewFrom64BitBuild",
                    64,
                    {{2009, 64, k2009, true}, {2010, 64, k2010}},
                    64,
                    {2009, 2010},
                    {"Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Applications\\Brelix2010",
                     "Wow6432Node\\Autodesk\\AutoCAD\\R17.2\\ACAD-7001:804\\Applications\\Brelix2009"},
                    {},
                    0,
                    "",
                    0,
                    ""},
        PackageCase{"KeyCopiedIntoTheOtherViewFrom32BitBuild",
                    64,
                    {{2009, 32, k2009, true}},
                    32,
                    {2009},
                    {"Wow6432Node\\Autodesk\\AutoCAD\\R17.2\\ACAD-7001:804\\Applications\\Brelix2009"},
                    {},
                    0,
                    "",
                    0,
                    ""},
        // A 32-bit Windows has one view: nothing there is left to a 64-bit build.
        PackageCase{
            "Plain32BitWindows",
            32,
            {{2009, 32, k2009}, {2010, 32, k2010}, {2018, 32, k2018}, {2000, 32, "R15.0\\ACAD-1:804"}},
            32,
            {2009, 2010},
            {"Autodesk\\AutoCAD\\R17.2\\ACAD-7001:804\\Applications\\Brelix2009",
             "Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Applications\\Brelix2010"},
            {"2000 32 -> 0", "2018 32 -> 0"},
            0,
            "",
            2018,
            "本机的 AutoCAD 2018 是 32 位的，32 位和 64 位安装程序都不为它安装"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
