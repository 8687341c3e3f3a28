#include "ui/page_frame.h"

namespace ui {

CPageFrame::CPageFrame(int templateId, WizardContext& context, int versionLabelId, int opaqueEditId)
    : CDialog(templateId, context.dialogs),
      context_(context),
      versionLabelId_(versionLabelId),
      opaqueEditId_(opaqueEditId) {}

void CPageFrame::InitFrame() {
    CDialog::OnInitDialog();
    backgroundBrush = Host()->CreateSolidBrush(kPageBackground);
    versionLabel = state::FormatVersionLabel(context_.options.productVersion, context_.options.buildBitness);
    Host()->SetSmallIcon(kProgramIconId);  // without it the page keeps the default icon
}

platform::ControlColour CPageFrame::OnCtlColor(int id) {
    platform::ControlColour colour;
    colour.textColour = kPageText;
    colour.transparentBackground = id != opaqueEditId_;
    if (id == versionLabelId_) {
        colour.labelFont = true;
        colour.textColour = kVersionLabelText;
    }
    colour.brush = backgroundBrush.get();
    return colour;
}

}  // namespace ui
