// Input an ordinary user can write: lines of the installation record and roots from a command
// line or the path page. Each form is refused, or accepted in its one spelling.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "install/record/install_record.h"
#include "install/record/install_root.h"
#include "platform/crc32.h"
#include "platform/memory/memory_backend.h"
#include "platform/number_text.h"
#include "uninstall/uninstall_files.h"

namespace {

constexpr char kProduct[] = "D:\\P\\Brelix结构工具箱";
constexpr char kOutside[] = "D:\\P\\x.txt";

enum class Kind { RecordPath, Root };

struct Case {
    Kind kind;
    std::string input;
    std::optional<std::string> accepted;  // as stored; nullopt: refused
};

const Case kCases[] = {
    {Kind::RecordPath, "Brelix扩展绘图库\\钢梁 节点.SJY", "Brelix扩展绘图库\\钢梁 节点.SJY"},
    {Kind::RecordPath, "\x95\x5C.arx", "\x95\x5C.arx"},  // a trail byte like "\"
    {Kind::RecordPath, "CONFIG.SYS", "CONFIG.SYS"},
    {Kind::RecordPath, "COM10.txt", "COM10.txt"},
    {Kind::RecordPath, "LPT0", "LPT0"},
    {Kind::RecordPath, "a.b.c", "a.b.c"},
    {Kind::RecordPath, "temp/../../x.txt", std::nullopt},
    {Kind::RecordPath, "temp\\a/b.txt", std::nullopt},
    {Kind::RecordPath, "temp\\..\\..\\x.txt", std::nullopt},
    {Kind::RecordPath, "..\\x.txt", std::nullopt},
    {Kind::RecordPath, "\\x.txt", std::nullopt},
    {Kind::RecordPath, "D:\\P\\x.txt", std::nullopt},
    {Kind::RecordPath, "D:x.txt", std::nullopt},
    {Kind::RecordPath, "x.txt:stream", std::nullopt},
    {Kind::RecordPath, "temp.\\x.txt", std::nullopt},
    {Kind::RecordPath, "temp \\x.txt", std::nullopt},
    {Kind::RecordPath, "x.txt.", std::nullopt},
    {Kind::RecordPath, "x.txt ", std::nullopt},
    {Kind::RecordPath, "CON", std::nullopt},
    {Kind::RecordPath, "temp\\nul.txt", std::nullopt},
    {Kind::RecordPath, "Aux", std::nullopt},
    {Kind::RecordPath, "prn.log", std::nullopt},
    {Kind::RecordPath, "com1", std::nullopt},
    {Kind::RecordPath, "LPT9 .txt", std::nullopt},
    {Kind::RecordPath, "temp\\", std::nullopt},
    {Kind::Root, "C:\\Brelix", "C:\\Brelix"},
    {Kind::Root, "C:\\CAD Tools\\\\", "C:\\CAD Tools"},
    {Kind::Root, "C:\\CAD Tools\\\\\\", "C:\\CAD Tools"},
    {Kind::Root, "D:\\\\", "D:\\"},
    {Kind::Root, "\\\\server\\share\\工具\\\\", "\\\\server\\share\\工具"},
    {Kind::Root, "C:\\COM10\\LPT0", "C:\\COM10\\LPT0"},
    {Kind::Root, "C:\\A\\\\B", std::nullopt},
    {Kind::Root, "C:\\A.\\B", std::nullopt},
    {Kind::Root, "C:\\A\\B ", std::nullopt},
    {Kind::Root, "C:\\A \\B", std::nullopt},
    {Kind::Root, "C:\\..\\B", std::nullopt},
    {Kind::Root, "C:\\CON", std::nullopt},
    {Kind::Root, "C:\\A\\nul.txt", std::nullopt},
    {Kind::Root, "\\\\server\\com1\\A", std::nullopt},
};

// A record path is refused when it is read, and again by the uninstall should a record hold it:
// a file outside the product folder stays, one inside that it names goes.
TEST(UnsafeInput, EachFormIsRefusedOrAcceptedInItsOneSpelling) {
    for (const Case& c : kCases) {
        if (c.kind == Kind::Root) {
            EXPECT_EQ(install::CanonicalRoot(c.input), c.accepted) << c.input;
            continue;
        }
        const auto record =
            install::ParseRecord("Brelix结构工具箱 安装记录 1\r\nFILE\t1\t" +
                                 platform::HexText(platform::Crc32("x"), 8) + "\t" + c.input + "\r\n");
        ASSERT_TRUE(record) << c.input;
        EXPECT_EQ(record->files.empty() ? std::nullopt : std::optional<std::string>(record->files[0].path),
                  c.accepted)
            << c.input;

        platform::memory::MemoryBackend backend;
        backend.files.AddFile(kOutside, "x");
        const std::string inside = std::string(kProduct) + "\\" + c.input;
        if (c.accepted)
            backend.files.AddFile(inside, "x");
        backend.files.AddFolder(std::string(kProduct) + "\\temp");
        state::InstallJournal journal;
        install::InstallRecord unchecked;
        unchecked.files.push_back({c.input, 1, platform::Crc32("x")});
        uninstall::RemoveShippedFiles(backend.files, backend.environment, {}, kProduct, unchecked, journal);
        EXPECT_TRUE(backend.files.Exists(kOutside)) << c.input;
        EXPECT_TRUE(!c.accepted || !backend.files.Exists(inside)) << c.input;
        EXPECT_FALSE(journal.HasProblems()) << c.input;
    }
}

TEST(UnsafeInput, TheUninstallComparesFoldersInOneSpelling) {
    EXPECT_TRUE(install::SamePath("C:\\Brelix\\", "c:\\brelix"));
    EXPECT_TRUE(
        install::SamePath("C:\\CAD Tools\\\\Brelix结构工具箱", "c:\\cad tools\\brelix结构工具箱\\\\"));
    EXPECT_TRUE(install::SamePath("\\\\server\\share\\\x95\x5C", "\\\\SERVER\\share\\\x95\x5C\\"));
    EXPECT_FALSE(install::SamePath("C:\\Brelix2", "C:\\Brelix"));
    EXPECT_FALSE(install::SamePath("\\server\\share", "\\\\server\\share"));
    EXPECT_FALSE(install::SamePath("C:\\\x95\\", "C:\\\x95"));  // a lead byte and its "\" trail byte
    EXPECT_FALSE(install::SamePath("C:\\\x95\\\\A", "C:\\\x95\\A"));
    // A file listed twice takes its later line.
    const auto twice = install::ParseRecord(
        "Brelix结构工具箱 安装记录 1\r\nFILE\t1\t00000001\ta.txt\r\nFILE\t2\t00000002\tA.TXT\r\n");
    ASSERT_TRUE(twice);
    EXPECT_EQ(twice->files, (std::vector<install::RecordedFile>{{"A.TXT", 2, 2}}));
}

}  // namespace
