#pragma once
// Page 3: the installation root, which parts of an earlier installation's configuration to keep,
// the progress bar, and the install button.

#include <string>

#include "install/install_page.h"
#include "ui/page_frame.h"

namespace ui {

class Dlg_Page3 : public CPageFrame, public install::InstallPage {
  public:
    explicit Dlg_Page3(WizardContext& context);

    CProgressCtrl progress;  // attached by the first data exchange; the installation drives it
    std::string installPath;
    int keepConfig = 1;
    int keepSettings = 1;
    int keepSectionLibrary = 1;
    int keepDrawingLibrary = 1;
    std::string subtitle;

    // install::InstallPage
    void ReadControls() override;
    std::string InstallPath() const override { return installPath; }
    int KeepConfig() const override { return keepConfig; }
    int KeepSettings() const override { return keepSettings; }
    int KeepSectionLibrary() const override { return keepSectionLibrary; }
    int KeepDrawingLibrary() const override { return keepDrawingLibrary; }
    platform::ProgressBar& Progress() override { return progress.Bar(); }
    platform::WindowHandle Window() const override { return GetSafeHwnd(); }
    void CancelPage() override;
    void CloseAfterInstall() override;

  protected:
    void DoDataExchange(bool save) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnCommand(int id, int code) override;

  private:
    // Whether an earlier installation left a configuration worth offering to keep.
    bool PreviousConfigExists();
    void Refresh();
    void EnableKeepParts(bool enable);
    void OnKeepConfigClicked();
    void OnBrowse();
    void OnBack();
};

}  // namespace ui
