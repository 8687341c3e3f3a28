#include "ui/dlg_page1.h"

#include <vector>

#include "res/resource.h"
#include "ui/licence_text.h"

namespace ui {

Dlg_Page1::Dlg_Page1(WizardContext& context) : CPageFrame(IDD_PAGE1, context, IDC_PAGE1_VERSION) {}

void Dlg_Page1::DoDataExchange(bool save) {
    DDX_Text(save, IDC_PAGE1_LICENCE, licenceText);
    DDX_Radio(save, IDC_PAGE1_DISAGREE, agreeChoice);
    DDX_Text(save, IDC_PAGE1_VERSION, versionLabel);
}

bool Dlg_Page1::OnInitDialog() {
    InitFrame();
    licenceScreen = 0;
    ShowScreen();
    agreeChoice = context_.options.agreeChoice;
    UpdateData(false);
    EnableForward();
    return true;
}

void Dlg_Page1::ShowScreen() {
    if (CWnd* previous = GetDlgItem(IDC_PAGE1_PREVIOUS_SCREEN)) {
        previous->EnableWindow(licenceScreen != 0);
    }
    if (CWnd* next = GetDlgItem(IDC_PAGE1_NEXT_SCREEN)) {
        next->EnableWindow(licenceScreen != kLicenceScreenCount - 1);
    }
    if (licenceScreen >= 0 && licenceScreen < kLicenceScreenCount) {
        std::vector<std::string> pieces = LicenceScreenPieces(licenceScreen);
        licenceText.clear();
        for (const std::string& piece : pieces) {
            licenceText += piece;
        }
    }
    UpdateData(false);
}

void Dlg_Page1::EnableForward() {
    if (CWnd* forward = GetDlgItem(IDC_FORWARD)) {
        forward->EnableWindow(agreeChoice != 0);
    }
}

void Dlg_Page1::OnCommand(int id, int code) {
    if (code == platform::kBnClicked) {
        switch (id) {
            case IDC_PAGE1_DISAGREE:
            case IDC_PAGE1_AGREE:
                OnAgreeClicked();
                return;
            case IDC_PAGE1_PREVIOUS_SCREEN:
                OnPreviousScreen();
                return;
            case IDC_PAGE1_NEXT_SCREEN:
                OnNextScreen();
                return;
            default:
                break;
        }
    }
    CPageFrame::OnCommand(id, code);
}

void Dlg_Page1::OnAgreeClicked() {
    UpdateData(true);
    EnableForward();
}

void Dlg_Page1::OnPreviousScreen() {
    --licenceScreen;
    ShowScreen();
}

void Dlg_Page1::OnNextScreen() {
    ++licenceScreen;
    ShowScreen();
}

void Dlg_Page1::OnOK() {
    context_.options.agreeChoice = agreeChoice;
    nextPage = 2;
    CPageFrame::OnOK();
}

void Dlg_Page1::OnCancel() {
    nextPage = 0;
    CPageFrame::OnCancel();
}

}  // namespace ui
