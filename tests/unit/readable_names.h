#pragma once
// Names for value-parameterised tests made from one field of the case, so that a test list and a
// failure report say which case ran ("D_Tools_3") instead of printing the case's raw bytes.

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace readable_names {

inline std::string Text(const std::string& text) {
    return text;
}
inline std::string Text(const char* text) {
    return text ? text : "null";
}
template <typename Number, typename = std::enable_if_t<std::is_arithmetic_v<Number>>>
std::string Text(Number number) {
    return std::to_string(number);
}
template <typename Item>
std::string Text(const std::vector<Item>& items) {
    std::string joined;
    for (const Item& item : items)
        joined += Text(item) + "_";
    return joined;
}

// Letters and digits of `text` (other bytes, double-byte characters included, become one "_"),
// at most 40 of them, then the case's index, which keeps names unique.
inline std::string Clean(const std::string& text, std::size_t index) {
    std::string name;
    for (unsigned char c : text) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (plain)
            name += static_cast<char>(c);
        else if (!name.empty() && name.back() != '_')
            name += '_';
        if (name.size() >= 40)
            break;
    }
    return name + (name.empty() || name.back() == '_' ? "" : "_") + std::to_string(index);
}

// A name generator for INSTANTIATE_TEST_SUITE_P naming each case by `field`.
template <typename Case, typename Field>
auto By(Field Case::*field) {
    return [field](const auto& info) { return Clean(Text(info.param.*field), info.index); };
}

}  // namespace readable_names
