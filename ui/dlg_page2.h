#pragma once
// Page 2: one check box per AutoCAD release. Releases that discovery did not find are greyed;
// releases this build does not offer are hidden, and the rest close up into a regular grid.
// 下一步 is available only while at least one release is ticked.

#include <array>

#include "state/release_table.h"
#include "ui/page_frame.h"

namespace ui {

// The check box of release k (the ids do not follow the year order).
int ReleaseBoxId(int releaseIndex);

class Dlg_Page2 : public CPageFrame {
  public:
    explicit Dlg_Page2(WizardContext& context);

    struct ReleaseSlot {
        int chosen = 0;
        CButton box;  // attached by the first data exchange
    };
    std::array<ReleaseSlot, state::kReleaseCount> releases;

  protected:
    void DoDataExchange(bool save) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnCommand(int id, int code) override;

  private:
    void LayOutOfferedReleases();
    void UpdateForward();
    void StoreChoices();
    void OnBack();
};

}  // namespace ui
