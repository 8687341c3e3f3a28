#pragma once
// The product's version, major.minor.patch, compared as numbers field by field: 2024.10.1 is newer
// than 2024.9.30. The running program's own is BuiltVersion(), set when it is built.

#include <compare>
#include <optional>
#include <string>

namespace state {

struct ProductVersion {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned patch = 0;

    friend auto operator<=>(const ProductVersion&, const ProductVersion&) = default;
};

// The version of this program (state/version/built_version.cpp, one per build).
ProductVersion BuiltVersion();

// "2024.3.27".
std::string VersionText(const ProductVersion& version);
// The version "a.b.c" names, each field a decimal number up to 65535; nullopt for any other text.
std::optional<ProductVersion> ParseVersion(const std::string& text);

}  // namespace state
