#pragma once
// Page 1: the licence agreement in four screens, and the question whether the user agrees.
// 下一步 is available only while 同意 is selected.

#include <string>

#include "ui/page_frame.h"

namespace ui {

class Dlg_Page1 : public CPageFrame {
  public:
    explicit Dlg_Page1(WizardContext& context);

    int licenceScreen = 0;  // 0 to 3
    std::string licenceText;
    int agreeChoice = 0;  // radio group of 1008: 0 不同意, 1 同意, -1 none

  protected:
    void DoDataExchange(bool save) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnCommand(int id, int code) override;

  private:
    void ShowScreen();
    void OnAgreeClicked();
    void OnPreviousScreen();
    void OnNextScreen();
    void EnableForward();
};

}  // namespace ui
