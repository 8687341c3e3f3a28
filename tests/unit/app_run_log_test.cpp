// The logs of the runs themselves: the names a run gives its own log, the ten kept in %WINDIR%\Temp
// (where ordinary users may put anything), and the run log that takes over from a /LOG it cannot write.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "app/run_log.h"
#include "platform/memory/memory_backend.h"
#include "platform/memory/memory_log.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST(OwnLogNames, AreTheTimeAndTheProcessIdAndNothingElse) {
    EXPECT_EQ(app::OwnLogBase("C:\\windows\\Temp", {2026, 3, 7, 9, 5, 4, 999}, 812),
              "C:\\windows\\Temp\\Brelix-SetUp-20260307-090504-812");
    const std::pair<const char*, bool> names[] = {
        {"Brelix-SetUp-20260307-090504-812.log", true},
        {"brelix-setup-20260307-090504-812.LOG", true},
        {"Brelix-SetUp-20260307-090504-812-2.log", true},
        {"Brelix-SetUp-20260307-090504-812-2-3.log", false},
        {"Brelix-SetUp.log", false},  // the one fallback of earlier builds: somebody else's now
        {"Brelix-SetUp-20260307-090504.log", false},
        {"Brelix-SetUp-2026037-090504-812.log", false},
        {"Brelix-SetUp-20260307-09054-812.log", false},
        {"Brelix-SetUp-20260307-090504-.log", false},
        {"Brelix-SetUp-20260307-090504-812.log.txt", false},
        {"Brelix-SetUp-20260307_090504-812.log", false},
        {"Brelix-SetUp-20260307-090504-8x2.log", false},
        {"x-Brelix-SetUp-20260307-090504-812.log", false},
    };
    for (const auto& [name, ours] : names)
        EXPECT_EQ(app::IsOwnLogName(name), ours) << name;
}

class PruneTest : public ::testing::Test {
  protected:
    static constexpr char kTemp[] = "C:\\windows\\Temp";
    std::string In(const std::string& name) { return std::string(kTemp) + "\\" + name; }
    std::string Log(int day, int pid = 7) {
        return "Brelix-SetUp-202612" + std::string(day < 10 ? "0" : "") + std::to_string(day) + "-120000-" +
               std::to_string(pid) + ".log";
    }
    void LeavesLinksSecondNamesFoldersAndTheRunsOwnLogWhen(bool openFollowsLinks);
    platform::memory::MemoryBackend backend;
};

// Thirteen logs of earlier runs and this run's: the ten newest stay, this run's among them, and
// nothing else in the folder is touched, whatever it is called.
TEST_F(PruneTest, KeepsTheTenNewestOfOurPlainFilesAndTouchesNothingElse) {
    backend.files.AddFolder(kTemp);
    for (int day = 1; day <= 13; ++day)
        backend.files.AddFile(In(Log(day)), "log");
    backend.files.AddFile(In(Log(14, 99)), "this run");
    backend.files.AddFile(In("Brelix-SetUp.log"), "planted");
    backend.files.AddFile(In("other.log"), "other");
    backend.files.AddFile("C:\\windows\\system32\\config.sys", "system");

    EXPECT_EQ(app::PruneOwnLogs(backend.files, kTemp, In(Log(14, 99))), 4u);
    std::vector<std::string> expected{"Brelix-SetUp.log"};
    for (int day = 5; day <= 13; ++day)
        expected.push_back(Log(day));
    expected.push_back(Log(14, 99));
    expected.push_back("other.log");
    auto listed = backend.files.List(kTemp);
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(backend.files.ReadFile("C:\\windows\\system32\\config.sys"), "system");
}

// Names like ours that are a link, a second name of another file, or a folder are somebody else's:
// they stay, and so does what they lead to. This run's log stays even when the clock went back and its
// name is the oldest.
TEST_F(PruneTest, LeavesLinksSecondNamesFoldersAndTheRunsOwnLog) {
    LeavesLinksSecondNamesFoldersAndTheRunsOwnLogWhen(false);
}

// As under Wine, which opens what a final link leads to and shows no reparse point for a link to a
// file: the handle's final path tells.
TEST_F(PruneTest, LeavesLinksWhenOpeningFollowsThem) {
    LeavesLinksSecondNamesFoldersAndTheRunsOwnLogWhen(true);
}

void PruneTest::LeavesLinksSecondNamesFoldersAndTheRunsOwnLogWhen(bool openFollowsLinks) {
    backend.files.SetOpenFollowsLinks(openFollowsLinks);
    backend.files.AddFolder(kTemp);
    backend.files.AddFile("C:\\windows\\system32\\config.sys", "system");
    backend.files.AddFolder("C:\\Users\\Public\\Documents");
    backend.files.AddFile("C:\\Users\\Public\\Documents\\work.dwg", "work");
    backend.files.AddLink(In(Log(1)), "C:\\Users\\Public\\Documents", true);
    backend.files.AddFile("C:\\windows\\win.ini", "settings");
    backend.files.AddLink(In(Log(2)), "C:\\windows\\win.ini", false);
    backend.files.AddHardLink(In(Log(3)), "C:\\windows\\system32\\config.sys");
    backend.files.AddFolder(In(Log(4)));
    backend.files.AddFile(In(Log(5, 1)), "this run, its clock set back");
    for (int day = 10; day <= 21; ++day)
        backend.files.AddFile(In(Log(day)), "log");

    app::PruneOwnLogs(backend.files, kTemp, In(Log(5, 1)));
    for (int day : {1, 2, 3, 4})
        EXPECT_TRUE(backend.files.Exists(In(Log(day)))) << day;
    EXPECT_TRUE(backend.files.Exists(In(Log(5, 1))));
    EXPECT_EQ(backend.files.ReadFile("C:\\windows\\system32\\config.sys"), "system");
    EXPECT_EQ(backend.files.ReadFile("C:\\Users\\Public\\Documents\\work.dwg"), "work");
    EXPECT_EQ(backend.files.ReadFile("C:\\windows\\win.ini"), "settings");
    // Ten of ours: this run's and the nine newest plain ones.
    for (int day = 10; day <= 21; ++day)
        EXPECT_EQ(backend.files.Exists(In(Log(day))), day >= 13) << day;
}

TEST_F(PruneTest, AMissingFolderOrFewLogsDeleteNothing) {
    EXPECT_EQ(app::PruneOwnLogs(backend.files, kTemp, In(Log(1))), 0u);
    backend.files.AddFolder(kTemp);
    for (int day = 1; day <= 10; ++day)
        backend.files.AddFile(In(Log(day)), "log");
    EXPECT_EQ(app::PruneOwnLogs(backend.files, kTemp, In(Log(10))), 0u);
    EXPECT_EQ(backend.files.List(kTemp).size(), 10u);
}

// The run's own log is always a new file: a name taken by anything is passed over for the next one.
// A /LOG that cannot be written moves there with the whole run behind a line that says why, with the
// system's error.
TEST(RunLogTest, OwnLogTakesTheFirstFreeNameAndAFailedLogMovesThere) {
    std::map<std::string, platform::memory::MemoryLog> sinks;
    std::vector<std::string> opened;
    struct View : platform::LogSink {
        explicit View(platform::memory::MemoryLog& l) : log(l) {}
        bool WriteLine(const std::string& text) override { return log.WriteLine(text); }
        platform::SystemError Failure() const override { return log.Failure(); }
        platform::memory::MemoryLog& log;
    };
    const auto open = [&](const std::string& path, bool createNew) -> std::unique_ptr<platform::LogSink> {
        opened.push_back(path + (createNew ? " new" : " append"));
        auto& sink = sinks[path];
        // Somebody put files under the first two names; the asked one is on a drive that is gone.
        sink.fails = path == "C:\\T\\B.log" || path == "C:\\T\\B-2.log" || path == "Q:\\x.log";
        return std::make_unique<View>(sink);
    };
    app::RunLog log(open, "C:\\T\\B");
    log.OpenAsked("Q:\\x.log");
    EXPECT_FALSE(log.WriteLine("first"));
    EXPECT_FALSE(log.WriteLine("second"));
    EXPECT_TRUE(log.InOwn());
    EXPECT_EQ(log.OwnPath(), "C:\\T\\B-3.log");
    EXPECT_THAT(opened, ElementsAre("Q:\\x.log append", "C:\\T\\B.log new", "C:\\T\\B-2.log new",
                                    "C:\\T\\B-3.log new"));
    EXPECT_THAT(
        sinks["C:\\T\\B-3.log"].lines,
        ElementsAre(
            "无法写入 /LOG 指定的日志文件 Q:\\x.log（错误 3：系统找不到指定的路径。），日志改写在这里",
            "first", "second"));

    // Without a folder for it there is none, and the lines are still kept.
    app::RunLog none(open, "");
    EXPECT_FALSE(none.OpenOwn());
    EXPECT_TRUE(none.WriteLine("kept"));
    EXPECT_THAT(none.Lines(), ElementsAre("kept"));
}

}  // namespace
