#pragma once
// Double-byte aware text operations on byte strings in the machine's ANSI code page. Every place
// that searches, cuts or changes the case of a name or path goes through here, so that the second
// byte of a double-byte character is never taken for a "\" or a letter. Which bytes lead a
// double-byte character is the active code page's table: code page 936 (GBK) until the program
// sets the machine's (platform/win32/active_code_page.h) or a test sets another
// (platform/memory/code_pages.h).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace text936 {

constexpr std::size_t npos = std::string::npos;

// An inclusive range of lead bytes, as GetCPInfo lists them.
struct ByteRange {
    unsigned char first;
    unsigned char last;
};

// Makes the bytes of `ranges`, and no others, lead bytes. An empty list is a single-byte code page.
void SetLeadByteRanges(const std::vector<ByteRange>& ranges);

// True for a lead byte of the active code page: it and the byte after it form one character.
bool IsLeadByte(unsigned char byte);

// Byte position of the last "\" that is a character of its own, or npos.
std::size_t FindLastBackslash(const std::string& text);

// Upper-cases (lower-cases) single-byte ASCII letters; double-byte characters are left as they are.
std::string ToUpper(const std::string& text);
std::string ToLower(const std::string& text);

// Byte position of the first occurrence of `needle`, stepping over double-byte characters as
// units, or npos. An empty needle is found at 0.
std::size_t Find(const std::string& haystack, const std::string& needle);

// True when `needle` occurs in `haystack` and its first occurrence starts after byte 0.
bool ContainsNotAtStart(const std::string& haystack, const std::string& needle);

// Whole-name comparison ignoring the letter case of single-byte letters.
bool EqualsNoCase(const std::string& a, const std::string& b);
// A hash that names equal under EqualsNoCase share: compared first, it spares the byte-by-byte
// comparison of long paths that differ, when a name is looked for among thousands.
std::uint32_t HashNoCase(const std::string& text);

// True when `text` fits a fixed buffer of `capacity` bytes with its terminating zero.
inline bool FitsBuffer(const std::string& text, std::size_t capacity) {
    return text.size() < capacity;
}

// Splits a path at its "\" characters, after removing one trailing "\". An empty path gives no
// levels; nullopt when any level would be empty ("A\\B", "\A").
std::optional<std::vector<std::string>> SplitLevels(const std::string& path);

// Removes exactly one trailing "\" (a character of its own), if there is one.
std::string WithoutTrailingBackslash(const std::string& text);

}  // namespace text936
