#pragma once
// The CRC-32 of zip and PNG (polynomial 0xEDB88320, reflected), used to tell a shipped file from
// one the user changed.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

std::uint32_t Crc32(const std::string& data);
// Carries `crc`, the checksum of the data before (0 for none), on over `size` more bytes, so that a
// file read in pieces gets the checksum of its whole content.
std::uint32_t Crc32Update(std::uint32_t crc, const char* data, std::size_t size);

// The size and CRC-32 of a content handed on in pieces (a copy or a read in pieces).
struct ContentCheck {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;

    void Add(const char* data, std::size_t length) {
        crc = Crc32Update(crc, data, length);
        size += length;
    }
};

}  // namespace platform
