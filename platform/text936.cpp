#include "platform/text936.h"

#include <array>

namespace text936 {

namespace {

using LeadByteTable = std::array<bool, 256>;

LeadByteTable TableOf(const std::vector<ByteRange>& ranges) {
    LeadByteTable table{};
    for (const ByteRange& range : ranges) {
        for (unsigned byte = range.first; byte <= range.last; ++byte)
            table[byte] = true;
    }
    return table;
}

// Code page 936 (GBK) until the program or a test sets another.
LeadByteTable& ActiveTable() {
    static LeadByteTable table = TableOf({{0x81, 0xFE}});
    return table;
}

}  // namespace

void SetLeadByteRanges(const std::vector<ByteRange>& ranges) {
    ActiveTable() = TableOf(ranges);
}

bool IsLeadByte(unsigned char byte) {
    return ActiveTable()[byte];
}

namespace {

// Length in bytes of the character starting at `pos`. A lead byte at the very end stands alone.
std::size_t CharLength(const std::string& text, std::size_t pos) {
    if (IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size())
        return 2;
    return 1;
}

template <typename Map>
std::string MapSingleBytes(const std::string& text, Map map) {
    std::string out = text;
    for (std::size_t pos = 0; pos < out.size(); pos += CharLength(out, pos)) {
        if (CharLength(out, pos) == 1)
            out[pos] = map(out[pos]);
    }
    return out;
}

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::size_t FindLastBackslash(const std::string& text) {
    std::size_t last = npos;
    for (std::size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) {
        if (text[pos] == '\\')
            last = pos;
    }
    return last;
}

std::string ToUpper(const std::string& text) {
    return MapSingleBytes(text, AsciiUpper);
}
std::string ToLower(const std::string& text) {
    return MapSingleBytes(text, AsciiLower);
}

std::size_t Find(const std::string& haystack, const std::string& needle) {
    if (needle.empty())
        return 0;
    for (std::size_t pos = 0; pos < haystack.size(); pos += CharLength(haystack, pos)) {
        if (haystack.compare(pos, needle.size(), needle) == 0)
            return pos;
    }
    return npos;
}

bool ContainsNotAtStart(const std::string& haystack, const std::string& needle) {
    std::size_t pos = Find(haystack, needle);
    return pos != npos && pos > 0;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    // Character by character, without upper-cased copies: the journal and the installation record
    // compare every installed path with every other. Where both hold the same lead byte, both read
    // it as the same double-byte character.
    if (a.size() != b.size())
        return false;
    for (std::size_t pos = 0; pos < a.size();) {
        const std::size_t length = CharLength(a, pos);
        if (length == 1 ? AsciiUpper(a[pos]) != AsciiUpper(b[pos])
                        : a.compare(pos, length, b, pos, length) != 0)
            return false;
        pos += length;
    }
    return true;
}

std::uint32_t HashNoCase(const std::string& text) {
    // FNV-1a over the bytes EqualsNoCase compares: single bytes upper-cased, double bytes as they are.
    std::uint32_t hash = 2166136261u;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = CharLength(text, pos);
        for (std::size_t i = 0; i < length; ++i) {
            const char byte = length == 1 ? AsciiUpper(text[pos]) : text[pos + i];
            hash = (hash ^ static_cast<unsigned char>(byte)) * 16777619u;
        }
        pos += length;
    }
    return hash;
}

std::string WithoutTrailingBackslash(const std::string& text) {
    if (!text.empty() && FindLastBackslash(text) == text.size() - 1)
        return text.substr(0, text.size() - 1);
    return text;
}

std::optional<std::vector<std::string>> SplitLevels(const std::string& path) {
    std::vector<std::string> levels;
    if (path.empty())
        return levels;
    const std::string trimmed = WithoutTrailingBackslash(path);
    std::size_t start = 0;
    while (true) {
        const std::size_t sep = Find(trimmed.substr(start), "\\");
        std::string level = sep == npos ? trimmed.substr(start) : trimmed.substr(start, sep);
        if (level.empty())
            return std::nullopt;
        levels.push_back(std::move(level));
        if (sep == npos)
            return levels;
        start += sep + 1;
    }
}

}  // namespace text936
