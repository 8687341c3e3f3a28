#include "state/product_version.h"

namespace state {

namespace {

constexpr unsigned kFieldMaximum = 65535;

}  // namespace

std::string VersionText(const ProductVersion& version) {
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.patch);
}

std::optional<ProductVersion> ParseVersion(const std::string& text) {
    unsigned fields[3] = {};
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && (at >= text.size() || text[at++] != '.'))
            return std::nullopt;
        const std::size_t start = at;
        unsigned value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 5)
            value = value * 10 + static_cast<unsigned>(text[at++] - '0');
        if (at == start || value > kFieldMaximum)
            return std::nullopt;
        fields[i] = value;
    }
    if (at != text.size())
        return std::nullopt;
    return ProductVersion{fields[0], fields[1], fields[2]};
}

}  // namespace state
