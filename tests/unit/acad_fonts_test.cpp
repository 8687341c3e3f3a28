// Copying the two shape fonts into the "Fonts" folders of the chosen AutoCAD installations.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/memory/memory_backend.h"
#include "state/acad_inventory.h"
#include "tests/unit/acad_test_support.h"

namespace {

using acad_test::IndexOf;
using platform::kAttrArchive;
using platform::kAttrReadOnly;
using platform::memory::MemoryBackend;
using Lines = std::vector<std::string>;

class AcadFontsTest : public ::testing::Test {
  protected:
    AcadFontsTest() {
        chosen.fill(0);
        backend.files.AddDrive("D:");
        backend.files.SetProgramPath("D:\\Setup\\SetUp.exe");
    }

    void AddSourceFonts(std::uint32_t attributes = kAttrArchive) {
        backend.files.AddFile("D:\\Setup\\Data\\Brelix_EN.shx", "EN new", attributes);
        backend.files.AddFile("D:\\Setup\\Data\\Brelix_HZ.shx", "HZ new", attributes);
    }
    void AddInstallation(int year, const std::string& folder, bool withFonts = true) {
        if (withFonts) {
            backend.files.AddFolder(folder + "\\Fonts");
        } else {
            backend.files.AddFolder(folder);
        }
        inventory.acadLocations[IndexOf(year)].push_back(folder);
        inventory.acadKeys[IndexOf(year)].push_back("SOFTWARE\\Autodesk\\AutoCAD\\R\\" + folder.substr(3) +
                                                    "\\");
    }
    // `source` as the installation located it.
    void Deploy(const std::string& source = "D:\\Setup\\Data") {
        auto services = backend.services();
        inventory.DeployFonts(
            services, source,
            [&](const std::string& name) { return backend.files.OpenToRead(source + "\\" + name); }, chosen,
            journal);
    }
    // The file system dump lines below `folder` (sorted by upper-cased path), without its own.
    Lines Below(const std::string& folder) {
        Lines lines;
        std::istringstream dump(backend.files.Dump());
        for (std::string line; std::getline(dump, line);) {
            const bool below = line.compare(0, folder.size() + 1, folder + "\\") == 0;
            if (below && line.compare(folder.size() + 1, 2, " [") != 0)
                lines.push_back(line);
        }
        return lines;
    }

    MemoryBackend backend;
    state::AcadInventory inventory;
    state::InstallJournal journal;
    state::ReleaseFlags chosen;
};

TEST_F(AcadFontsTest, EveryInstallationOfEveryChosenReleaseGetsBothFonts) {
    AddSourceFonts();
    AddInstallation(2010, "C:\\CAD2010");
    AddInstallation(2010, "C:\\CAD2010 EN");
    AddInstallation(2012, "C:\\CAD2012");  // found but not chosen
    backend.files.AddFile("C:\\CAD2010\\Fonts\\txt.shx", "txt");
    chosen[IndexOf(2010)] = 1;
    chosen[IndexOf(2013)] = 1;  // chosen but not found
    Deploy();
    EXPECT_EQ(Below("C:"), (Lines{
                               "C:\\CAD2010\\ [10]",
                               "C:\\CAD2010 EN\\ [10]",
                               "C:\\CAD2010 EN\\Fonts\\ [10]",
                               "C:\\CAD2010 EN\\Fonts\\Brelix_EN.shx [20] \"EN new\"",
                               "C:\\CAD2010 EN\\Fonts\\Brelix_HZ.shx [20] \"HZ new\"",
                               "C:\\CAD2010\\Fonts\\ [10]",
                               "C:\\CAD2010\\Fonts\\Brelix_EN.shx [20] \"EN new\"",
                               "C:\\CAD2010\\Fonts\\Brelix_HZ.shx [20] \"HZ new\"",
                               "C:\\CAD2010\\Fonts\\txt.shx [20] \"txt\"",
                               "C:\\CAD2012\\ [10]",
                               "C:\\CAD2012\\Fonts\\ [10]",
                           }));
    EXPECT_TRUE(backend.prompts.shown.empty());
}

// Both targets are replaced even when read-only, and neither copy stays read-only; the sources are
// only read, never changed.
TEST_F(AcadFontsTest, ReadOnlyTargetsAndSourcesAreReplacedAndLeftWritable) {
    AddSourceFonts(kAttrArchive | kAttrReadOnly);
    AddInstallation(2008, "C:\\CAD2008");
    backend.files.AddFile("C:\\CAD2008\\Fonts\\Brelix_EN.shx", "EN old", kAttrArchive | kAttrReadOnly);
    backend.files.AddFile("C:\\CAD2008\\Fonts\\BRELIX_HZ.SHX", "HZ old", kAttrArchive | kAttrReadOnly);
    chosen[IndexOf(2008)] = 1;
    Deploy();
    EXPECT_EQ(Below("C:\\CAD2008"), (Lines{
                                        "C:\\CAD2008\\Fonts\\ [10]",
                                        "C:\\CAD2008\\Fonts\\Brelix_EN.shx [20] \"EN new\"",
                                        "C:\\CAD2008\\Fonts\\Brelix_HZ.shx [20] \"HZ new\"",
                                    }));
    EXPECT_EQ(Below("D:\\Setup\\Data"), (Lines{
                                            "D:\\Setup\\Data\\Brelix_EN.shx [21] \"EN new\"",
                                            "D:\\Setup\\Data\\Brelix_HZ.shx [21] \"HZ new\"",
                                        }));
}

// A copy carries the source's attributes: when the source cannot be made writable, the target
// still ends up writable.
TEST_F(AcadFontsTest, TargetIsLeftWritableEvenWhenTheSourceStaysReadOnly) {
    AddSourceFonts(kAttrArchive | kAttrReadOnly);
    AddInstallation(2010, "C:\\CAD2010");
    backend.failures.Fail(platform::memory::Operation::SetAttributes, "D:\\Setup\\Data\\Brelix_EN.shx");
    backend.failures.Fail(platform::memory::Operation::SetAttributes, "D:\\Setup\\Data\\Brelix_HZ.shx");
    chosen[IndexOf(2010)] = 1;
    Deploy();
    EXPECT_EQ(Below("C:\\CAD2010"), (Lines{
                                        "C:\\CAD2010\\Fonts\\ [10]",
                                        "C:\\CAD2010\\Fonts\\Brelix_EN.shx [20] \"EN new\"",
                                        "C:\\CAD2010\\Fonts\\Brelix_HZ.shx [20] \"HZ new\"",
                                    }));
    EXPECT_EQ(backend.files.GetAttributes("D:\\Setup\\Data\\Brelix_EN.shx"), kAttrArchive | kAttrReadOnly);
}

TEST_F(AcadFontsTest, InstallationWithoutFontsFolderGetsNothingAndNoFolderIsMade) {
    AddSourceFonts();
    AddInstallation(2010, "C:\\CAD2010", false);
    AddInstallation(2011, "C:\\CAD2011");
    chosen[IndexOf(2010)] = 1;
    chosen[IndexOf(2011)] = 1;
    Deploy();
    EXPECT_EQ(Below("C:\\CAD2010"), Lines{});
    EXPECT_EQ(backend.files.List("C:\\CAD2011\\Fonts"), (Lines{"Brelix_EN.shx", "Brelix_HZ.shx"}));
    // Skipped by design, not a failure.
    EXPECT_FALSE(journal.HasProblems());
    EXPECT_EQ(journal.Fonts(),
              (Lines{"C:\\CAD2011\\Fonts\\Brelix_EN.shx", "C:\\CAD2011\\Fonts\\Brelix_HZ.shx"}));
}

TEST_F(AcadFontsTest, FontsComeFromTheSourceTheInstallationLocated) {
    backend.files.AddFile("D:\\Setup\\BRELIX2010.ARX", "arx");
    backend.files.AddFile("D:\\Setup\\Brelix_EN.shx", "EN beside");
    backend.files.AddFile("D:\\Setup\\Brelix_HZ.shx", "HZ beside");
    AddInstallation(2010, "C:\\CAD2010");
    chosen[IndexOf(2010)] = 1;
    Deploy("D:\\Setup");  // the program folder holds the module: it is the source
    EXPECT_EQ(backend.files.ReadFile("C:\\CAD2010\\Fonts\\Brelix_EN.shx"), "EN beside");
    EXPECT_EQ(backend.files.ReadFile("C:\\CAD2010\\Fonts\\Brelix_HZ.shx"), "HZ beside");
}

// A source without the fonts touches no font and reports each one for each installation folder (a
// folder named by two product keys, in any letter case, counts once); the user is not asked anything.
TEST_F(AcadFontsTest, SourceWithoutFontsIsReportedForEachInstallationAndCopiesNothing) {
    AddInstallation(2008, "C:\\CAD2008");
    AddInstallation(2008, "c:\\cad2008");
    AddInstallation(2010, "C:\\CAD2010");
    backend.files.AddFile("C:\\CAD2010\\Fonts\\Brelix_HZ.shx", "HZ old");
    backend.prompts.active = 0x4711;
    chosen[IndexOf(2008)] = 1;
    chosen[IndexOf(2010)] = 1;
    const std::string before = backend.files.Dump();
    Deploy();
    EXPECT_EQ(backend.files.Dump(), before);
    EXPECT_TRUE(backend.prompts.shown.empty());
    const auto missing = [](const std::string& folder, const std::string& font) {
        return "未能复制字体 " + folder + "\\" + font +
               "（错误 5：拒绝访问。）（安装来源中的 D:\\Setup\\Data\\" + font +
               " 是链接、另有名称（硬链接）或无法读取）";
    };
    EXPECT_EQ(journal.Problems(), (Lines{
                                      missing("C:\\CAD2008\\Fonts", "Brelix_EN.shx"),
                                      missing("C:\\CAD2008\\Fonts", "Brelix_HZ.shx"),
                                      missing("C:\\CAD2010\\Fonts", "Brelix_EN.shx"),
                                      missing("C:\\CAD2010\\Fonts", "Brelix_HZ.shx"),
                                  }));
}

TEST_F(AcadFontsTest, FailedCopyDoesNotStopTheOtherFontOrInstallation) {
    AddSourceFonts();
    AddInstallation(2010, "C:\\CAD2010");
    AddInstallation(2010, "C:\\CAD2010 EN");
    backend.files.AddFile("C:\\CAD2010\\Fonts\\Brelix_EN.shx", "EN in use");
    backend.files.Lock("C:\\CAD2010\\Fonts\\Brelix_EN.shx");
    chosen[IndexOf(2010)] = 1;
    Deploy();
    EXPECT_EQ(backend.files.ReadFile("C:\\CAD2010\\Fonts\\Brelix_EN.shx"), "EN in use");
    EXPECT_EQ(backend.files.ReadFile("C:\\CAD2010\\Fonts\\Brelix_HZ.shx"), "HZ new");
    EXPECT_EQ(backend.files.List("C:\\CAD2010 EN\\Fonts"), (Lines{"Brelix_EN.shx", "Brelix_HZ.shx"}));
    EXPECT_EQ(journal.Problems(),
              (Lines{"未能复制字体 C:\\CAD2010\\Fonts\\Brelix_EN.shx（错误 5：拒绝访问。）"}));
}

// "<folder>\Fonts\Brelix_EN.shx" is 20 bytes longer than the folder and must fit 259 bytes;
// a target that would not fit is skipped rather than cut into another name.
TEST_F(AcadFontsTest, TargetPathThatWouldNotFitIsSkipped) {
    AddSourceFonts();
    const std::string fits = "C:\\" + std::string(239 - 3, 'f');
    const std::string tooLong = "C:\\" + std::string(240 - 3, 'g');
    AddInstallation(2010, fits);
    AddInstallation(2010, tooLong);
    chosen[IndexOf(2010)] = 1;
    Deploy();
    EXPECT_EQ(backend.files.List(fits + "\\Fonts"), (Lines{"Brelix_EN.shx", "Brelix_HZ.shx"}));
    EXPECT_EQ(backend.files.List(tooLong + "\\Fonts"), Lines{});
}

}  // namespace
