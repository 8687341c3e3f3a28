// The installation log on disk, the account query and the system's error text, on the real Win32 API.

#include <gtest/gtest.h>

#include <regex>

#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_log_file.h"
#include "platform/win32/win32_processes.h"
#include "platform_win32_test_support.h"
#include "scratch_folder_test.h"

namespace {

class LogFileWineTest : public win32test::ScratchFolderTest {
  protected:
    LogFileWineTest() : ScratchFolderTest("log") {}
};

TEST_F(LogFileWineTest, LinesAreUtf8WithAByteOrderMarkAndATimeStampEach) {
    // The log is named in code page 936, as /LOG= gives it.
    const std::string path = folder + "\\安装日志.txt";
    {
        platform::win32::Win32LogFile log(path);
        ASSERT_TRUE(log.IsOpen());
        EXPECT_TRUE(log.WriteLine("已复制 D:\\工具\\Brelix结构工具箱\\BRELIX2010.ARX"));
        EXPECT_TRUE(log.WriteLine("消息框：第一行\n第二行"));
        EXPECT_TRUE(log.WriteLine("退出代码：0"));
    }
    const auto content = win32test::ReadWholeFile(path);
    ASSERT_TRUE(content);
    ASSERT_EQ(content->substr(0, 3), "\xEF\xBB\xBF");
    // "YYYY-MM-DD hh:mm:ss.mmm  text\r\n", one line per event; texts as UTF-8 (written here as
    // escapes, since this file's strings are compiled to code page 936).
    const std::string stamp = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}  ";
    const std::regex expected(
        stamp +
        "\xE5\xB7\xB2\xE5\xA4\x8D\xE5\x88\xB6 D:\\\\\xE5\xB7\xA5\xE5\x85\xB7\\\\Brelix"
        "\xE7\xBB\x93\xE6\x9E\x84\xE5\xB7\xA5\xE5\x85\xB7\xE7\xAE\xB1\\\\BRELIX2010\\.ARX\r\n" +
        stamp +
        "\xE6\xB6\x88\xE6\x81\xAF\xE6\xA1\x86\xEF\xBC\x9A\xE7\xAC\xAC\xE4\xB8\x80"
        "\xE8\xA1\x8C \\| \xE7\xAC\xAC\xE4\xBA\x8C\xE8\xA1\x8C\r\n" +
        stamp +
        "\xE9\x80\x80\xE5\x87\xBA\xE4\xBB\xA3\xE7\xA0\x81\xEF\xBC\x9A"
        "0\r\n");
    EXPECT_TRUE(std::regex_match(content->substr(3), expected)) << content->substr(3);
}

TEST_F(LogFileWineTest, OnlyAFileOnDiskIsAppendedToAndAFailureSaysWhy) {
    ASSERT_TRUE(CreateDirectoryA((folder + "\\folder.log").c_str(), nullptr));
    for (const std::string& path : {folder + "\\missing\\install.log", folder + "\\folder.log",
                                    std::string("NUL"), std::string("CON")}) {
        platform::win32::Win32LogFile log(path);
        EXPECT_FALSE(log.IsOpen()) << path;
        EXPECT_FALSE(log.WriteLine("x")) << path;
        EXPECT_NE(log.Failure().code, 0u) << path;
    }
    platform::win32::Win32LogFile missing(folder + "\\missing\\install.log");
    EXPECT_EQ(missing.Failure().code, static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(missing.Failure().text.empty());
    // The runs of a deployment stay in one file: an earlier log keeps its lines and its one
    // byte-order mark, and the next run's lines follow.
    const std::string earlier = folder + "\\earlier.log";
    ASSERT_TRUE(win32test::WriteWholeFile(earlier,
                                          "\xEF\xBB\xBF"
                                          "first run\r\n"));
    {
        platform::win32::Win32LogFile log(earlier);
        ASSERT_TRUE(log.IsOpen());
        EXPECT_TRUE(log.WriteLine("second run"));
        EXPECT_EQ(log.Failure().code, 0u);
    }
    const auto content = win32test::ReadWholeFile(earlier);
    ASSERT_TRUE(content);
    EXPECT_EQ(content->substr(0, 14),
              "\xEF\xBB\xBF"
              "first run\r\n");
    EXPECT_EQ(content->find("\xEF\xBB\xBF", 3), std::string::npos);
    EXPECT_EQ(content->substr(content->size() - 12), "second run\r\n");
}

// The fallback log is created new: a file, a folder or a link somebody put under its name first is
// neither written nor emptied, and the name is refused.
TEST_F(LogFileWineTest, ANewLogTakesNoNameThatIsThereAlready) {
    const std::string planted = folder + "\\planted.log";
    ASSERT_TRUE(win32test::WriteWholeFile(planted, "somebody's"));
    ASSERT_TRUE(CreateDirectoryA((folder + "\\folder.log").c_str(), nullptr));
    for (const std::string& path : {planted, folder + "\\folder.log"}) {
        platform::win32::Win32LogFile log(path, true);
        EXPECT_FALSE(log.IsOpen()) << path;
        EXPECT_NE(log.Failure().code, 0u) << path;
    }
    EXPECT_EQ(win32test::ReadWholeFile(planted), "somebody's");
    const std::string fresh = folder + "\\fresh.log";
    {
        platform::win32::Win32LogFile log(fresh, true);
        ASSERT_TRUE(log.IsOpen());
        EXPECT_TRUE(log.WriteLine("x"));
    }
    EXPECT_EQ(win32test::ReadWholeFile(fresh)->substr(0, 3), "\xEF\xBB\xBF");
}

TEST(AccountWineTest, WineRunsTheTestsAsAnOrdinaryAccountNotLocalSystem) {
    // Wine has no LocalSystem to play; the query must answer, and answer no.
    platform::win32::Win32ProcessList processes;
    EXPECT_FALSE(processes.RunsAsLocalSystem());
}

TEST(AccountWineTest, ComputerAndAccountAreNamedAsTheEnvironmentNamesThem) {
    platform::win32::Win32ProcessList processes;
    char computer[256] = {};
    char user[256] = {};
    ASSERT_GT(GetEnvironmentVariableA("COMPUTERNAME", computer, sizeof computer), 0u);
    ASSERT_GT(GetEnvironmentVariableA("USERNAME", user, sizeof user), 0u);
    EXPECT_TRUE(lstrcmpiA(processes.ComputerName().c_str(), computer) == 0) << processes.ComputerName();
    const std::string account = processes.AccountName();
    const std::size_t slash = account.rfind('\\');
    ASSERT_NE(slash, std::string::npos) << account;
    EXPECT_TRUE(lstrcmpiA(account.substr(slash + 1).c_str(), user) == 0) << account;
}

// A failed file call's error is read before anything else runs, with the system's own words.
TEST_F(LogFileWineTest, AFailedDeleteGivesTheSystemsErrorNumberAndText) {
    platform::win32::Win32FileSystem files;
    platform::win32::Win32Environment environment;
    const struct {
        std::string path;
        std::uint32_t code;
    } cases[] = {
        {folder + "\\missing.txt", ERROR_FILE_NOT_FOUND},
        {folder + "\\no folder\\missing.txt", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(files.DeleteFile(c.path)) << c.path;
        const platform::SystemError error = environment.LastError();
        EXPECT_EQ(error.code, c.code) << c.path;
        EXPECT_FALSE(error.text.empty()) << c.path;
        EXPECT_NE(error.text.back(), '\n') << c.path;
        EXPECT_EQ(platform::DescribeSystemError(error),
                  "（错误 " + std::to_string(c.code) + "：" + error.text + "）");
    }
}

// The rename of a swap and the copy and write of a staging leave the error of the call that failed,
// also where they clean up after it: a file held by another program without sharing refuses each.
TEST_F(LogFileWineTest, ARefusedRenameCopyOrWriteLeavesItsOwnError) {
    platform::win32::Win32FileSystem files;
    platform::win32::Win32Environment environment;
    const std::string held = folder + "\\held.arx";
    ASSERT_TRUE(files.WriteWholeFile(held, "in use"));
    ASSERT_TRUE(files.WriteWholeFile(folder + "\\source.arx", "new"));
    platform::win32::UniqueFile open(
        CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(open);
    SetLastError(0);
    EXPECT_FALSE(files.Rename(held, folder + "\\held.old"));
    EXPECT_EQ(environment.LastError().code, static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
    SetLastError(0);
    EXPECT_FALSE(files.CopyToNewFile(folder + "\\source.arx", held, [](const char*, std::size_t) {}));
    EXPECT_EQ(environment.LastError().code, static_cast<std::uint32_t>(ERROR_FILE_EXISTS));
    SetLastError(0);
    EXPECT_FALSE(files.WriteNewFile(held, "new"));
    EXPECT_EQ(environment.LastError().code, static_cast<std::uint32_t>(ERROR_FILE_EXISTS));
}

// A failed call's error taken after a look at the name is that look's: read it first.
TEST_F(LogFileWineTest, ALookAfterAFailedCallReplacesItsError) {
    platform::win32::Win32FileSystem files;
    platform::win32::Win32Environment environment;
    const std::string held = folder + "\\held.arx";
    ASSERT_TRUE(files.WriteWholeFile(held, "in use"));
    platform::win32::UniqueFile open(
        CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(open);
    ASSERT_FALSE(files.Rename(held, folder + "\\held.old"));
    ASSERT_FALSE(files.GetAttributes(folder + "\\held.old"));
    EXPECT_EQ(environment.LastError().code, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
