#pragma once
// A file the installation put in place, as the uninstall checks it before deleting it.

#include <cstdint>
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

}  // namespace files
