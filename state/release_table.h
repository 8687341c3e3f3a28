#pragma once
// The supported AutoCAD releases, in the order that indexes every per-release list.

#include <array>
#include <optional>

namespace state {

constexpr int kReleaseCount = 24;

struct AcadRelease {
    int year;            // also the four-character text searched for in product names
    bool inWow6432View;  // searched below SOFTWARE\Wow6432Node as well
    int arxBuild;        // the year of the module build that serves it
};

// k = 0 for 2000, 1 for 2002, 2 for 2004, ... 23 for 2025.
const std::array<AcadRelease, kReleaseCount>& ReleaseTable();

// Index of the release with that year, or nullopt when it is not supported.
std::optional<int> ReleaseIndexOfYear(int year);

}  // namespace state
