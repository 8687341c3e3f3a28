#include "platform/number_text.h"

namespace platform {

namespace {

std::string DigitsText(std::uint64_t value, unsigned base, std::size_t minDigits) {
    static const char kDigits[] = "0123456789abcdef";
    std::string reversed;
    do {
        reversed += kDigits[value % base];
        value /= base;
    } while (value != 0);
    if (reversed.size() < minDigits)
        reversed.append(minDigits - reversed.size(), '0');
    return std::string(reversed.rbegin(), reversed.rend());
}

}  // namespace

std::string DecimalText(std::uint64_t value, std::size_t minDigits) {
    return DigitsText(value, 10, minDigits);
}

std::string HexText(std::uint32_t value, std::size_t minDigits) {
    return DigitsText(value, 16, minDigits);
}

}  // namespace platform
