#include "ui/cdialog.h"

#include <algorithm>

namespace ui {

// Forwards the host's events to the dialog's handlers.
class CDialog::Events : public platform::DialogEvents {
  public:
    explicit Events(CDialog& dialog) : dialog_(dialog) {}

    bool OnInit(platform::DialogWindow& window) override {
        dialog_.Opened(window);
        return dialog_.OnInitDialog();
    }
    void OnCommand(int id, int code) override { dialog_.OnCommand(id, code); }
    void OnClose() override { dialog_.OnClose(); }
    platform::ControlColour OnControlColour(int id) override { return dialog_.OnCtlColor(id); }
    void OnDestroy() override { dialog_.Closed(); }

  private:
    CDialog& dialog_;
};

CDialog::CDialog(int templateId, platform::DialogRunner& runner, platform::WindowHandle parent)
    : templateId_(templateId), runner_(runner), parent_(parent) {}

CDialog::~CDialog() = default;

int CDialog::DoModal() {
    Events events(*this);
    int result = runner_.RunModal(templateId_, events, parent_);
    Closed();  // also when the runner could not create the window
    return result;
}

void CDialog::Opened(platform::DialogWindow& window) {
    window_ = &window;
    Attach(window, platform::kDialogItself);
}

void CDialog::Closed() {
    for (CWnd* control : attached_) {
        control->Detach();
    }
    attached_.clear();
    items_.clear();
    Detach();
    window_ = nullptr;
}

bool CDialog::UpdateData(bool save) {
    if (!window_) {
        return false;
    }
    DoDataExchange(save);
    return true;
}

void CDialog::EndDialog(int result) {
    if (window_) {
        window_->End(result);
    }
}

CWnd* CDialog::GetDlgItem(int id) {
    if (!window_ || !window_->HasControl(id)) {
        return nullptr;
    }
    std::unique_ptr<CWnd>& item = items_[id];
    if (!item) {
        item = std::make_unique<CWnd>();
        item->Attach(*window_, id);
    }
    return item.get();
}

platform::WindowHandle CDialog::GetSafeHwnd() const {
    return window_ ? window_->Handle() : platform::kNoWindow;
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (!UpdateData(true)) {
        return;
    }
    EndDialog(kIdOk);
}

void CDialog::OnCancel() {
    EndDialog(kIdCancel);
}

void CDialog::OnCommand(int id, int code) {
    if (code != platform::kBnClicked) {
        return;
    }
    if (id == kIdOk) {
        OnOK();
    } else if (id == kIdCancel) {
        OnCancel();
    }
}

void CDialog::OnClose() {
    OnCancel();
}

platform::ControlColour CDialog::OnCtlColor(int id) {
    return platform::ControlColour{};
}

void CDialog::DDX_Text(bool save, int id, std::string& value) {
    if (!window_) {
        return;
    }
    if (save) {
        value = window_->GetText(id);
    } else {
        window_->SetText(id, value);
    }
}

void CDialog::DDX_Check(bool save, int id, int& value) {
    if (!window_) {
        return;
    }
    if (save) {
        value = window_->GetCheck(id);
    } else {
        window_->SetCheck(id, value);
    }
}

void CDialog::DDX_Radio(bool save, int firstId, int& value) {
    if (!window_) {
        return;
    }
    std::vector<int> group = window_->RadioGroup(firstId);
    if (save) {
        value = -1;
        for (std::size_t index = 0; index < group.size(); ++index) {
            if (window_->GetCheck(group[index])) {
                value = static_cast<int>(index);
                break;
            }
        }
    } else {
        for (std::size_t index = 0; index < group.size(); ++index) {
            window_->SetCheck(group[index], static_cast<int>(index) == value ? 1 : 0);
        }
    }
}

void CDialog::DDX_Control(bool save, int id, CWnd& control) {
    if (!window_ || control.IsAttached()) {
        return;
    }
    control.Attach(*window_, id);
    if (std::find(attached_.begin(), attached_.end(), &control) == attached_.end()) {
        attached_.push_back(&control);
    }
}

}  // namespace ui
