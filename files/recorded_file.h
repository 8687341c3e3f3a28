#pragma once
// A file the installation put in place, as the uninstall checks it before deleting it.

#include <cstdint>
#include <optional>
#include <string>

namespace files {

struct RecordedFile {
    std::string path;  // below the product folder, no ".." level
    std::uint64_t size = 0;
    std::uint32_t crc = 0;

    bool operator==(const RecordedFile& other) const {
        return path == other.path && size == other.size && crc == other.crc;
    }
};

// A size as records and journals write it: decimal digits, at most 19; nullopt for anything else.
std::optional<std::uint64_t> ParseSize(const std::string& text);
// A CRC-32 as records and journals write it: eight hexadecimal digits, either case.
std::optional<std::uint32_t> ParseChecksum(const std::string& text);
std::string ChecksumText(std::uint32_t crc);

}  // namespace files
