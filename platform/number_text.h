#pragma once
// Numbers as text without the printf family: the runtime's printf brings its floating-point
// formatting along, which this program never uses.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// `value` in decimal, with leading zeros up to `minDigits` digits.
std::string DecimalText(std::uint64_t value, std::size_t minDigits = 1);

// `value` in lower-case hexadecimal, with leading zeros up to `minDigits` digits.
std::string HexText(std::uint32_t value, std::size_t minDigits = 1);

}  // namespace platform
