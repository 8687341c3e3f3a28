#pragma once
// The CRC-32 of zip and PNG (polynomial 0xEDB88320, reflected), used to tell a shipped file from
// one the user changed.

#include <cstdint>
#include <string>

namespace install {

std::uint32_t Crc32(const std::string& data);

}  // namespace install
