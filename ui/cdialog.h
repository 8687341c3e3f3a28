#pragma once
// A modal dialog of our framework. The page derives from it, overrides the handlers it needs and
// keeps its state in its members; DoDataExchange moves those members to and from the controls.
// The window itself belongs to the DialogRunner and exists only during DoModal.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog_host.h"
#include "ui/cwnd.h"

namespace ui {

constexpr int kIdOk = platform::kIdCommandOk;
constexpr int kIdCancel = platform::kIdCommandCancel;

class CDialog : public CWnd {
  public:
    // `runner` is not owned; it outlives the dialog.
    CDialog(int templateId,
            platform::DialogRunner& runner,
            platform::WindowHandle parent = platform::kNoWindow);
    ~CDialog() override;

    // Shows the dialog and returns the result it ended with (-1 when it could not be created).
    int DoModal();

    // Data exchange: save = true reads the controls into the members, false writes them.
    // False when the dialog is not on display.
    bool UpdateData(bool save);
    void EndDialog(int result);
    // The control `id` of the shown dialog, or nullptr when the dialog is not on display or has
    // no such control. The object lives as long as this dialog is shown.
    CWnd* GetDlgItem(int id);
    platform::WindowHandle GetSafeHwnd() const;
    int TemplateId() const { return templateId_; }

  protected:
    virtual void DoDataExchange(bool save) {}
    // Default: writes the controls; true gives the default focus.
    virtual bool OnInitDialog();
    // Default: reads the controls, then ends with kIdOk.
    virtual void OnOK();
    // Default: ends with kIdCancel.
    virtual void OnCancel();
    // The one command dispatch: the default routes kIdOk and kIdCancel clicks to OnOK and OnCancel.
    // Pages handle their own ids and pass the rest here.
    virtual void OnCommand(int id, int code);
    // The close box: as the cancel command.
    virtual void OnClose();
    // Default: black text on an opaque background with the system's brush.
    virtual platform::ControlColour OnCtlColor(int id);

    void DDX_Text(bool save, int id, std::string& value);
    void DDX_Check(bool save, int id, int& value);
    // Radio group from its first button: the index of the checked button, -1 when none is.
    void DDX_Radio(bool save, int firstId, int& value);
    // Attaches `control` to control `id` on the first exchange of each showing.
    void DDX_Control(bool save, int id, CWnd& control);

    // The shown window; only valid while the dialog is on display (from OnInitDialog on).
    platform::DialogWindow* Host() const { return window_; }

  private:
    class Events;
    void Opened(platform::DialogWindow& window);
    void Closed();

    int templateId_;
    platform::DialogRunner& runner_;
    platform::WindowHandle parent_;
    platform::DialogWindow* window_ = nullptr;    // not owned
    std::vector<CWnd*> attached_;                 // members attached by DDX_Control; not owned
    std::map<int, std::unique_ptr<CWnd>> items_;  // made by GetDlgItem for this showing
};

}  // namespace ui
