#include "state/release_table.h"

namespace state {

const std::array<AcadRelease, kReleaseCount>& ReleaseTable() {
    static const std::array<AcadRelease, kReleaseCount> table = {{
        {2000, false, 2000}, {2002, false, 2000}, {2004, false, 2004}, {2005, false, 2004},
        {2006, true, 2004},  {2007, true, 2008},  {2008, true, 2008},  {2009, true, 2008},
        {2010, false, 2010}, {2011, false, 2010}, {2012, false, 2010}, {2013, false, 2013},
        {2014, false, 2013}, {2015, false, 2015}, {2016, false, 2015}, {2017, false, 2017},
        {2018, false, 2018}, {2019, false, 2019}, {2020, false, 2019}, {2021, false, 2021},
        {2022, false, 2021}, {2023, false, 2021}, {2024, false, 2021}, {2025, false, 2025},
    }};
    return table;
}

std::optional<int> ReleaseIndexOfYear(int year) {
    const auto& table = ReleaseTable();
    for (int k = 0; k < kReleaseCount; ++k) {
        if (table[k].year == year)
            return k;
    }
    return std::nullopt;
}

bool BuildServes(int buildBitness, int releaseIndex, int viewBitness) {
    // 2000 and 2002 are never served; the 32-bit build stops at 2016 (k 14), the 64-bit one starts at 2005.
    constexpr int kFirst32Bit = 2;
    constexpr int kLast32Bit = 14;
    constexpr int kFirst64Bit = 3;
    if (releaseIndex < 0 || releaseIndex >= kReleaseCount)
        return false;
    if (buildBitness == 32)
        return viewBitness == 32 && releaseIndex >= kFirst32Bit && releaseIndex <= kLast32Bit;
    if (viewBitness == 32)
        return ReleaseTable()[static_cast<std::size_t>(releaseIndex)].inWow6432View;
    return releaseIndex >= kFirst64Bit;
}

}  // namespace state
