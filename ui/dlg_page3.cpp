#include "ui/dlg_page3.h"

#include "install/deploy/config_keeper.h"
#include "install/install_action.h"
#include "res/resource.h"
#include "ui/path_dialog.h"

namespace ui {
namespace {

constexpr char kSubtitleWithKeep[] = "请选择是否保留配置及安装路径：";
constexpr char kSubtitlePathOnly[] = "请选择安装路径：";
constexpr char kPickerCaption[] = "请选择安装目录：";

}  // namespace

Dlg_Page3::Dlg_Page3(WizardContext& context)
    : CPageFrame(IDD_PAGE3, context, IDC_PAGE3_VERSION, IDC_PAGE3_PATH) {}

void Dlg_Page3::DoDataExchange(bool save) {
    DDX_Control(save, IDC_PAGE3_PROGRESS, progress);
    DDX_Text(save, IDC_PAGE3_PATH, installPath);
    DDX_Check(save, IDC_PAGE3_KEEP_CONFIG, keepConfig);
    DDX_Check(save, IDC_PAGE3_KEEP_SETTINGS, keepSettings);
    DDX_Check(save, IDC_PAGE3_KEEP_SECTION_LIBRARY, keepSectionLibrary);
    DDX_Check(save, IDC_PAGE3_KEEP_DRAWING_LIBRARY, keepDrawingLibrary);
    DDX_Text(save, IDC_PAGE3_VERSION, versionLabel);
    DDX_Text(save, IDC_PAGE3_SUBTITLE, subtitle);
}

bool Dlg_Page3::OnInitDialog() {
    InitFrame();
    subtitle = kSubtitleWithKeep;
    const state::InstallOptions& options = context_.options;
    installPath = options.installRoot;
    keepConfig = options.keepConfig;
    keepSettings = options.keepSettings;
    keepSectionLibrary = options.keepSectionLibrary;
    keepDrawingLibrary = options.keepDrawingLibrary;
    if (!PreviousConfigExists()) {
        subtitle = kSubtitlePathOnly;
        for (int id : {IDC_PAGE3_KEEP_CONFIG, IDC_PAGE3_KEEP_SETTINGS, IDC_PAGE3_KEEP_SECTION_LIBRARY,
                       IDC_PAGE3_KEEP_DRAWING_LIBRARY}) {
            if (CWnd* box = GetDlgItem(id)) {
                box->EnableWindow(false);
            }
        }
        keepConfig = keepSettings = keepSectionLibrary = keepDrawingLibrary = 0;
    }
    UpdateData(false);
    Refresh();
    return true;
}

bool Dlg_Page3::PreviousConfigExists() {
    // An empty root names no product folder, so there is nothing to compare with: offer nothing.
    if (installPath.empty()) {
        return false;
    }
    install::ConfigKeeper keeper(context_.services, installPath);
    return keeper.HasPreviousConfig();
}

void Dlg_Page3::EnableKeepParts(bool enable) {
    for (int id : {IDC_PAGE3_KEEP_SETTINGS, IDC_PAGE3_KEEP_SECTION_LIBRARY, IDC_PAGE3_KEEP_DRAWING_LIBRARY}) {
        if (CWnd* box = GetDlgItem(id)) {
            box->EnableWindow(enable);
        }
    }
}

void Dlg_Page3::Refresh() {
    UpdateData(true);
    if (CWnd* install = GetDlgItem(IDC_FORWARD)) {
        install->EnableWindow(true);
    }
    if (keepSettings == 0 && keepSectionLibrary == 0 && keepDrawingLibrary == 0) {
        keepConfig = 0;
        UpdateData(false);
    }
    EnableKeepParts(keepConfig != 0);
}

void Dlg_Page3::OnCommand(int id, int code) {
    if (code == platform::kBnClicked) {
        switch (id) {
            case IDC_PAGE3_KEEP_CONFIG:
                OnKeepConfigClicked();
                return;
            case IDC_PAGE3_KEEP_SETTINGS:
            case IDC_PAGE3_KEEP_SECTION_LIBRARY:
            case IDC_PAGE3_KEEP_DRAWING_LIBRARY:
                Refresh();
                return;
            case IDC_PAGE3_BROWSE:
                OnBrowse();
                return;
            case IDC_BACK:
                OnBack();
                return;
            default:
                break;
        }
    }
    CPageFrame::OnCommand(id, code);
}

void Dlg_Page3::OnKeepConfigClicked() {
    UpdateData(true);
    const int parts = keepConfig != 0 ? 1 : 0;
    keepSettings = keepSectionLibrary = keepDrawingLibrary = parts;
    UpdateData(false);
    Refresh();
}

void Dlg_Page3::OnBrowse() {
    UpdateData(true);
    PickerServices services{context_.folderBrowser, context_.services.files, context_.services.prompts};
    const std::string initialFolder = installPath;
    CPathDialog picker(services, kPickerCaption, kPickerCaption, initialFolder.c_str());
    if (picker.RunModal() == 1) {
        installPath = picker.ChosenPath();
        UpdateData(false);
    }
    Refresh();
}

void Dlg_Page3::OnBack() {
    UpdateData(true);
    state::InstallOptions& options = context_.options;
    options.installRoot = installPath;
    options.keepConfig = keepConfig;
    options.keepSettings = keepSettings;
    options.keepSectionLibrary = keepSectionLibrary;
    options.keepDrawingLibrary = keepDrawingLibrary;
    nextPage = 2;
    CPageFrame::OnOK();
}

void Dlg_Page3::OnOK() {
    install::InstallContext install{context_.services, context_.options, context_.inventory,
                                    context_.journal};
    install::OnInstallButton(install, *this);
}

void Dlg_Page3::ReadControls() {
    UpdateData(true);
}

void Dlg_Page3::CancelPage() {
    OnCancel();
}

void Dlg_Page3::CloseAfterInstall() {
    nextPage = 0;
    CPageFrame::OnOK();
}

void Dlg_Page3::OnCancel() {
    nextPage = 0;
    CPageFrame::OnCancel();
}

}  // namespace ui
