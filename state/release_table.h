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

// True when the build of `buildBitness` installs for release k found in the registry view of
// `viewBitness` (the bitness of that AutoCAD): the 32-bit build for 2004 to 2016 of the 32-bit view,
// the 64-bit build for 2005 to 2025 of the 64-bit view and 2006 to 2009 of the 32-bit one.
bool BuildServes(int buildBitness, int releaseIndex, int viewBitness);

// The bitness of the other build: 64 for 32, 32 otherwise.
constexpr int OtherBuildBitness(int buildBitness) {
    return buildBitness == 32 ? 64 : 32;
}

}  // namespace state
