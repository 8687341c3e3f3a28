#include "ui/cwnd.h"

namespace ui {

void CWnd::Attach(platform::DialogWindow& dialog, int id) {
    dialog_ = &dialog;
    id_ = id;
}

void CWnd::Detach() {
    dialog_ = nullptr;
}

std::string CWnd::GetWindowText() const {
    return dialog_ ? dialog_->GetText(id_) : std::string();
}

void CWnd::SetWindowText(const std::string& text) {
    if (dialog_) {
        dialog_->SetText(id_, text);
    }
}

bool CWnd::IsWindowEnabled() const {
    return dialog_ && dialog_->IsEnabled(id_);
}

void CWnd::EnableWindow(bool enable) {
    if (dialog_) {
        dialog_->Enable(id_, enable);
    }
}

bool CWnd::IsWindowVisible() const {
    return dialog_ && dialog_->IsVisible(id_);
}

void CWnd::ShowWindow(bool show) {
    if (dialog_) {
        dialog_->Show(id_, show);
    }
}

platform::Rect CWnd::GetRectInParent() const {
    return dialog_ ? dialog_->GetRect(id_) : platform::Rect{};
}

void CWnd::MoveWindow(const platform::Rect& place, bool repaint) {
    if (dialog_) {
        dialog_->Move(id_, place, repaint);
    }
}

int CButton::GetCheck() const {
    return dialog_ ? dialog_->GetCheck(id_) : 0;
}

void CButton::SetCheck(int state) {
    if (dialog_) {
        dialog_->SetCheck(id_, state);
    }
}

namespace {

class DetachedProgressBar : public platform::ProgressBar {
  public:
    void SetRange(int, int) override {}
    void SetStep(int) override {}
    void SetPos(int) override {}
    void StepIt() override {}
};

}  // namespace

platform::ProgressBar& CProgressCtrl::Bar() {
    static DetachedProgressBar detached;
    platform::ProgressBar* bar = dialog_ ? dialog_->Progress(id_) : nullptr;
    return bar ? *bar : detached;
}

}  // namespace ui
