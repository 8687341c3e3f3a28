// The installation record: its checksum, its text form, and how a re-installation adds to it.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "install/record/install_record.h"
#include "platform/crc32.h"
#include "state/install_journal.h"

namespace {

using install::InstallRecord;
using install::RecordedFile;

TEST(InstallRecordCrc, MatchesTheZipChecksum) {
    struct Case {
        std::string data;
        std::uint32_t crc;
    };
    const Case cases[] = {
        {"", 0x00000000u},
        {"123456789", 0xCBF43926u},
        {std::string("\0\0\0\0", 4), 0x2144DF1Cu},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::Crc32(c.data), c.crc) << c.data;
}

// Whole eight-byte steps and any tail give the checksum of the plain bit-by-bit definition.
TEST(InstallRecordCrc, AgreesWithTheBitwiseDefinitionWhateverTheLength) {
    const auto bitwise = [](const std::string& data) {
        std::uint32_t crc = 0xFFFFFFFFu;
        for (const char byte : data) {
            crc ^= static_cast<unsigned char>(byte);
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
        }
        return crc ^ 0xFFFFFFFFu;
    };
    std::string noise;
    std::uint32_t state = 12345;
    for (int i = 0; i < 5000; ++i) {
        state = state * 1103515245u + 12345u;
        noise += static_cast<char>(state >> 16);
    }
    for (std::size_t offset = 0; offset < 8; ++offset) {
        for (const std::size_t length :
             {0u, 1u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 32u, 33u, 63u, 4096u, 4991u}) {
            const std::string data = noise.substr(offset, length);
            EXPECT_EQ(platform::Crc32(data), bitwise(data)) << "offset " << offset << ", length " << length;
            // Carried on over two pieces split anywhere, the checksum is that of the whole.
            const std::size_t split = length / (offset + 1);
            const std::uint32_t first = platform::Crc32Update(0, data.data(), split);
            EXPECT_EQ(platform::Crc32Update(first, data.data() + split, length - split), bitwise(data))
                << "offset " << offset << ", length " << length << ", split " << split;
        }
    }
}

TEST(InstallRecordText, ReadsBackWhatItWrites) {
    const InstallRecord record{
        {{"BRELIX2010.ARX", 1234, 0x0000BEEFu}, {"Brelix扩展绘图库\\钢梁 节点.SJY", 0, 0xFFFFFFFFu}},
        {"SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Applications\\Brelix2010"},
        {"SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\<<未命名配置>>\\Variables"},
        {"C:\\Program Files\\AutoCAD 2010\\Fonts\\Brelix_HZ.shx"},
        "D:\\钢结构\\Brelix结构工具箱",
        {{"C:\\CAD Tools\\Brelix结构工具箱", {{"BRELIX2010.ARX", 99, 7}, {"库\\梁.SJY", 4, 2}}},
         {"E:\\旧\\Brelix结构工具箱", {}}},
        state::ProductVersion{2025, 10, 3},
    };
    const std::string text = install::FormatRecord(record);
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), "Brelix结构工具箱 安装记录 1\r\n");
    EXPECT_NE(text.find("FILE\t1234\t0000beef\tBRELIX2010.ARX\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nVERSION\t2025.10.3\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nFOLDER\tD:\\钢结构\\Brelix结构工具箱\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nEARLIERFOLDER\tC:\\CAD Tools\\Brelix结构工具箱\r\nEARLIERFILE\t99\t00000007\t"
                        "BRELIX2010.ARX\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(install::ParseRecord(text), record);
}

TEST(InstallRecordText, SkipsLinesThatCouldReachOutsideTheProductFolder) {
    const std::string head = "Brelix结构工具箱 安装记录 1\n";
    struct Case {
        std::string line;
        std::size_t files;
    };
    const Case cases[] = {
        {"FILE\t4\t0000abcd\tok.txt", 1},
        {"FILE\t4\t0000abcd\t..\\escape.txt", 0},
        {"FILE\t4\t0000abcd\tsub\\..\\..\\escape.txt", 0},
        {"FILE\t4\t0000abcd\tsub\\.\\dot.txt", 0},
        {"FILE\t4\t0000abcd\tsub\\", 0},
        {"FILE\t4\t0000abcd\tC:\\Windows\\win.ini", 0},
        {"FILE\t4\t0000abcd\t\\root.txt", 0},
        {"FILE\t4\tabcd\tshort-crc.txt", 0},
        {"FILE\t-4\t0000abcd\tsigned.txt", 0},
        {"FILE\t4\t0000abcd\t", 0},
        {"NEWKIND\tanything", 0},
    };
    for (const Case& c : cases) {
        const auto record = install::ParseRecord(head + c.line + "\r\n");
        ASSERT_TRUE(record) << c.line;
        EXPECT_EQ(record->files.size(), c.files) << c.line;
    }
    EXPECT_EQ(install::ParseRecord("FILE\t4\t0000abcd\tok.txt\r\n"), std::nullopt);
    EXPECT_EQ(install::ParseRecord(""), std::nullopt);
}

TEST(InstallRecordMerge, KeepsEarlierEntriesAndTakesNewerChecksums) {
    InstallRecord record{{{"A.ARX", 1, 1}, {"OLD.DLL", 2, 2}}, {"K2010"}, {"V1"}, {"F1"}, "D:\\Old", {}};
    const InstallRecord sameFolder{
        {{"a.arx", 5, 5}, {"NEW.DLL", 3, 3}}, {"k2010", "K2018"}, {"V2"}, {"F1"}, "d:\\OLD\\", {}};
    install::MergeRecord(record, sameFolder);
    EXPECT_EQ(record, (InstallRecord{{{"a.arx", 5, 5}, {"OLD.DLL", 2, 2}, {"NEW.DLL", 3, 3}},
                                     {"K2010", "K2018"},
                                     {"V1", "V2"},
                                     {"F1"},
                                     "D:\\Old",
                                     {}}));
    // A record of an earlier build names no folder: the one known stays.
    install::MergeRecord(record, InstallRecord{{}, {}, {}, {}, "", {}});
    EXPECT_EQ(record.productFolder, "D:\\Old");
}

// The root moved twice and back: each folder keeps its own files until the uninstall, and the
// folder installed into again takes back what was recorded for it.
TEST(InstallRecordMerge, KeepsEveryFolderTheRootMovedAwayFrom) {
    InstallRecord record{{{"A.ARX", 1, 1}, {"OLD.DLL", 2, 2}}, {"K2010"}, {}, {}, "D:\\Old", {}};
    install::MergeRecord(record, InstallRecord{{{"A.ARX", 5, 5}}, {"K2018"}, {}, {}, "E:\\New", {}});
    EXPECT_EQ(record, (InstallRecord{{{"A.ARX", 5, 5}},
                                     {"K2010", "K2018"},
                                     {},
                                     {},
                                     "E:\\New",
                                     {{"D:\\Old", {{"A.ARX", 1, 1}, {"OLD.DLL", 2, 2}}}}}));
    install::MergeRecord(record, InstallRecord{{{"A.ARX", 9, 9}}, {}, {}, {}, "d:\\old", {}});
    EXPECT_EQ(record, (InstallRecord{{{"A.ARX", 9, 9}, {"OLD.DLL", 2, 2}},
                                     {"K2010", "K2018"},
                                     {},
                                     {},
                                     "d:\\old",
                                     {{"E:\\New", {{"A.ARX", 5, 5}}}}}));
    // Another record's earlier folders join, one entry a folder; the current folder is never an earlier one.
    install::MergeRecord(
        record,
        InstallRecord{
            {}, {}, {}, {}, "", {{"e:\\new\\", {{"B.DAT", 3, 3}}}, {"F:\\X", {}}, {"D:\\OLD\\", {}}}});
    EXPECT_EQ(record.earlierFolders, (std::vector<install::EarlierFolder>{
                                         {"E:\\New", {{"A.ARX", 5, 5}, {"B.DAT", 3, 3}}}, {"F:\\X", {}}}));
    EXPECT_EQ(record.AllFolders(), (std::vector<std::string>{"d:\\old", "E:\\New", "F:\\X"}));
}

// Both presses of one run report into one journal: each file, key and font counts once whatever
// its letter case, a file copied again takes its last checksum, and only files inside the
// product folder (spelled in any case) are recorded.
TEST(InstallRecordFromJournal, HoldsEachEntryOnceWithTheLastChecksum) {
    state::InstallJournal journal;
    for (const state::InstalledFile& file : std::initializer_list<state::InstalledFile>{
             {"D:\\Tools\\Brelix结构工具箱\\BRELIX2010.ARX", 10, 1},
             {"D:\\Tools\\Brelix结构工具箱\\库\\梁.SJY", 4, 2},
             {"D:\\Tools\\Brelix结构工具箱2\\NEIGHBOUR.DAT", 5, 3},
             {"C:\\AutoCAD 2010\\Fonts\\Brelix_HZ.shx", 6, 4},
             {"d:\\tools\\brelix结构工具箱\\brelix2010.arx", 12, 5},
         })
        journal.FileInstalled(file);
    for (const char* key : {"SOFTWARE\\A\\Applications\\Brelix2010", "software\\a\\applications\\brelix2010"})
        journal.DemandLoadKeyWritten(key);
    for (const char* key : {"SOFTWARE\\A\\Profiles\\P\\Variables", "software\\a\\profiles\\p\\variables"})
        journal.TrustedPathAdded(key);
    for (const char* font :
         {"C:\\AutoCAD 2010\\Fonts\\Brelix_HZ.shx", "c:\\autocad 2010\\fonts\\BRELIX_HZ.SHX"})
        journal.FontCopied(font);

    EXPECT_EQ(install::RecordFromJournal(journal, "d:\\TOOLS\\Brelix结构工具箱"),
              (InstallRecord{{{"BRELIX2010.ARX", 12, 5}, {"库\\梁.SJY", 4, 2}},
                             {"SOFTWARE\\A\\Applications\\Brelix2010"},
                             {"SOFTWARE\\A\\Profiles\\P\\Variables"},
                             {"C:\\AutoCAD 2010\\Fonts\\Brelix_HZ.shx"},
                             "d:\\TOOLS\\Brelix结构工具箱",
                             {}}));
}

// The end message lists ten problems; a count line stands for the rest only when it saves a line.
TEST(ProblemSummary, ListsTenAndCountsTheRest) {
    struct Case {
        std::size_t problems;
        std::size_t listed;
        std::string tail;
    };
    const Case cases[] = {
        {0, 0, ""},
        {10, 10, ""},
        {11, 11, ""},
        {12, 10, "……另有 2 项问题，详见日志"},
        {25, 10, "……另有 15 项问题，详见日志"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> problems;
        for (std::size_t i = 0; i < c.problems; ++i)
            problems.push_back("问题 " + std::to_string(i));
        std::string expected;
        for (std::size_t i = 0; i < c.listed; ++i)
            expected += (i ? "\n" : "") + problems[i];
        if (!c.tail.empty())
            expected += "\n" + c.tail;
        EXPECT_EQ(state::SummariseProblems(problems), expected) << c.problems << " problems";
    }
}

}  // namespace
