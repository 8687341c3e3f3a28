#include "install/install_action.h"

#include <optional>
#include <string>
#include <vector>

#include "files/file_transaction.h"
#include "files/folder_listing.h"
#include "files/held_path.h"
#include "files/recovery.h"
#include "install/bounded_progress.h"
#include "install/deploy/config_keeper.h"
#include "install/deploy/held_source.h"
#include "install/deploy/product_deployer.h"
#include "install/record/active_setup.h"
#include "install/record/install_root.h"
#include "install/record/locations.h"
#include "install/record/pending_install.h"
#include "install/record/product_layout.h"
#include "install/record/setup_folder.h"
#include "install/record/still_registered.h"
#include "install/uninstall_setup.h"
#include "platform/scope_exit.h"
#include "platform/text936.h"

namespace install {

using files::HeldPath;

namespace {

constexpr char kCloseAcadText[] = "请关闭AutoCAD后再进行安装 !";
constexpr char kSetupCaption[] = "Brelix软件安装";
constexpr char kDoneText[] = "安装完成，重启AutoCAD即可使用 !";
constexpr char kDoneCaption[] = "Brelix安装";
constexpr char kProblemsHead[] = "安装已结束，但以下各项没有完成：\n\n";
constexpr char kProblemsTail[] = "\n\n请排除上述问题后重新安装。";
constexpr char kNotFullPathText[] =
    "安装路径必须是完整路径，例如 C:\\Brelix 或 \\\\服务器\\共享\\Brelix ！\n\n请重新选择安装路径。";
constexpr char kTooLongText[] = "安装路径太长 !\n\n请选择一个较短的安装路径。";
constexpr char kRootNotMadeBefore[] = "无法创建安装目录 ";
constexpr char kRootNotMadeAfter[] = " !\n\n请确认磁盘存在并且可以写入，或选择其他安装路径。";
constexpr char kNotSavedBefore[] = "无法保存您要保留的文件：\n\n";
constexpr char kNotSavedAfter[] = "\n\n为避免丢失您的配置，安装已停止，没有做任何更改。";
constexpr char kSwapJournalUnreadBefore[] = "无法处理上次中断的安装留下的记录 ";
constexpr char kSwapJournalUnreadAfter[] =
    " !\n\n为避免丢失上次安装的文件，安装已停止，没有做任何更改。请稍后重新安装。";
constexpr char kRecordUnreadableText[] =
    "无法读取上次安装的位置，您要保留的配置无法保存 !\n\n为避免丢失您的配置，安装已停止，没有做任何更改。";
constexpr char kLinkInRootBefore[] = "安装路径中的 ";
constexpr char kLinkInRootAfter[] =
    " 是一个链接（重解析点），安装的文件可能被写到其他位置 !\n\n为安全起见，安装已停止，没有做任何更改。"
    "请选择其他安装路径。";
constexpr char kNotHeldBefore[] = "无法锁定安装路径中的 ";
constexpr char kNotHeldAfter[] =
    " ，安装的文件可能被写到其他位置 !\n\n为安全起见，安装已停止，没有做任何更改。请选择其他安装路径。";
constexpr char kSourceNotHeldBefore[] = "安装来源 ";
constexpr char kSourceNotHeldAfter[] =
    " 是一个链接（重解析点），或不在安装程序旁，或无法锁定，其中的文件可能来自其他位置 !\n\n"
    "为安全起见，安装已停止，没有做任何更改。";
constexpr char kAbortedText[] = "安装已中止。\n\n已恢复原有的文件，没有做任何更改。";
constexpr char kRolledBackBefore[] = "无法完成安装：\n\n";
constexpr char kRolledBackAfter[] = "\n\n已恢复原有的文件，没有做任何更改。";
constexpr char kLogFailedText[] = "\n\n注意：安装日志无法写入。";

constexpr int kProgressMaximum = 50;

void Tell(InstallContext& context, InstallPage& page, const std::string& text) {
    context.services.prompts.Show(page.Window(), text, kSetupCaption,
                                  platform::kMbOk | platform::kMbIconExclamation);
}

// False (with its message shown) when the root cannot be installed into.
bool AcceptRoot(InstallContext& context, InstallPage& page, const std::string& root) {
    switch (CheckInstallRoot(root)) {
        case RootCheck::Good:
            return true;
        case RootCheck::NotFullPath:
            Tell(context, page, kNotFullPathText);
            break;
        case RootCheck::TooLong:
            Tell(context, page, kTooLongText);
            break;
    }
    context.journal.Note("安装路径无效：" + root);
    return false;
}

// Stops before anything was changed; the page stays.
bool StopUnchanged(InstallContext& context, InstallPage& page, const std::string& text) {
    page.Progress().SetPos(0);
    Tell(context, page, text);
    context.journal.SetOutcome(state::InstallOutcome::Stopped);
    return false;
}

// A level of the root that cannot be held or is a link: stops before anything changes.
bool StopAtLevel(InstallContext& context,
                 InstallPage& page,
                 const HeldPath& held,
                 HeldPath::Result result,
                 const std::string& root) {
    const std::string& level = held.FailedLevel();
    if (result == HeldPath::Result::Link) {
        context.journal.Note("安装路径中的 " + level + " 是链接，安装已停止");
        return StopUnchanged(context, page, kLinkInRootBefore + level + kLinkInRootAfter);
    }
    const auto attributes = context.services.files.GetAttributes(level);
    if (!attributes || !(*attributes & platform::kAttrDirectory)) {
        context.journal.Note("无法创建 " + level + "，安装已停止");
        return StopUnchanged(context, page, kRootNotMadeBefore + root + kRootNotMadeAfter);
    }
    context.journal.Note("无法锁定安装路径中的 " + level + "，安装已停止");
    return StopUnchanged(context, page, kNotHeldBefore + level + kNotHeldAfter);
}

// Undoes the staging (or a swap that failed, already undone); the folders made for it go as the run
// ends: the product folder is as before. The wizard ends, as after an abort.
bool RollBack(InstallContext& context,
              InstallPage& page,
              files::FileTransaction& transaction,
              const std::string& text) {
    transaction.Rollback();
    context.journal.Note("安装没有完成，已恢复原有的文件，没有做任何更改");
    page.Progress().SetPos(0);
    Tell(context, page, text);
    context.journal.SetOutcome(state::InstallOutcome::Stopped);
    page.CancelPage();
    return false;
}

// A seed for the staged names that differs from run to run.
unsigned StagingSeed(platform::Environment& environment) {
    const platform::UtcTime now = environment.Now();
    return static_cast<unsigned>(((now.day * 24 + now.hour) * 60 + now.minute) * 60000 + now.second * 1000 +
                                 now.millisecond);
}

}  // namespace

void OnInstallButton(InstallContext& context, InstallPage& page) {
    state::InstallOptions& options = context.options;
    if (options.acadCheckPending && IsAcadRunning(context.services.processes)) {
        context.services.prompts.Show(page.Window(), kCloseAcadText, kSetupCaption, platform::kMbOk);
        options.acadCheckPending = false;
        context.journal.SetOutcome(state::InstallOutcome::AcadRunning);
        return;
    }

    page.ReadControls();
    // The journal lives for the whole run: only what this press reported counts here.
    const std::size_t earlierProblems = context.journal.Problems().size();
    if (!InstallProduct(context, page))
        return;
    const std::vector<std::string> problems(context.journal.Problems().begin() + earlierProblems,
                                            context.journal.Problems().end());

    options.installRoot = CanonicalRoot(page.InstallPath()).value_or(page.InstallPath());
    options.keepConfig = page.KeepConfig();
    options.keepSettings = page.KeepSettings();
    options.keepSectionLibrary = page.KeepSectionLibrary();
    options.keepDrawingLibrary = page.KeepDrawingLibrary();

    if (!problems.empty()) {
        context.journal.SetOutcome(state::InstallOutcome::InstalledWithProblems);
        std::string text = kProblemsHead + state::SummariseProblems(problems) + kProblemsTail;
        for (const std::string& line : context.journal.StillRegistered())
            text += "\n\n" + line;
        if (context.journal.LogFailed())
            text += kLogFailedText;
        context.services.prompts.Show(page.Window(), text, kDoneCaption,
                                      platform::kMbOk | platform::kMbIconExclamation);
    } else {
        context.journal.SetOutcome(state::InstallOutcome::Installed);
        std::string done = kDoneText;
        for (const std::string& line : context.journal.StillRegistered())
            done += "\n\n" + line;
        if (context.journal.LogFailed())
            done += kLogFailedText;
        context.services.prompts.Show(page.Window(), done, kDoneCaption, platform::kMbOk);
    }
    page.CloseAfterInstall();
}

bool InstallProduct(InstallContext& context, InstallPage& page) {
    platform::Services& services = context.services;
    state::InstallJournal& journal = context.journal;
    if (!AcceptRoot(context, page, page.InstallPath())) {
        journal.SetOutcome(state::InstallOutcome::InvalidRoot);
        return false;
    }
    // "C:\CAD Tools\\" is "C:\CAD Tools" everywhere from here on.
    const std::string installPath = *CanonicalRoot(page.InstallPath());
    const std::string productFolder = ProductFolderOf(installPath);
    const std::string libraryFolder = JoinPath(productFolder, kDrawingLibraryName);
    std::vector<std::string> levels = RootLevels(installPath);
    levels.insert(levels.end(),
                  {productFolder, JoinPath(productFolder, kEmptyTempFolderName), libraryFolder});

    // Every level is held from here to the end, so that nobody can put a link in the place of one
    // while the run writes below it. What exists is held now; what is missing, once it is made.
    HeldPath held(services.files);
    if (const auto result = held.Hold(levels, false);
        result != HeldPath::Result::Held && result != HeldPath::Result::Missing)
        return StopAtLevel(context, page, held, result, installPath);

    std::string source;
    if (!LocateSourceFolder(services, source)) {
        journal.Note("未找到安装所需的Data文件夹");
        journal.SetOutcome(state::InstallOutcome::SourceMissing);
        return false;
    }
    journal.Note("安装来源：" + source + "，安装路径：" + installPath);
    // Held, with its drawing library, till the run ends, and read only through checked handles:
    // whoever runs the download may change anything in its folder.
    HeldSource heldSource(services.files);
    if (heldSource.Hold(source) != HeldSource::Result::Held) {
        journal.Note("安装来源 " + heldSource.FailedLevel() +
                     " 是链接、不在安装程序旁或无法锁定，安装已停止");
        return StopUnchanged(context, page,
                             kSourceNotHeldBefore + heldSource.FailedLevel() + kSourceNotHeldAfter);
    }

    // The walks visit every entry; the bar stops full rather than wrap round.
    BoundedProgress progress(page.Progress());
    progress.SetRange(0, kProgressMaximum);
    progress.SetStep(1);
    progress.SetPos(0);

    ConfigKeeper keeper(services, installPath, journal);
    keeper.keepSettings = page.KeepSettings();
    keeper.keepSectionLibrary = page.KeepSectionLibrary();
    keeper.keepDrawingLibrary = page.KeepDrawingLibrary();
    keeper.source = &heldSource;
    // The product folder the registry named before this installation records the new one.
    const std::string previousFolder = keeper.ReadPreviousFolder() ? keeper.previousFolder : std::string();
    if (previousFolder.empty() && keeper.ProductFolderHoldsKeptKinds()) {
        // Keeping was asked for, but without the record the files to keep cannot be known.
        journal.Note("无法读取上次安装的位置 " + RecordKeyDisplayName(services.registry) + "，安装已停止");
        return StopUnchanged(context, page, kRecordUnreadableText);
    }
    if (previousFolder.empty()) {
        // No previous installation: nothing to keep.
        keeper.keepSettings = keeper.keepSectionLibrary = keeper.keepDrawingLibrary = 0;
    }

    // From the first change on, the registry says where this run works, till it ends: cut off before
    // its record, what it left is found there. Folders made for a run that stops go again.
    PendingInstallation pending(services.registry, productFolder);
    bool madeJournalFolder = false;
    std::optional<std::string> journalFolder;
    platform::ScopeExit removeMadeFolders([&] {
        held.RemoveWhatWasMade();
        if (madeJournalFolder)
            RemoveMadeSetupFolder(services.files, *journalFolder);
    });
    if (const auto result = held.Hold(levels, true); result != HeldPath::Result::Held)
        return StopAtLevel(context, page, held, result, installPath);
    // The swap's journal goes where only administrators write.
    journalFolder =
        EnsureSetupFolder(services.files, services.registry, services.environment, madeJournalFolder);
    if (!journalFolder) {
        journal.Note("无法创建安装程序文件夹，安装已停止");
        return StopUnchanged(context, page,
                             kRolledBackBefore + std::string("无法创建安装程序文件夹") + kRolledBackAfter);
    }
    // What a run cut off part way left here is finished or undone before this one begins.
    std::string unread;
    std::vector<files::RecordedFile> unrecorded = files::RecoverEarlierSwap(
        services.files, services.environment, journal,
        {SetupFolders(services.registry, services.environment), productFolder, libraryFolder, true},
        files::Recovery::FinishOrUndo, &unread);
    // This run's own journal would take the place of one that could not be read, and what it names.
    if (!unread.empty()) {
        journal.Note("无法处理 " + unread + "，安装已停止");
        return StopUnchanged(context, page, kSwapJournalUnreadBefore + unread + kSwapJournalUnreadAfter);
    }
    // Files such a run put in place go into this run's record too, even those it no longer ships.
    for (const files::RecordedFile& file : unrecorded)
        journal.FileInstalled(state::InstalledFile{JoinPath(productFolder, file.path), file.size, file.crc});

    files::FileTransaction transaction(services.files, services.environment, journal,
                                       {productFolder, libraryFolder, *journalFolder}, std::move(unrecorded));
    if (const files::FileResult begun = transaction.Begin(StagingSeed(services.environment)); !begun) {
        journal.Note(begun.Why() + "，安装已停止");
        return StopUnchanged(context, page, kRolledBackBefore + begun.Words() + kRolledBackAfter);
    }
    if (!keeper.PrepareKeptFiles(transaction)) {
        journal.Note("无法保留文件 " + keeper.unsavedFile + "，安装已停止");
        transaction.Rollback();
        return StopUnchanged(context, page, kNotSavedBefore + keeper.unsavedFile + kNotSavedAfter);
    }
    if (!previousFolder.empty())
        progress.StepIt();

    ProductDeployer deployer(services, installPath, progress, journal);
    deployer.heldSource = &heldSource;
    deployer.transaction = &transaction;
    deployer.keeper = &keeper;
    const bool staged = deployer.DeployProductFiles() && deployer.DeployDrawingLibrary();
    if (!staged) {
        const std::string text = deployer.failedFile.empty()
                                     ? std::string(kAbortedText)
                                     : kRolledBackBefore + deployer.failedFile + "（" +
                                           deployer.failureReason + "）" + kRolledBackAfter;
        return RollBack(context, page, transaction, text);
    }
    progress.StepIt();
    if (const files::FileResult put = deployer.PutInPlace(); !put) {
        return RollBack(context, page, transaction,
                        kRolledBackBefore + put.Path() + "（" + put.Why() + "）" + kRolledBackAfter);
    }
    removeMadeFolders.release();
    transaction.DeleteBackups();

    context.inventory.targetRoot = text936::WithoutTrailingBackslash(installPath);
    const std::size_t problemsBefore = journal.Problems().size();
    context.inventory.RegisterReleases(services, context.options.releaseChosen, journal);
    // What earlier installations registered stays until the uninstall; say what still loads from there.
    journal.SetStillRegistered(StillRegisteredFromBefore(services, journal, ProductFolderOf(installPath)));
    for (const std::string& line : journal.StillRegistered())
        journal.Note(line);
    // Every user of the machine gets the per-user steps at logon; this account has had them now,
    // unless one of them failed. What runs in every user's logon goes where only administrators write.
    const std::optional<std::string> setupFolder = MakeSetupFolder(context);
    if (setupFolder)
        RegisterActiveSetup(services, *setupFolder, journal.Problems().size() == problemsBefore, journal);
    progress.StepIt();
    context.inventory.DeployFonts(
        services, source,
        [&heldSource](const std::string& name) { return heldSource.Open(heldSource.Folder(), name); },
        context.options.releaseChosen, journal);
    progress.StepIt();
    progress.StepIt();

    keeper.RecordProductFolder();
    const bool recorded = setupFolder && PrepareUninstall(context, productFolder, *setupFolder);
    // Only now does the record describe the new files; till here the swap's journal did, and without
    // a record it goes on doing so, with the mark naming the folder.
    if (recorded) {
        transaction.OnRecordWritten();
        if (!pending.Unmark())
            journal.Problem("未能删除 " + RecordKeyDisplayName(services.registry) + " " + kPendingValueName);
    } else {
        pending.Keep();
    }
    progress.SetPos(kProgressMaximum);
    context.journal.SetOutcome(context.journal.HasProblems() ? state::InstallOutcome::InstalledWithProblems
                                                             : state::InstallOutcome::Installed);
    return true;
}

}  // namespace install
