// Double-byte aware text operations: a second byte that happens to be "\" or a letter must never be
// treated as one.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/text936.h"

namespace {

using text936::npos;

// "\xB5\x5C" is one character whose second byte is the code of "\"; "\x95\x5C" is another.
const std::string kTrailSlash = "\xB5\x5C";
const std::string kTrailSlash2 = "\x95\x5C";
// "\x81\x61" is a character whose second byte is the code of "a".
const std::string kTrailA = "\x81\x61";

TEST(Text936LastBackslash, SkipsSecondBytesThatLookLikeBackslashes) {
    struct Case {
        std::string text;
        std::size_t expected;
    };
    const Case cases[] = {
        {"", npos},
        {"\\", 0},
        {"C:\\Brelix\\Brelix结构工具箱", 9},
        {"C:\\Brelix\\", 9},
        {"C:\\" + kTrailSlash, 2},  // the last byte is a second byte
        {"C:\\" + kTrailSlash2 + "\\x", 5},
        {kTrailSlash + kTrailSlash2, npos},
        {"\\" + kTrailSlash + "\\", 3},
        {"A\xB5", npos},    // lone lead byte at the end
        {"A\xB5\\", npos},  // the lead byte swallows the "\"
    };
    for (const auto& c : cases)
        EXPECT_EQ(text936::FindLastBackslash(c.text), c.expected) << c.text;
}

// The lead-byte range starts at 0x81 and ends at 0xFE: 0x80 and 0xFF stand alone, so a "\" or a
// letter after them is a character of its own.
TEST(Text936LeadBytes, RangeIsExactly0x81To0xFE) {
    struct Case {
        unsigned char byte;
        bool lead;
        std::size_t lastBackslash;  // in "<byte>\\x"
        std::string upper;          // of "<byte>a"
    };
    const Case cases[] = {
        {0x7F, false, 1,
         "\x7F"
         "A"},
        {0x80, false, 1,
         "\x80"
         "A"},
        {0x81, true, npos,
         "\x81"
         "a"},
        {0xFE, true, npos,
         "\xFE"
         "a"},
        {0xFF, false, 1,
         "\xFF"
         "A"},
    };
    for (const auto& c : cases) {
        const std::string byte(1, static_cast<char>(c.byte));
        EXPECT_EQ(text936::IsLeadByte(c.byte), c.lead) << int(c.byte);
        EXPECT_EQ(text936::FindLastBackslash(byte + "\\x"), c.lastBackslash) << int(c.byte);
        EXPECT_EQ(text936::ToUpper(byte + "a"), c.upper) << int(c.byte);
    }
}

TEST(Text936Case, ChangesOnlySingleByteLetters) {
    struct Case {
        std::string text;
        std::string upper;
        std::string lower;
    };
    const Case cases[] = {
        {"", "", ""},
        {"acad.exe", "ACAD.EXE", "acad.exe"},
        {"Brelix结构工具箱", "BRELIX结构工具箱", "brelix结构工具箱"},
        {kTrailA + "a", kTrailA + "A", kTrailA + "a"},  // the second byte "a" stays
        {"\x81\x41"
         "A",
         "\x81\x41"
         "A",
         "\x81\x41"
         "a"},  // the second byte "A" stays
        {"x" + kTrailSlash + "y", "X" + kTrailSlash + "Y", "x" + kTrailSlash + "y"},
        {"[@`{]", "[@`{]", "[@`{]"},     // neighbours of the letter ranges
        {"ab\x81", "AB\x81", "ab\x81"},  // lone lead byte at the end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text936::ToUpper(c.text), c.upper) << c.text;
        EXPECT_EQ(text936::ToLower(c.text), c.lower) << c.text;
    }
}

TEST(Text936Find, StepsOverDoubleByteCharacters) {
    struct Case {
        std::string haystack;
        std::string needle;
        std::size_t expected;
    };
    const Case cases[] = {
        {"ACAD.EXE", "ACAD.EXE", 0},
        {"C:\\ACAD.EXE", "ACAD.EXE", 3},
        {"abc", "", 0},
        {"", "a", npos},
        {"ab", "abc", npos},
        {kTrailSlash, "\\", npos},  // "\" only as a second byte
        {kTrailSlash + "\\", "\\", 2},
        {kTrailA + "a", "a", 2},             // skips the "a" inside the character
        {"\x81\x81\x61", "\x81\x61", npos},  // would start on a second byte
        {"x\x81\x81\x81\x61", "\x81\x61", 3},
        {"BRELIX结构工具箱", "工具", 10},
        {"结构工具箱", "\xB9\xB9", 2},  // "构" is "\xB9\xB9"
        {"型钢库.DAT", "型钢库", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text936::Find(c.haystack, c.needle), c.expected) << c.haystack << " / " << c.needle;
    }
}

TEST(Text936ContainsNotAtStart, NeedsAnOccurrenceAfterTheFirstByte) {
    struct Case {
        std::string haystack;
        std::string needle;
        bool expected;
    };
    const Case cases[] = {
        {"USER.CFG", "USER", false},                                      // only at the start
        {"MYUSER.CFG", "USER", true},   {"USERUSER.CFG", "USER", false},  // the first occurrence decides
        {"A.CFG", "CFG", true},         {"A.CFG", "DWG", false},         {"", "A", false},
        {kTrailA + "A", "\x61", false},  // the only "a" byte is a second byte
        {"截面库.DAT", ".DAT", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text936::ContainsNotAtStart(c.haystack, c.needle), c.expected)
            << c.haystack << " / " << c.needle;
    }
}

TEST(Text936EqualsNoCase, ComparesWholeNamesIgnoringSingleByteCase) {
    struct Case {
        std::string a;
        std::string b;
        bool expected;
    };
    const Case cases[] = {
        {"acad.exe", "ACAD.EXE", true},
        {"acad.exe", "acad.ex", false},
        {"Brelix结构工具箱", "BRELIX结构工具箱", true},
        {kTrailA, "\x81\x41", false},         // second bytes differ only in case: different characters
        {"x\x81\x61y", "X\x81\x61Y", true},   // letters around a double-byte character
        {"x\x81\x61y", "X\x81\x41Y", false},  // ... whose second byte is no letter
        {"a\x81", "A\x81", true},             // a lead byte at the end stands alone
        {"\x81\x61", "aa", false},
        {"", "", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text936::EqualsNoCase(c.a, c.b), c.expected) << c.a << " / " << c.b;
        // Lookups compare hashes first: names that are equal must never be told apart by them.
        if (c.expected) {
            EXPECT_EQ(text936::HashNoCase(c.a), text936::HashNoCase(c.b)) << c.a << " / " << c.b;
        }
    }
}

TEST(Text936WithoutTrailingBackslash, RemovesOneRealBackslashOnly) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"C:\\Brelix\\", "C:\\Brelix"},
        {"C:\\Brelix", "C:\\Brelix"},
        {"C:\\Brelix\\\\", "C:\\Brelix\\"},
        {"C:\\", "C:"},
        {"", ""},
        {"D:\\" + kTrailSlash, "D:\\" + kTrailSlash},  // ends in a second byte, not a "\"
        {"D:\\" + kTrailSlash + "\\", "D:\\" + kTrailSlash},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text936::WithoutTrailingBackslash(c.text), c.expected) << c.text;
}

TEST(Text936FitsBuffer, LeavesRoomForTheTerminatingZero) {
    EXPECT_TRUE(text936::FitsBuffer(std::string(259, 'x'), 260));
    EXPECT_FALSE(text936::FitsBuffer(std::string(260, 'x'), 260));
    EXPECT_FALSE(text936::FitsBuffer("", 0));
}

TEST(Text936SplitLevels, SplitsAtRealBackslashesAndRefusesEmptyLevels) {
    using Levels = std::vector<std::string>;
    struct Case {
        std::string path;
        std::optional<Levels> expected;
    };
    const Case cases[] = {
        {"", Levels{}},
        {"SOFTWARE\\Brelix", Levels{"SOFTWARE", "Brelix"}},
        {"C:\\A\\", Levels{"C:", "A"}},
        {"D:\\" + kTrailSlash + "\\x", Levels{"D:", kTrailSlash, "x"}},
        {"A\\\\B", std::nullopt},
        {"\\A", std::nullopt},
        {"\\", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text936::SplitLevels(c.path), c.expected) << c.path;
}

}  // namespace
