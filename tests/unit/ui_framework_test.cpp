// The dialog framework on the headless host: data exchange, command dispatch, how a run ends and
// what a user can and cannot click.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/headless_dialog_host.h"
#include "res/resource.h"
#include "ui/cdialog.h"
#include "ui/dialog_templates.h"

namespace {

using platform::memory::HeadlessDialog;
using platform::memory::HeadlessDialogRunner;

// A plain dialog on the licence template: one text, one radio group, one button of its own.
class ProbeDialog : public ui::CDialog {
  public:
    explicit ProbeDialog(HeadlessDialogRunner& runner, int templateId = IDD_PAGE1)
        : CDialog(templateId, runner) {}

    std::string text = "first";
    int choice = 1;
    std::vector<std::string> events;
    ui::CButton forward;

  protected:
    void DoDataExchange(bool save) override {
        DDX_Text(save, IDC_PAGE1_LICENCE, text);
        DDX_Radio(save, IDC_PAGE1_DISAGREE, choice);
        DDX_Control(save, IDC_FORWARD, forward);
    }
    bool OnInitDialog() override {
        events.push_back("init");
        return CDialog::OnInitDialog();
    }
    void OnOK() override {
        events.push_back("ok");
        CDialog::OnOK();
    }
    void OnCancel() override {
        events.push_back("cancel");
        CDialog::OnCancel();
    }
    void OnCommand(int id, int code) override {
        events.push_back("command " + std::to_string(id) + " " + std::to_string(code));
        CDialog::OnCommand(id, code);
    }
};

TEST(DialogFramework, InitWritesMembersIntoControls) {
    HeadlessDialogRunner runner{ui::FindDialogTemplate};
    ProbeDialog dialog(runner);
    std::string shownText;
    int agree = -1, disagree = -1;
    runner.Queue([&](HeadlessDialog& window) {
        shownText = window.GetText(IDC_PAGE1_LICENCE);
        agree = window.GetCheck(IDC_PAGE1_AGREE);
        disagree = window.GetCheck(IDC_PAGE1_DISAGREE);
        window.PressEscape();
    });
    dialog.DoModal();
    EXPECT_EQ(shownText, "first");
    EXPECT_EQ(agree, 1);
    EXPECT_EQ(disagree, 0);
}

TEST(DialogFramework, OkReadsControlsAndEndsWithOk) {
    HeadlessDialogRunner runner{ui::FindDialogTemplate};
    ProbeDialog dialog(runner);
    runner.Queue([](HeadlessDialog& window) {
        EXPECT_TRUE(window.Click(IDC_PAGE1_DISAGREE));
        window.SetText(IDC_PAGE1_LICENCE, "changed");
        EXPECT_TRUE(window.Click(IDC_FORWARD));
    });
    EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
    EXPECT_EQ(dialog.choice, 0);
    EXPECT_EQ(dialog.text, "changed");
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "command 1008 0", "command 1 0", "ok"}));
    EXPECT_EQ(runner.unscriptedCloses, 0);
}

TEST(DialogFramework, CancelAndCloseBoxEndWithCancelAndKeepMembers) {
    for (bool useCloseBox : {false, true}) {
        HeadlessDialogRunner runner{ui::FindDialogTemplate};
        ProbeDialog dialog(runner);
        runner.Queue([&](HeadlessDialog& window) {
            window.Click(IDC_PAGE1_DISAGREE);
            if (useCloseBox) {
                window.CloseWindow();
            } else {
                window.Click(IDC_CANCEL);
            }
        });
        EXPECT_EQ(dialog.DoModal(), ui::kIdCancel) << useCloseBox;
        EXPECT_EQ(dialog.choice, 1) << "a cancelled dialog does not read its controls";
        EXPECT_EQ(dialog.events.back(), "cancel");
    }
}

TEST(DialogFramework, RadioGroupReadsMinusOneWhenNothingIsSelected) {
    HeadlessDialogRunner runner{ui::FindDialogTemplate};
    ProbeDialog dialog(runner);
    dialog.choice = 5;  // no such button: the load clears the whole group
    runner.Queue([](HeadlessDialog& window) {
        EXPECT_EQ(window.GetCheck(IDC_PAGE1_AGREE), 0);
        EXPECT_EQ(window.GetCheck(IDC_PAGE1_DISAGREE), 0);
        window.Click(IDC_FORWARD);
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.choice, -1);
}

TEST(DialogFramework, RadioGroupSpansOnlyRadioButtonsUpToTheNextGroup) {
    HeadlessDialogRunner runner{ui::FindDialogTemplate};
    ProbeDialog dialog(runner);
    std::vector<int> group;
    runner.Queue([&](HeadlessDialog& window) {
        group = window.RadioGroup(IDC_PAGE1_DISAGREE);
        window.PressEscape();
    });
    dialog.DoModal();
    // The flat push buttons between the radios and the next group start are not part of it.
    EXPECT_EQ(group, (std::vector<int>{IDC_PAGE1_DISAGREE, IDC_PAGE1_AGREE}));
}

TEST(DialogFramework, AutomaticRadioClearsTheOtherButtonOfItsGroup) {
    HeadlessDialogRunner runner{ui::FindDialogTemplate};
    ProbeDialog dialog(runner);
    runner.Queue([](HeadlessDialog& window) {
        window.Click(IDC_PAGE1_DISAGREE);
        EXPECT_EQ(window.GetCheck(IDC_PAGE1_DISAGREE), 1);
        EXPECT_EQ(window.GetCheck(IDC_PAGE1_AGREE), 0);
        window.Click(IDC_PAGE1_AGREE);
        EXPECT_EQ(window.GetCheck(IDC_PAGE1_DISAGREE), 0);
        EXPECT_EQ(window.GetCheck(IDC_PAGE1_AGREE), 1);
        window.PressEscape();
    });
    dialog.DoModal();
}

TEST(DialogFramework, UserCannotClickDisabledHiddenOrStaticControls) {
    HeadlessDialogRunner runner{ui::FindDialogTemplate};
    ProbeDialog dialog(runner);
    std::vector<bool> accepted;
    runner.Queue([&](HeadlessDialog& window) {
        accepted.push_back(window.Click(IDC_BACK));  // disabled by its template
        window.Show(IDC_PAGE1_AGREE, false);
        accepted.push_back(window.Click(IDC_PAGE1_AGREE));
        accepted.push_back(window.Click(IDC_PAGE1_LICENCE));  // a static text takes no clicks
        accepted.push_back(window.Click(4711));               // no such control
        window.Enable(IDC_FORWARD, false);
        accepted.push_back(window.Click(IDC_FORWARD));
        window.PressEscape();
        accepted.push_back(window.Click(IDC_PAGE1_DISAGREE));  // the dialog has ended
    });
    dialog.DoModal();
    EXPECT_EQ(accepted, (std::vector<bool>{false, false, false, false, false, false}));
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "command 2 0", "cancel"}));
}

TEST(DialogFramework, PageLeftOpenByItsScriptIsClosedWithTheCloseBox) {
    HeadlessDialogRunner runner{ui::FindDialogTemplate};
    ProbeDialog dialog(runner);
    runner.Queue([](HeadlessDialog&) {});
    EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
    EXPECT_EQ(runner.unscriptedCloses, 1);
    EXPECT_EQ(runner.shownTemplates, (std::vector<int>{IDD_PAGE1}));
}

TEST(DialogFramework, MissingTemplateFailsWithoutInitialising) {
    HeadlessDialogRunner runner{ui::FindDialogTemplate};
    ProbeDialog dialog(runner, 999);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_TRUE(dialog.events.empty());
}

TEST(DialogFramework, ControlsAreDetachedWhenTheRunEnds) {
    HeadlessDialogRunner runner{ui::FindDialogTemplate};
    ProbeDialog dialog(runner);
    bool attachedDuringRun = false;
    ui::CWnd* missing = reinterpret_cast<ui::CWnd*>(1);
    runner.Queue([&](HeadlessDialog& window) {
        attachedDuringRun = dialog.forward.IsAttached() && dialog.forward.GetWindowText() == "下一步";
        missing = dialog.GetDlgItem(4711);
        window.PressEscape();
    });
    dialog.DoModal();
    EXPECT_TRUE(attachedDuringRun);
    EXPECT_EQ(missing, nullptr);
    EXPECT_FALSE(dialog.forward.IsAttached());
    EXPECT_EQ(dialog.forward.GetWindowText(), "");
    EXPECT_FALSE(dialog.UpdateData(true)) << "no exchange without a window";
    EXPECT_EQ(dialog.GetDlgItem(IDC_FORWARD), nullptr);
}

TEST(DialogFramework, TemplatePlacesBecomePixelsAsTheDialogManagerPlacesThem) {
    // 宋体 9 pt: 6 x 12 base units; position and size are scaled apart and rounded half up, so a
    // box's right edge is not always the scaled sum of its place and width.
    struct Case {
        platform::DialogUnits units;
        platform::Rect pixels;
    };
    const Case cases[] = {
        {{117, 194, 50, 14}, {176, 291, 251, 312}},
        {{15, 54, 74, 10}, {23, 81, 134, 96}},
        {{107, 73, 74, 10}, {161, 110, 272, 125}},
        {{0, 46, 285, 1}, {0, 69, 428, 71}},
    };
    for (const Case& each : cases) {
        EXPECT_EQ(platform::memory::DialogUnitsToPixels(each.units), each.pixels)
            << each.units.x << "," << each.units.y;
    }
}

}  // namespace
