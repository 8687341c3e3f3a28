#include "install/crc32.h"

#include <array>
#include <cstddef>

namespace install {

namespace {

// Slicing by sixteen: table k gives the CRC of a byte followed by k zero bytes, so sixteen bytes are
// folded in per step. The installation checks every shipped file, hundreds of megabytes at times.
using Tables = std::array<std::array<std::uint32_t, 256>, 16>;

Tables MakeTables() {
    Tables tables{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (std::uint32_t n = 0; n < 256; ++n) {
            const std::uint32_t previous = tables[k - 1][n];
            tables[k][n] = tables[0][previous & 0xFFu] ^ (previous >> 8);
        }
    }
    return tables;
}

std::uint32_t LittleEndian32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

std::uint32_t Crc32(const std::string& data) {
    return Crc32Update(0, data.data(), data.size());
}

std::uint32_t Crc32Update(std::uint32_t crc, const char* data, std::size_t size) {
    static const Tables t = MakeTables();
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    std::size_t left = size;
    crc ^= 0xFFFFFFFFu;
    for (; left >= 16; left -= 16, bytes += 16) {
        const std::uint32_t a = crc ^ LittleEndian32(bytes);
        const std::uint32_t b = LittleEndian32(bytes + 4);
        const std::uint32_t c = LittleEndian32(bytes + 8);
        const std::uint32_t d = LittleEndian32(bytes + 12);
        crc = t[15][a & 0xFFu] ^ t[14][(a >> 8) & 0xFFu] ^ t[13][(a >> 16) & 0xFFu] ^ t[12][a >> 24] ^
              t[11][b & 0xFFu] ^ t[10][(b >> 8) & 0xFFu] ^ t[9][(b >> 16) & 0xFFu] ^ t[8][b >> 24] ^
              t[7][c & 0xFFu] ^ t[6][(c >> 8) & 0xFFu] ^ t[5][(c >> 16) & 0xFFu] ^ t[4][c >> 24] ^
              t[3][d & 0xFFu] ^ t[2][(d >> 8) & 0xFFu] ^ t[1][(d >> 16) & 0xFFu] ^ t[0][d >> 24];
    }
    for (; left > 0; --left, ++bytes)
        crc = t[0][(crc ^ *bytes) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

}  // namespace install
