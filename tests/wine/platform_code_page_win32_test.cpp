// The text helpers take their lead bytes from the ANSI code page of the machine they run on. The
// test command runs this under code page 936 (zh_CN) and 1252 (C.UTF-8).

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/memory/code_pages.h"
#include "platform/text936.h"
#include "platform/win32/active_code_page.h"
#include "platform/win32/win32_api.h"

namespace {

std::vector<std::pair<int, int>> AsPairs(const std::vector<text936::ByteRange>& ranges) {
    std::vector<std::pair<int, int>> pairs;
    for (const auto& range : ranges)
        pairs.emplace_back(range.first, range.last);
    return pairs;
}

TEST(Win32CodePage, LeadBytesAreThoseOfTheAnsiCodePage) {
    const UINT codePage = GetACP();
    const auto expected = platform::memory::LeadByteRangesOf(codePage);
    ASSERT_TRUE(expected) << "no table for code page " << codePage;
    const auto actual = platform::win32::ActiveLeadByteRanges();
    ASSERT_TRUE(actual);
    EXPECT_EQ(AsPairs(*actual), AsPairs(*expected)) << "code page " << codePage;

    // Once in use, "é\" (1252) or the character 0xE9 0x5C (936) decides where the folder ends.
    platform::win32::UseActiveCodePage();
    const std::size_t slash = text936::FindLastBackslash("C:\\Caf\xE9\\SetUp.exe");
    EXPECT_EQ(slash, codePage == 1252 ? 7u : 2u) << "code page " << codePage;
    for (int byte = 0; byte < 256; ++byte)
        EXPECT_EQ(text936::IsLeadByte(static_cast<unsigned char>(byte)),
                  IsDBCSLeadByte(static_cast<BYTE>(byte)) != 0)
            << byte;
    platform::memory::ScopedCodePage restore(936);
}

}  // namespace
