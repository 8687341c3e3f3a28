// The text helpers follow the active code page: which bytes lead a double-byte character decides
// where a "\" or a letter stands.

#include <gtest/gtest.h>

#include <string>

#include "platform/memory/code_pages.h"
#include "platform/text936.h"

namespace {

using text936::npos;

struct Case {
    unsigned codePage;
    std::string text;
    std::size_t lastBackslash;
    std::string upper;
};

TEST(ActiveCodePage, DecidesWhichBytesPairUp) {
    const std::string cafe = "C:\\Caf\xE9\\SetUp.exe";  // "é" in code page 1252
    const std::string katakana = "C:\\\xB6\\a";         // half-width "カ" in code page 932
    const std::string sjis =
        "C:\\\x95\x5C"
        "a";  // "表" in Shift JIS ends in the "\" byte
    const std::string big5 =
        "C:\\\xA5\x5C"
        "a";  // "功" in Big5 ends in the "\" byte
    const std::string hangul =
        "x\x81\x61"
        "a";  // a Hangul syllable whose second byte is "a"
    const Case cases[] = {
        {1252, cafe, 7, "C:\\CAF\xE9\\SETUP.EXE"},
        {936, cafe, 2, "C:\\CAF\xE9\\SETUP.EXE"},
        {932, cafe, 2, "C:\\CAF\xE9\\SETUP.EXE"},  // 0xE9 leads in Shift JIS too
        {932, katakana, 4, "C:\\\xB6\\A"},
        {936, katakana, 2, "C:\\\xB6\\A"},
        {1252, katakana, 4, "C:\\\xB6\\A"},
        {932, sjis, 2,
         "C:\\\x95\x5C"
         "A"},
        {1252, sjis, 4,
         "C:\\\x95\x5C"
         "A"},
        {950, big5, 2,
         "C:\\\xA5\x5C"
         "A"},
        {1252, big5, 4,
         "C:\\\xA5\x5C"
         "A"},
        {949, hangul, npos,
         "X\x81\x61"
         "A"},
        {1252, hangul, npos,
         "X\x81\x41"
         "A"},
        {932, "\x80\\\xA0\\\xFD\\", 5, "\x80\\\xA0\\\xFD\\"},  // bytes outside both lead ranges
        {936, "\x80\\\xFF\\", 3, "\x80\\\xFF\\"},
    };
    for (const Case& c : cases) {
        platform::memory::ScopedCodePage codePage(c.codePage);
        EXPECT_EQ(text936::FindLastBackslash(c.text), c.lastBackslash) << c.codePage << " " << c.text;
        EXPECT_EQ(text936::ToUpper(c.text), c.upper) << c.codePage << " " << c.text;
    }
}

}  // namespace
