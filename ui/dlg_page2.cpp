#include "ui/dlg_page2.h"

#include <algorithm>

#include "res/resource.h"

namespace ui {
namespace {

constexpr std::array<int, state::kReleaseCount> kReleaseBoxIds = {
    IDC_PAGE2_ACAD2000, IDC_PAGE2_ACAD2002, IDC_PAGE2_ACAD2004, IDC_PAGE2_ACAD2005, IDC_PAGE2_ACAD2006,
    IDC_PAGE2_ACAD2007, IDC_PAGE2_ACAD2008, IDC_PAGE2_ACAD2009, IDC_PAGE2_ACAD2010, IDC_PAGE2_ACAD2011,
    IDC_PAGE2_ACAD2012, IDC_PAGE2_ACAD2013, IDC_PAGE2_ACAD2014, IDC_PAGE2_ACAD2015, IDC_PAGE2_ACAD2016,
    IDC_PAGE2_ACAD2017, IDC_PAGE2_ACAD2018, IDC_PAGE2_ACAD2019, IDC_PAGE2_ACAD2020, IDC_PAGE2_ACAD2021,
    IDC_PAGE2_ACAD2022, IDC_PAGE2_ACAD2023, IDC_PAGE2_ACAD2024, IDC_PAGE2_ACAD2025,
};

// 2000 and 2002 are never offered.
constexpr int kFirstOfferedAnyBuild = 2;
// A 32-bit build offers 2004 to 2016 (k 2 to 14); any other offers 2005 to 2025 (k 3 to 23).
constexpr int kLast32BitRelease = 14;
constexpr int kFirstOtherBuildRelease = 3;

}  // namespace

int ReleaseBoxId(int releaseIndex) {
    return kReleaseBoxIds.at(static_cast<std::size_t>(releaseIndex));
}

Dlg_Page2::Dlg_Page2(WizardContext& context) : CPageFrame(IDD_PAGE2, context, IDC_PAGE2_VERSION) {}

void Dlg_Page2::DoDataExchange(bool save) {
    for (int k = 0; k < state::kReleaseCount; ++k) {
        DDX_Check(save, ReleaseBoxId(k), releases[static_cast<std::size_t>(k)].chosen);
    }
    for (int k = 0; k < state::kReleaseCount; ++k) {
        DDX_Control(save, ReleaseBoxId(k), releases[static_cast<std::size_t>(k)].box);
    }
    DDX_Text(save, IDC_PAGE2_VERSION, versionLabel);
}

bool Dlg_Page2::OnInitDialog() {
    InitFrame();
    for (std::size_t k = 0; k < releases.size(); ++k) {
        releases[k].chosen = context_.options.releaseChosen[k];
    }
    for (std::size_t k = 0; k < releases.size(); ++k) {
        if (context_.inventory.acadLocations[k].empty()) {
            releases[k].box.EnableWindow(false);
            releases[k].chosen = 0;
        }
    }
    LayOutOfferedReleases();
    UpdateData(false);
    UpdateForward();
    return true;
}

void Dlg_Page2::LayOutOfferedReleases() {
    std::array<platform::Rect, state::kReleaseCount> places;
    for (std::size_t k = 0; k < releases.size(); ++k) {
        places[k] = releases[k].box.GetRectInParent();
    }
    auto hide = [this](int k) {
        releases[static_cast<std::size_t>(k)].box.ShowWindow(false);
        releases[static_cast<std::size_t>(k)].chosen = 0;
    };
    for (int k = 0; k < kFirstOfferedAnyBuild; ++k) {
        hide(k);
    }
    // The offered releases move, in rising order, onto the places of the first boxes, so that they
    // fill the grid column by column.
    int first = kFirstOfferedAnyBuild;
    int last = state::kReleaseCount - 1;
    if (context_.options.buildBitness == 32) {
        for (int k = kLast32BitRelease + 1; k < state::kReleaseCount; ++k) {
            hide(k);
        }
        last = kLast32BitRelease;
    } else {
        hide(kFirstOfferedAnyBuild);
        first = kFirstOtherBuildRelease;
    }
    for (int k = first; k <= last; ++k) {
        releases[static_cast<std::size_t>(k)].box.MoveWindow(places[static_cast<std::size_t>(k - first)],
                                                             true);
    }
}

void Dlg_Page2::UpdateForward() {
    UpdateData(true);
    bool anyChosen = std::any_of(releases.begin(), releases.end(),
                                 [](const ReleaseSlot& slot) { return slot.chosen != 0; });
    if (CWnd* forward = GetDlgItem(IDC_FORWARD)) {
        forward->EnableWindow(anyChosen);
    }
}

void Dlg_Page2::StoreChoices() {
    for (std::size_t k = 0; k < releases.size(); ++k) {
        context_.options.releaseChosen[k] = releases[k].chosen;
    }
}

void Dlg_Page2::OnCommand(int id, int code) {
    if (code == platform::kBnClicked) {
        if (id == IDC_BACK) {
            OnBack();
            return;
        }
        if (std::find(kReleaseBoxIds.begin(), kReleaseBoxIds.end(), id) != kReleaseBoxIds.end()) {
            UpdateForward();
            return;
        }
    }
    CPageFrame::OnCommand(id, code);
}

void Dlg_Page2::OnBack() {
    UpdateData(true);
    StoreChoices();
    nextPage = 1;
    CPageFrame::OnOK();
}

void Dlg_Page2::OnOK() {
    UpdateData(true);
    StoreChoices();
    nextPage = 3;
    CPageFrame::OnOK();
}

void Dlg_Page2::OnCancel() {
    nextPage = 0;
    CPageFrame::OnCancel();
}

}  // namespace ui
