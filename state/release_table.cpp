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

}  // namespace state
