#include "files/recorded_file.h"

#include <cstdlib>

#include "platform/number_text.h"

namespace files {

std::optional<std::uint64_t> ParseSize(const std::string& text) {
    if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::strtoull(text.c_str(), nullptr, 10);
}

std::optional<std::uint32_t> ParseChecksum(const std::string& text) {
    if (text.size() != 8 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    return static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
}

std::string ChecksumText(std::uint32_t crc) {
    return platform::HexText(crc, 8);
}

}  // namespace files
