#pragma once
// Page 2 (release selection) scenarios, run on every dialog host.

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "res/resource.h"
#include "state/release_table.h"
#include "tests/unit/ui_page_harness.h"
#include "ui/dlg_page2.h"

namespace page_test {

// How one release's box looks to the user.
struct BoxView {
    int year;
    bool visible;
    bool enabled;
    int checked;
    platform::Rect place;  // only compared for visible boxes
    bool operator==(const BoxView& other) const {
        return year == other.year && visible == other.visible && enabled == other.enabled &&
               checked == other.checked && (!visible || place == other.place);
    }
};

inline std::ostream& operator<<(std::ostream& out, const BoxView& box) {
    out << box.year << (box.visible ? " shown" : " hidden") << (box.enabled ? " enabled" : " greyed")
        << (box.checked ? " ticked" : " unticked");
    if (box.visible) {
        out << " at " << box.place.left << "," << box.place.top << "-" << box.place.right << ","
            << box.place.bottom;
    }
    return out;
}

inline int YearOf(int k) {
    return state::ReleaseTable()[static_cast<std::size_t>(k)].year;
}

inline std::vector<BoxView> SeeReleaseBoxes(PageDriver& page) {
    std::vector<BoxView> boxes;
    for (int k = 0; k < state::kReleaseCount; ++k) {
        int id = ui::ReleaseBoxId(k);
        boxes.push_back({YearOf(k), page.Visible(id), page.Enabled(id), page.Checked(id), page.Place(id)});
    }
    return boxes;
}

// The expected boxes: the offered releases, in order, fill the grid of three columns (x 15, 107,
// 199) and seven rows (y 54 to 168, 19 apart) column by column; found ones are enabled and ticked.
inline std::vector<BoxView> ExpectedBoxes(PageDriver& page,
                                          int firstOfferedYear,
                                          int lastOfferedYear,
                                          const std::vector<int>& foundYears,
                                          const std::vector<int>& untickedYears = {}) {
    std::vector<BoxView> boxes;
    int slot = 0;
    for (int k = 0; k < state::kReleaseCount; ++k) {
        int year = YearOf(k);
        bool offered = year >= firstOfferedYear && year <= lastOfferedYear;
        bool found = std::find(foundYears.begin(), foundYears.end(), year) != foundYears.end();
        bool unticked = std::find(untickedYears.begin(), untickedYears.end(), year) != untickedYears.end();
        BoxView box{year, offered, found, offered && found && !unticked ? 1 : 0, {}};
        if (offered) {
            box.place = page.Pixels({15 + 92 * (slot / 7), 54 + 19 * (slot % 7), 74, 10});
            ++slot;
        }
        boxes.push_back(box);
    }
    return boxes;
}

template <class Host>
class Page2Scenarios : public PageFixture<Host> {
  protected:
    void Found(std::vector<int> years) {
        for (int year : years) {
            int k = *state::ReleaseIndexOfYear(year);
            this->inventory.acadLocations[k].push_back("C:\\Program Files\\AutoCAD " + std::to_string(year));
            this->inventory.acadKeys[k].push_back("SOFTWARE\\Autodesk\\AutoCAD\\R" + std::to_string(year) +
                                                  "\\");
        }
    }
    std::array<int, state::kReleaseCount> ChosenOnly(std::vector<int> years) {
        std::array<int, state::kReleaseCount> chosen{};
        for (int year : years) {
            chosen[static_cast<std::size_t>(*state::ReleaseIndexOfYear(year))] = 1;
        }
        return chosen;
    }
};
TYPED_TEST_SUITE_P(Page2Scenarios);

TYPED_TEST_P(Page2Scenarios, Build32ShowsReleases2004To2016InTheGrid) {
    this->Found({2010, 2018});
    this->options.buildBitness = 32;
    std::vector<BoxView> seen, expected;
    bool forward = false;
    int next = this->template Show<ui::Dlg_Page2>([&](PageDriver& page) {
        seen = SeeReleaseBoxes(page);
        expected = ExpectedBoxes(page, 2004, 2016, {2010, 2018});
        forward = page.Enabled(IDC_FORWARD);
        page.Click(IDC_FORWARD);
    });
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(forward);
    EXPECT_EQ(next, 3);
    EXPECT_EQ(this->options.releaseChosen, this->ChosenOnly({2010})) << "2018 is hidden in a 32-bit build";
}

TYPED_TEST_P(Page2Scenarios, OtherBuildsShowReleases2005To2025InTheGrid) {
    this->Found({2010, 2018});
    this->options.buildBitness = 64;
    std::vector<BoxView> seen, expected;
    std::string label;
    int next = this->template Show<ui::Dlg_Page2>([&](PageDriver& page) {
        seen = SeeReleaseBoxes(page);
        expected = ExpectedBoxes(page, 2005, 2025, {2010, 2018});
        label = page.Text(IDC_PAGE2_VERSION);
        page.Click(IDC_FORWARD);
    });
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(label, "Brelix结构工具箱 V2024.3.27 (64位版本)");
    EXPECT_EQ(next, 3);
    EXPECT_EQ(this->options.releaseChosen, this->ChosenOnly({2010, 2018}));
}

TYPED_TEST_P(Page2Scenarios, BoxesMoveOntoTheTemplatePlacesOfLowerReleases) {
    // The moves reuse the places the boxes had when the page opened, whatever the host's units.
    this->Found({2004, 2016});
    std::vector<platform::Rect> seen, expected;
    this->template Show<ui::Dlg_Page2>([&](PageDriver& page) {
        for (int k = 2; k <= 14; ++k) {
            seen.push_back(page.Place(ui::ReleaseBoxId(k)));
            expected.push_back(page.Pixels(TemplatePlace(IDD_PAGE2, ui::ReleaseBoxId(k - 2))));
        }
        page.Click(IDC_CANCEL);
    });
    EXPECT_EQ(seen, expected);
}

TYPED_TEST_P(Page2Scenarios, ForwardNeedsAtLeastOneTickedRelease) {
    this->Found({2008, 2012});
    std::vector<bool> forward;
    std::vector<bool> clicks;
    this->template Show<ui::Dlg_Page2>([&](PageDriver& page) {
        forward.push_back(page.Enabled(IDC_FORWARD));
        clicks.push_back(page.Click(ui::ReleaseBoxId(*state::ReleaseIndexOfYear(2008))));
        forward.push_back(page.Enabled(IDC_FORWARD));
        clicks.push_back(page.Click(ui::ReleaseBoxId(*state::ReleaseIndexOfYear(2012))));
        forward.push_back(page.Enabled(IDC_FORWARD));
        clicks.push_back(page.Click(IDC_FORWARD));
        clicks.push_back(
            page.Click(ui::ReleaseBoxId(*state::ReleaseIndexOfYear(2009))));  // not found: greyed
        clicks.push_back(page.Click(ui::ReleaseBoxId(*state::ReleaseIndexOfYear(2012))));
        forward.push_back(page.Enabled(IDC_FORWARD));
        page.Click(IDC_CANCEL);
    });
    EXPECT_EQ(forward, (std::vector<bool>{true, true, false, true}));
    EXPECT_EQ(clicks, (std::vector<bool>{true, true, false, false, true}));
}

TYPED_TEST_P(Page2Scenarios, BackStoresTheTicksAndTheNextShowingKeepsThem) {
    this->Found({2010, 2014});
    const int box2010 = ui::ReleaseBoxId(*state::ReleaseIndexOfYear(2010));
    int next = this->template Show<ui::Dlg_Page2>([&](PageDriver& page) {
        page.Click(box2010);
        page.Click(IDC_BACK);
    });
    EXPECT_EQ(next, 1);
    EXPECT_EQ(this->options.releaseChosen, this->ChosenOnly({2014}));

    std::vector<BoxView> seen, expected;
    this->template Show<ui::Dlg_Page2>([&](PageDriver& page) {
        seen = SeeReleaseBoxes(page);
        expected = ExpectedBoxes(page, 2004, 2016, {2010, 2014}, {2010});
        page.Click(IDC_CANCEL);
    });
    EXPECT_EQ(seen, expected);
}

TYPED_TEST_P(Page2Scenarios, CancelKeepsTheStoredChoice) {
    this->Found({2010, 2014});
    const auto before = this->options.releaseChosen;
    for (bool closeBox : {false, true}) {
        int next = this->template Show<ui::Dlg_Page2>([&](PageDriver& page) {
            page.Click(ui::ReleaseBoxId(*state::ReleaseIndexOfYear(2010)));
            if (closeBox) {
                page.CloseWindow();
            } else {
                page.Click(IDC_CANCEL);
            }
        });
        EXPECT_EQ(next, 0);
        EXPECT_EQ(this->options.releaseChosen, before) << closeBox;
    }
}

TYPED_TEST_P(Page2Scenarios, Releases2000And2002AreNeverShownNorChosen) {
    this->Found({2000, 2002, 2006});
    std::vector<BoxView> seen;
    this->template Show<ui::Dlg_Page2>([&](PageDriver& page) {
        seen = SeeReleaseBoxes(page);
        page.Click(IDC_FORWARD);
    });
    ASSERT_EQ(seen.size(), 24u);
    EXPECT_FALSE(seen[0].visible);
    EXPECT_FALSE(seen[1].visible);
    EXPECT_EQ(this->options.releaseChosen, this->ChosenOnly({2006}));
}

TYPED_TEST_P(Page2Scenarios, NothingFoundLeavesOnlyBackAndCancel) {
    std::vector<BoxView> seen, expected;
    bool forward = true;
    int next = this->template Show<ui::Dlg_Page2>([&](PageDriver& page) {
        seen = SeeReleaseBoxes(page);
        expected = ExpectedBoxes(page, 2004, 2016, {});
        forward = page.Enabled(IDC_FORWARD);
        EXPECT_FALSE(page.Click(IDC_FORWARD));
        page.Click(IDC_BACK);
    });
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(forward);
    EXPECT_EQ(next, 1);
    EXPECT_EQ(this->options.releaseChosen, this->ChosenOnly({}));
}

REGISTER_TYPED_TEST_SUITE_P(Page2Scenarios,
                            Build32ShowsReleases2004To2016InTheGrid,
                            OtherBuildsShowReleases2005To2025InTheGrid,
                            BoxesMoveOntoTheTemplatePlacesOfLowerReleases,
                            ForwardNeedsAtLeastOneTickedRelease,
                            BackStoresTheTicksAndTheNextShowingKeepsThem,
                            CancelKeepsTheStoredChoice,
                            Releases2000And2002AreNeverShownNorChosen,
                            NothingFoundLeavesOnlyBackAndCancel);

}  // namespace page_test
