#pragma once
// What the three wizard pages share: the background brush, the version label, the small icon,
// the control colours and the number of the page to show next.

#include <memory>
#include <string>

#include "platform/dialog_host.h"
#include "ui/cdialog.h"
#include "ui/wizard_context.h"
#include "ui/wizard_page.h"

namespace ui {

constexpr platform::Colour kPageBackground = platform::MakeColour(160, 180, 220);
constexpr platform::Colour kPageText = platform::MakeColour(0, 0, 0);
constexpr platform::Colour kVersionLabelText = platform::MakeColour(10, 70, 40);
constexpr int kProgramIconId = 1;
// No control of the templates has this id (controls without one carry -1).
constexpr int kNoOpaqueControl = -0x10000;

class CPageFrame : public CDialog, public ui::WizardPage {
  public:
    // `versionLabelId` is drawn in the label font; `opaqueEditId` keeps an opaque text
    // background.
    CPageFrame(int templateId,
               WizardContext& context,
               int versionLabelId,
               int opaqueEditId = kNoOpaqueControl);

    int RunModal() override { return DoModal(); }
    int NextPage() const override { return nextPage; }

    // 0 ends the wizard; set before the page closes.
    int nextPage = 0;

  protected:
    // The first steps of every page's initialisation: the default initialisation, the brush, the
    // version label member and the small icon.
    void InitFrame();
    platform::ControlColour OnCtlColor(int id) override;

    WizardContext& context_;
    std::unique_ptr<platform::Brush> backgroundBrush;  // made at initialisation, released with the page
    std::string versionLabel;

  private:
    int versionLabelId_;
    int opaqueEditId_;
};

}  // namespace ui
