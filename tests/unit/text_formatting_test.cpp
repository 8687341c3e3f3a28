// Texts built without the printf family: numbers, the names of the AutoCAD integration, the
// version label.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "acad/buffer_format.h"
#include "platform/number_text.h"
#include "state/install_options.h"

namespace {

TEST(NumberText, WritesDigitsWithLeadingZerosUpToTheWidth) {
    struct Case {
        std::uint64_t value;
        std::size_t minDigits;
        std::string decimal;
    };
    const Case cases[] = {
        {0, 1, "0"},
        {0, 3, "000"},
        {7, 2, "07"},
        {59, 2, "59"},
        {2026, 4, "2026"},
        {12345, 2, "12345"},
        {5000000000ull, 1, "5000000000"},
        {UINT64_MAX, 1, "18446744073709551615"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::DecimalText(c.value, c.minDigits), c.decimal) << c.value;

    struct HexCase {
        std::uint32_t value;
        std::size_t minDigits;
        std::string hex;
    };
    const HexCase hexCases[] = {
        {0, 8, "00000000"},          {0x1A, 1, "1a"}, {0xBEEF, 8, "0000beef"}, {0xDEADBEEF, 8, "deadbeef"},
        {0xFFFFFFFF, 1, "ffffffff"},
    };
    for (const HexCase& c : hexCases)
        EXPECT_EQ(platform::HexText(c.value, c.minDigits), c.hex) << c.value;
}

TEST(BufferFormat, BuildsTheNamesAndRefusesWhatDoesNotFit) {
    const std::string folder = "C:\\Program Files\\AutoCAD 2018";
    const std::string root = "D:\\\xB5\x5C\\CAD";  // a trail byte that is a backslash
    EXPECT_EQ(acad::FormatFitting(acad::kNameBufferSize, "%s\\acad.exe", folder.c_str()),
              "C:\\Program Files\\AutoCAD 2018\\acad.exe");
    EXPECT_EQ(acad::FormatFitting(acad::kNameBufferSize, "Applications\\Brelix%d", 2018),
              "Applications\\Brelix2018");
    EXPECT_EQ(
        acad::FormatFitting(acad::kNameBufferSize, "%s\\Brelix结构工具箱\\BRELIX%d.ARX", root.c_str(), 2010),
        root + "\\Brelix结构工具箱\\BRELIX2010.ARX");
    EXPECT_EQ(acad::FormatFitting(acad::kNameBufferSize, "%d|%d|%%|%s", -5, 0, ""), "-5|0|%|");
    EXPECT_EQ(acad::FormatText("SOFTWARE\\Autodesk\\AutoCAD\\%s\\", "R22.0"),
              "SOFTWARE\\Autodesk\\AutoCAD\\R22.0\\");

    // 259 bytes and the zero fill the buffer; one more byte is refused, never cut.
    const std::string fits(255, 'x');
    EXPECT_EQ(acad::FormatFitting(acad::kNameBufferSize, "%s.ARX", fits.c_str()), fits + ".ARX");
    const std::string tooLong(256, 'x');
    EXPECT_EQ(acad::FormatFitting(acad::kNameBufferSize, "%s.ARX", tooLong.c_str()), std::nullopt);
    EXPECT_EQ(acad::FormatText("%s.ARX", tooLong.c_str()), tooLong + ".ARX");
}

TEST(BufferFormat, RefusesDirectivesItDoesNotUnderstand) {
    const char* const formats[] = {"%x", "name%", "%5d", "%u"};
    for (const char* format : formats) {
        // The arguments match no directive: nothing may be read.
        EXPECT_EQ(acad::FormatFitting(acad::kNameBufferSize, format), std::nullopt) << format;
        EXPECT_EQ(acad::FormatText(format), "") << format;
    }
}

TEST(VersionLabel, NamesTheVersionAndTheBuild) {
    EXPECT_EQ(state::FormatVersionLabel({2024, 3, 27}, 32), "Brelix结构工具箱 V2024.3.27 (32位版本)");
    EXPECT_EQ(state::FormatVersionLabel({2025, 1, 5}, 64), "Brelix结构工具箱 V2025.1.5 (64位版本)");
}

// Versions compare as numbers, field by field; only "a.b.c" with fields up to 65535 is one.
TEST(ProductVersion, ParsesOnlyThreeNumbersAndComparesThemAsNumbers) {
    EXPECT_EQ(state::ParseVersion("2024.10.1"), (state::ProductVersion{2024, 10, 1}));
    EXPECT_EQ(state::ParseVersion("65535.0.65535"), (state::ProductVersion{65535, 0, 65535}));
    for (const char* text : {"", "2024", "2024.3", "2024.3.27.0", "2024.3.x", "65536.1.1", "2024..1",
                             " 2024.3.27", "2024.3.27 ", "-1.2.3", "123456.1.1"})
        EXPECT_EQ(state::ParseVersion(text), std::nullopt) << text;
    EXPECT_LT((state::ProductVersion{2024, 9, 30}), (state::ProductVersion{2024, 10, 1}));
    EXPECT_EQ(state::VersionText({2024, 3, 27}), "2024.3.27");
}

}  // namespace
