#pragma once
// Page 1 (licence) scenarios, run on every dialog host.

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/unit/ui_page_harness.h"
#include "ui/dlg_page1.h"
#include "ui/licence_text.h"

namespace page_test {

inline std::string LicenceScreen(int screen) {
    std::string text;
    for (const std::string& piece : ui::LicenceScreenPieces(screen)) {
        text += piece;
    }
    return text;
}

// What the user sees of the screen buttons and the forward button.
struct LicenceView {
    std::string text;
    bool previousScreen;
    bool nextScreen;
    int disagree;
    int agree;
    bool forward;
    bool operator==(const LicenceView& other) const {
        return text == other.text && previousScreen == other.previousScreen &&
               nextScreen == other.nextScreen && disagree == other.disagree && agree == other.agree &&
               forward == other.forward;
    }
};

inline std::ostream& operator<<(std::ostream& out, const LicenceView& view) {
    return out << "{text of " << view.text.size() << " bytes, previous " << view.previousScreen << ", next "
               << view.nextScreen << ", disagree " << view.disagree << ", agree " << view.agree
               << ", forward " << view.forward << "}";
}

inline LicenceView SeeLicence(PageDriver& page) {
    return LicenceView{page.Text(IDC_PAGE1_LICENCE),        page.Enabled(IDC_PAGE1_PREVIOUS_SCREEN),
                       page.Enabled(IDC_PAGE1_NEXT_SCREEN), page.Checked(IDC_PAGE1_DISAGREE),
                       page.Checked(IDC_PAGE1_AGREE),       page.Enabled(IDC_FORWARD)};
}

template <class Host>
class Page1Scenarios : public PageFixture<Host> {};
TYPED_TEST_SUITE_P(Page1Scenarios);

TYPED_TEST_P(Page1Scenarios, FirstShowingIsScreenZeroWithAgreeSelected) {
    LicenceView first{};
    std::string label;
    bool backEnabled = true;
    int next = this->template Show<ui::Dlg_Page1>([&](PageDriver& page) {
        first = SeeLicence(page);
        label = page.Text(IDC_PAGE1_VERSION);
        backEnabled = page.Enabled(IDC_BACK);
        EXPECT_FALSE(page.Click(IDC_BACK)) << "上一步 stays disabled on page 1";
        page.Click(IDC_CANCEL);
    });
    EXPECT_EQ(first, (LicenceView{LicenceScreen(0), false, true, 0, 1, true}));
    EXPECT_EQ(label, "Brelix结构工具箱 V2024.3.27 (32位版本)");
    EXPECT_FALSE(backEnabled);
    EXPECT_EQ(next, 0);
}

TYPED_TEST_P(Page1Scenarios, ScreenButtonsWalkThroughTheFourScreens) {
    std::vector<LicenceView> seen;
    this->template Show<ui::Dlg_Page1>([&](PageDriver& page) {
        for (int step = 0; step < 3; ++step) {
            EXPECT_TRUE(page.Click(IDC_PAGE1_NEXT_SCREEN));
            seen.push_back(SeeLicence(page));
        }
        EXPECT_FALSE(page.Click(IDC_PAGE1_NEXT_SCREEN)) << "no screen after the last";
        for (int step = 0; step < 3; ++step) {
            EXPECT_TRUE(page.Click(IDC_PAGE1_PREVIOUS_SCREEN));
            seen.push_back(SeeLicence(page));
        }
        EXPECT_FALSE(page.Click(IDC_PAGE1_PREVIOUS_SCREEN)) << "no screen before the first";
        page.Click(IDC_CANCEL);
    });
    const std::vector<LicenceView> expected = {
        {LicenceScreen(1), true, true, 0, 1, true},  {LicenceScreen(2), true, true, 0, 1, true},
        {LicenceScreen(3), true, false, 0, 1, true}, {LicenceScreen(2), true, true, 0, 1, true},
        {LicenceScreen(1), true, true, 0, 1, true},  {LicenceScreen(0), false, true, 0, 1, true},
    };
    EXPECT_EQ(seen, expected);
    for (int screen = 0; screen < ui::kLicenceScreenCount; ++screen) {
        EXPECT_FALSE(LicenceScreen(screen).empty()) << "screen " << screen;
    }
}

TYPED_TEST_P(Page1Scenarios, DisagreeDisablesForwardAlsoAcrossScreens) {
    std::vector<LicenceView> seen;
    bool forwardAccepted = true;
    this->template Show<ui::Dlg_Page1>([&](PageDriver& page) {
        page.Click(IDC_PAGE1_DISAGREE);
        seen.push_back(SeeLicence(page));
        page.Click(IDC_PAGE1_NEXT_SCREEN);
        page.Click(IDC_PAGE1_NEXT_SCREEN);
        seen.push_back(SeeLicence(page));
        forwardAccepted = page.Click(IDC_FORWARD);
        page.Click(IDC_PAGE1_AGREE);
        seen.push_back(SeeLicence(page));
        page.Click(IDC_CANCEL);
    });
    EXPECT_EQ(seen, (std::vector<LicenceView>{{LicenceScreen(0), false, true, 1, 0, false},
                                              {LicenceScreen(2), true, true, 1, 0, false},
                                              {LicenceScreen(2), true, true, 0, 1, true}}));
    EXPECT_FALSE(forwardAccepted);
}

TYPED_TEST_P(Page1Scenarios, ForwardStoresTheAnswerAndLeadsToPage2) {
    this->options.agreeChoice = 0;  // not reachable through the wizard, but the page must follow it
    LicenceView opened{};
    int next = this->template Show<ui::Dlg_Page1>([&](PageDriver& page) {
        opened = SeeLicence(page);
        page.Click(IDC_PAGE1_AGREE);
        EXPECT_TRUE(page.Click(IDC_FORWARD));
    });
    EXPECT_EQ(opened.disagree, 1);
    EXPECT_FALSE(opened.forward);
    EXPECT_EQ(next, 2);
    EXPECT_EQ(this->options.agreeChoice, 1);
}

TYPED_TEST_P(Page1Scenarios, CancelAndCloseBoxEndTheWizardWithoutStoringTheAnswer) {
    for (bool closeBox : {false, true}) {
        this->options.agreeChoice = 1;
        int next = this->template Show<ui::Dlg_Page1>([&](PageDriver& page) {
            page.Click(IDC_PAGE1_DISAGREE);
            if (closeBox) {
                page.CloseWindow();
            } else {
                page.Click(IDC_CANCEL);
            }
        });
        EXPECT_EQ(next, 0) << closeBox;
        EXPECT_EQ(this->options.agreeChoice, 1) << closeBox;
    }
    EXPECT_EQ(this->host.UnscriptedCloses(), 0);
}

TYPED_TEST_P(Page1Scenarios, OnlyTheVersionLabelIsDrawnInTheLabelFont) {
    std::vector<SeenColour> colours;
    this->template Show<ui::Dlg_Page1>([&](PageDriver& page) {
        for (int id :
             {IDC_PAGE1_VERSION, IDC_PAGE1_LICENCE, IDC_PAGE1_AGREE, IDC_FORWARD, platform::kDialogItself}) {
            colours.push_back(page.ColourOf(id));
        }
        page.Click(IDC_CANCEL);
    });
    ASSERT_EQ(colours.size(), 5u);
    const platform::Colour background = platform::MakeColour(160, 180, 220);
    EXPECT_EQ(colours[0].text, platform::MakeColour(10, 70, 40));
    EXPECT_TRUE(colours[0].labelFont);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        EXPECT_TRUE(colours[i].transparent) << i;
        EXPECT_EQ(colours[i].brush, std::optional<platform::Colour>(background)) << i;
        if (i > 0) {
            EXPECT_EQ(colours[i].text, platform::MakeColour(0, 0, 0)) << i;
            EXPECT_FALSE(colours[i].labelFont) << i;
        }
    }
}

REGISTER_TYPED_TEST_SUITE_P(Page1Scenarios,
                            FirstShowingIsScreenZeroWithAgreeSelected,
                            ScreenButtonsWalkThroughTheFourScreens,
                            DisagreeDisablesForwardAlsoAcrossScreens,
                            ForwardStoresTheAnswerAndLeadsToPage2,
                            CancelAndCloseBoxEndTheWizardWithoutStoringTheAnswer,
                            OnlyTheVersionLabelIsDrawnInTheLabelFont);

}  // namespace page_test
