#include "install/install_action.h"

#include "install/config_keeper.h"
#include "install/locations.h"
#include "install/product_deployer.h"
#include "install/product_layout.h"
#include "install/uninstall_setup.h"
#include "platform/text936.h"

namespace install {

namespace {

constexpr char kCloseAcadText[] = "请关闭AutoCAD后再进行安装 !";
constexpr char kCloseAcadCaption[] = "Brelix软件安装";
constexpr char kDoneText[] = "安装完成，重启AutoCAD即可使用 !";
constexpr char kDoneCaption[] = "Brelix安装";

constexpr int kProgressMaximum = 50;

}  // namespace

void OnInstallButton(InstallContext& context, InstallPage& page) {
    app::InstallOptions& options = context.options;
    if (options.acadCheckPending && IsAcadRunning(context.services.processes)) {
        context.services.prompts.Show(page.Window(), kCloseAcadText, kCloseAcadCaption, platform::kMbOk);
        options.acadCheckPending = false;
        return;
    }

    page.ReadControls();
    if (!InstallProduct(context, page))
        return;

    options.installRoot = page.InstallPath();
    options.keepConfig = page.KeepConfig();
    options.keepSettings = page.KeepSettings();
    options.keepSectionLibrary = page.KeepSectionLibrary();
    options.keepDrawingLibrary = page.KeepDrawingLibrary();

    context.services.prompts.Show(page.Window(), kDoneText, kDoneCaption, platform::kMbOk);
    page.CloseAfterInstall();
}

bool InstallProduct(InstallContext& context, InstallPage& page) {
    platform::Services& services = context.services;
    const std::string installPath = page.InstallPath();
    // Nothing can be built on an empty root: every path would hang off the drive's current folder.
    if (installPath.empty())
        return false;

    std::string source;
    if (!LocateSourceFolder(services, source))
        return false;

    platform::ProgressBar& progress = page.Progress();
    progress.SetRange(0, kProgressMaximum);
    progress.SetStep(1);
    progress.SetPos(0);

    // One level only, from the root as typed; it may exist already or lack its parent.
    if (text936::FitsBuffer(installPath, kPathBufferSize))
        services.files.CreateDirectory(installPath);

    ConfigKeeper keeper(services, installPath);
    if (keeper.ReadPreviousFolder()) {
        keeper.keepSettings = page.KeepSettings();
        keeper.keepSectionLibrary = page.KeepSectionLibrary();
        keeper.keepDrawingLibrary = page.KeepDrawingLibrary();
        keeper.BackupConfig();
        progress.StepIt();
    }

    ProductDeployer deployer(services, installPath, progress);
    deployer.journal = &context.journal;
    if (!deployer.DeployProductFiles()) {
        keeper.RestoreConfig();
        page.CancelPage();
        return false;
    }

    deployer.DeployDrawingLibrary();
    progress.StepIt();

    context.inventory.targetRoot = text936::WithoutTrailingBackslash(installPath);
    context.inventory.RegisterReleases(services, context.options.releaseChosen, &context.journal);
    progress.StepIt();
    context.inventory.DeployFonts(services, context.options.releaseChosen, &context.journal);
    progress.StepIt();

    keeper.RestoreConfig();
    progress.StepIt();

    keeper.RecordProductFolder();
    PrepareUninstall(context, ProductFolderOf(installPath), source);
    progress.SetPos(kProgressMaximum);
    return true;
}

}  // namespace install
