#pragma once
// The window classes of our small dialog framework: a control of a shown dialog, addressed by its
// id through platform::DialogWindow. A CWnd that is not attached ignores every call and reads as
// empty, so a page never touches a dialog that has gone away.

#include <string>

#include "platform/dialog_host.h"

namespace ui {

class CObject {
  public:
    virtual ~CObject() = default;
};

class CCmdTarget : public CObject {};

class CWnd : public CCmdTarget {
  public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Binds this object to control `id` of `dialog`. The dialog must outlive the attachment.
    void Attach(platform::DialogWindow& dialog, int id);
    void Detach();
    bool IsAttached() const { return dialog_ != nullptr; }
    int GetDlgCtrlID() const { return id_; }

    std::string GetWindowText() const;
    void SetWindowText(const std::string& text);
    bool IsWindowEnabled() const;
    void EnableWindow(bool enable);
    bool IsWindowVisible() const;
    void ShowWindow(bool show);
    // The control's window rectangle in the client coordinates of its dialog.
    platform::Rect GetRectInParent() const;
    void MoveWindow(const platform::Rect& place, bool repaint = true);

  protected:
    platform::DialogWindow* dialog_ = nullptr;  // not owned
    int id_ = 0;
};

class CButton : public CWnd {
  public:
    int GetCheck() const;
    void SetCheck(int state);
};

class CProgressCtrl : public CWnd {
  public:
    // The attached progress control; a bar that ignores every call while unattached.
    platform::ProgressBar& Bar();
};

}  // namespace ui
