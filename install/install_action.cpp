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
#include "install/record/installed_version.h"
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
constexpr char kUninstallNotPrepared[] = "无法在安装程序文件夹中写入卸载程序或安装记录：";
constexpr char kLogFailedText[] = "\n\n注意：安装日志无法写入。";
constexpr char kDowngradeBefore[] = "本机已安装 Brelix结构工具箱 V";
constexpr char kDowngradeMiddle[] = "，比本安装程序的 V";
constexpr char kDowngradeAfter[] =
    " 更新。\n\n安装较旧的版本会用旧版本的文件取代新版本的文件。\n\n确实要安装较旧的版本吗？";

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
    context.log.Note("安装路径无效：" + root);
    return false;
}

// Stops before anything was changed; the page stays.
bool StopUnchanged(InstallContext& context, InstallPage& page, const std::string& text) {
    page.Progress().SetPos(0);
    Tell(context, page, text);
    context.log.SetOutcome(state::InstallOutcome::Stopped);
    return false;
}

// A level of the root that cannot be held or is a link: stops before anything changes.
bool StopAtLevel(InstallContext& context,
                 InstallPage& page,
                 const HeldPath& held,
                 HeldPath::Result result,
                 const std::string& root) {
    // Taken first: the hold's failed call was the last one (a read-only share gives 5 or 19).
    const platform::SystemError error = context.services.environment.LastError();
    const std::string& level = held.FailedLevel();
    if (result == HeldPath::Result::Link) {
        context.log.Note("安装路径中的 " + level + " 是链接，安装已停止");
        return StopUnchanged(context, page, kLinkInRootBefore + level + kLinkInRootAfter);
    }
    const auto attributes = context.services.files.GetAttributes(level);
    if (!attributes || !(*attributes & platform::kAttrDirectory)) {
        context.log.Note("无法创建 " + level + platform::DescribeSystemError(error) + "，安装已停止");
        return StopUnchanged(context, page, kRootNotMadeBefore + root + kRootNotMadeAfter);
    }
    context.log.Note("无法锁定安装路径中的 " + level + platform::DescribeSystemError(error) + "，安装已停止");
    return StopUnchanged(context, page, kNotHeldBefore + level + kNotHeldAfter);
}

// Undoes the staging (or a swap that failed, already undone); the folders made for it go as the run
// ends: the product folder is as before. The wizard ends, as after an abort.
bool RollBack(InstallContext& context,
              InstallPage& page,
              files::FileTransaction& transaction,
              const std::string& text) {
    transaction.Rollback();
    context.log.Note("安装没有完成，已恢复原有的文件，没有做任何更改");
    page.Progress().SetPos(0);
    Tell(context, page, text);
    context.log.SetOutcome(state::InstallOutcome::Stopped);
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
    if (options.acadCheckPending && IsAcadRunning(context.services.processes, &context.log)) {
        context.services.prompts.Show(page.Window(), kCloseAcadText, kSetupCaption, platform::kMbOk);
        options.acadCheckPending = false;
        context.log.SetOutcome(state::InstallOutcome::AcadRunning);
        return;
    }

    page.ReadControls();
    // The log lives for the whole run: only what this press reported counts here.
    const std::size_t earlierProblems = context.log.Problems().size();
    if (!InstallProduct(context, page))
        return;
    const std::vector<std::string> problems(context.log.Problems().begin() + earlierProblems,
                                            context.log.Problems().end());

    options.installRoot = CanonicalRoot(page.InstallPath()).value_or(page.InstallPath());
    options.keepConfig = page.KeepConfig();
    options.keepSettings = page.KeepSettings();
    options.keepSectionLibrary = page.KeepSectionLibrary();
    options.keepDrawingLibrary = page.KeepDrawingLibrary();

    if (!problems.empty()) {
        context.log.SetOutcome(state::InstallOutcome::InstalledWithProblems);
        std::string text = kProblemsHead + state::SummariseProblems(problems) + kProblemsTail;
        for (const std::string& line : context.log.StillRegistered())
            text += "\n\n" + line;
        if (context.log.LogFailed())
            text += kLogFailedText;
        context.services.prompts.Show(page.Window(), text, kDoneCaption,
                                      platform::kMbOk | platform::kMbIconExclamation);
    } else {
        context.log.SetOutcome(state::InstallOutcome::Installed);
        std::string done = kDoneText;
        for (const std::string& line : context.log.StillRegistered())
            done += "\n\n" + line;
        if (context.log.LogFailed())
            done += kLogFailedText;
        context.services.prompts.Show(page.Window(), done, kDoneCaption, platform::kMbOk);
    }
    page.CloseAfterInstall();
}

namespace {

// Where the run installs: the root in its one spelling, the product folder, its library, and every
// level from the drive down that the run holds.
struct Target {
    std::string root;
    std::string product;
    std::string library;
    std::vector<std::string> levels;
};

Target TargetOf(const std::string& acceptedRoot) {
    Target target;
    // "C:\CAD Tools\\" is "C:\CAD Tools" everywhere from here on.
    target.root = *CanonicalRoot(acceptedRoot);
    target.product = ProductFolderOf(target.root);
    target.library = JoinPath(target.product, kDrawingLibraryName);
    target.levels = RootLevels(target.root);
    target.levels.insert(target.levels.end(),
                         {target.product, JoinPath(target.product, kEmptyTempFolderName), target.library});
    return target;
}

// One installation, in its fixed order of steps. Each step answers false when the run stops there
// (its message shown, its outcome set); what it holds lives as long as the run.
class InstallRun {
  public:
    InstallRun(InstallContext& context, InstallPage& page, Target target)
        : context_(context),
          page_(page),
          services_(context.services),
          log_(context.log),
          target_(std::move(target)),
          held_(services_.files),
          source_(services_.files),
          progress_(page.Progress()),
          keeper_(services_,
                  target_.root,
                  log_,
                  KeptKinds{page.KeepSettings() != 0, page.KeepSectionLibrary() != 0,
                            page.KeepDrawingLibrary() != 0},
                  &source_) {}

    bool Run() {
        if (!CheckVersion() || !HoldTarget() || !HoldSource() || !ReadPreviousInstallation())
            return false;
        // From the first change on, the registry says where this run works, till it ends: cut off
        // before its record, what it left is found there. Folders made for a run that stops go again.
        pending_.emplace(services_.registry, target_.product);
        platform::ScopeExit removeMadeFolders([this] { RemoveMadeFolders(); });
        if (!MakeFolders() || !RecoverEarlierRun() || !Stage() || !PrepareForUninstall() || !Commit() ||
            !PlaceUninstaller())
            return false;
        removeMadeFolders.release();
        transaction_->DeleteBackups();
        Register();
        Record();
        return true;
    }

  private:
    bool Stop(const std::string& note, const std::string& text) {
        log_.Note(note);
        return StopUnchanged(context_, page_, text);
    }

    // A repair, an upgrade, or a downgrade only when allowed: /ALLOWDOWNGRADE, or Yes in the wizard.
    bool CheckVersion() {
        const state::ProductVersion mine = context_.options.productVersion;
        const std::string mineText = state::VersionText(mine);
        const InstalledVersion installed =
            ReadInstalledVersion(services_.files, services_.registry, services_.environment);
        if (!installed.recorded) {
            log_.Note("安装版本 " + mineText + "（没有早先的安装记录）");
            return true;
        }
        if (!installed.version) {
            log_.Note("升级：早先的版本 -> " + mineText);
            return true;
        }
        const std::string theirs = state::VersionText(*installed.version);
        if (*installed.version == mine) {
            log_.Note("重新安装（修复）：版本 " + mineText);
            return true;
        }
        if (*installed.version < mine) {
            log_.Note("升级：版本 " + theirs + " -> " + mineText);
            return true;
        }
        if (context_.options.allowDowngrade) {
            log_.Note("降级（/ALLOWDOWNGRADE）：版本 " + theirs + " -> " + mineText);
            return true;
        }
        const int answer = services_.prompts.Show(
            page_.Window(), kDowngradeBefore + theirs + kDowngradeMiddle + mineText + kDowngradeAfter,
            kSetupCaption, platform::kMbYesNo | platform::kMbIconQuestion | platform::kMbDefButton2);
        if (answer == platform::kIdYes) {
            log_.Note("降级（用户同意）：版本 " + theirs + " -> " + mineText);
            return true;
        }
        log_.Note("本机已安装更新的版本 " + theirs + "，本程序的版本 " + mineText + " 较旧，未作任何更改");
        log_.SetOutcome(state::InstallOutcome::NewerInstalled);
        return false;
    }

    // Every level is held from here to the end, so that nobody can put a link in the place of one
    // while the run writes below it. What exists is held now; what is missing, once it is made.
    bool HoldTarget() {
        const auto result = held_.Hold(target_.levels, false);
        if (result != HeldPath::Result::Held && result != HeldPath::Result::Missing)
            return StopAtLevel(context_, page_, held_, result, target_.root);
        return true;
    }

    // Held, with its drawing library, till the run ends, and read only through checked handles:
    // whoever runs the download may change anything in its folder.
    bool HoldSource() {
        if (!LocateSourceFolder(services_, sourceFolder_)) {
            log_.Note("未找到安装所需的Data文件夹");
            log_.SetOutcome(state::InstallOutcome::SourceMissing);
            return false;
        }
        log_.Note("安装来源：" + sourceFolder_ + "，安装路径：" + target_.root);
        if (source_.Hold(sourceFolder_) != HeldSource::Result::Held) {
            return Stop("安装来源 " + source_.FailedLevel() + " 是链接、不在安装程序旁或无法锁定，安装已停止",
                        kSourceNotHeldBefore + source_.FailedLevel() + kSourceNotHeldAfter);
        }
        // The walks visit every entry; the bar stops full rather than wrap round.
        progress_.SetRange(0, kProgressMaximum);
        progress_.SetStep(1);
        progress_.SetPos(0);
        return true;
    }

    // The product folder the registry named before this installation, and what of it to keep.
    bool ReadPreviousInstallation() {
        previousFolder_ = keeper_.ReadPreviousFolder() ? keeper_.PreviousFolder() : std::string();
        if (previousFolder_.empty() && keeper_.ProductFolderHoldsKeptKinds()) {
            // Keeping was asked for, but without the record the files to keep cannot be known.
            return Stop("无法读取上次安装的位置 " + RecordKeyDisplayName(services_.registry) + "，安装已停止",
                        kRecordUnreadableText);
        }
        if (previousFolder_.empty())
            keeper_.KeepNothing();
        return true;
    }

    // The missing levels, and the setup folder below Program Files where the swap's journal goes.
    bool MakeFolders() {
        if (const auto result = held_.Hold(target_.levels, true); result != HeldPath::Result::Held)
            return StopAtLevel(context_, page_, held_, result, target_.root);
        journalFolder_ =
            EnsureSetupFolder(services_.files, services_.registry, services_.environment, madeJournalFolder_);
        if (!journalFolder_) {
            return Stop("无法创建安装程序文件夹，安装已停止",
                        kRolledBackBefore + std::string("无法创建安装程序文件夹") + kRolledBackAfter);
        }
        return true;
    }

    void RemoveMadeFolders() {
        held_.RemoveWhatWasMade();
        if (journalFolder_)
            DiscardPreparedUninstall(context_, *journalFolder_);
        if (madeJournalFolder_)
            RemoveMadeSetupFolder(services_.files, *journalFolder_);
    }

    // What a run cut off part way left here is finished or undone before this one begins; files it
    // put in place go into this run's record too, even those this version no longer ships.
    bool RecoverEarlierRun() {
        std::string unread;
        std::vector<files::RecordedFile> unrecorded = files::RecoverEarlierSwap(
            services_.files, services_.environment, log_,
            {SetupFolders(services_.registry, services_.environment), target_.product, target_.library, true},
            files::Recovery::FinishOrUndo, &unread);
        // This run's own journal would take the place of one that could not be read, and what it names.
        if (!unread.empty())
            return Stop("无法处理 " + unread + "，安装已停止",
                        kSwapJournalUnreadBefore + unread + kSwapJournalUnreadAfter);
        for (const files::RecordedFile& file : unrecorded)
            log_.FileInstalled(
                state::InstalledFile{JoinPath(target_.product, file.path), file.size, file.crc});
        transaction_.emplace(
            services_.files, services_.environment, log_,
            files::FileTransaction::Folders{target_.product, target_.library, *journalFolder_},
            std::move(unrecorded));
        return true;
    }

    // The user's kept files and the product's, each written whole under a staged name.
    bool Stage() {
        if (const files::FileResult begun = transaction_->Begin(StagingSeed(services_.environment)); !begun)
            return Stop(begun.Why() + "，安装已停止", kRolledBackBefore + begun.Words() + kRolledBackAfter);
        if (const files::FileResult kept = keeper_.PrepareKeptFiles(*transaction_); !kept) {
            log_.Note("无法保留文件 " + kept.Path() + kept.SystemError() + "，安装已停止");
            transaction_->Rollback();
            return StopUnchanged(context_, page_, kNotSavedBefore + kept.Path() + kNotSavedAfter);
        }
        if (!previousFolder_.empty())
            progress_.StepIt();
        deployer_.emplace(services_, target_.root, progress_, log_,
                          DeployInputs{&*transaction_, &source_, std::string(), &keeper_});
        if (deployer_->DeployProductFiles() && deployer_->DeployDrawingLibrary())
            return true;
        const files::FileResult& failure = deployer_->Failure();
        return RollBack(
            context_, page_, *transaction_,
            failure ? std::string(kAbortedText)
                    : kRolledBackBefore + failure.Path() + "（" + failure.Why() + "）" + kRolledBackAfter);
    }

    // Nothing is registered that cannot be removed: the uninstaller and the record must be writable
    // before anything is put in place.
    bool PrepareForUninstall() {
        if (PrepareUninstall(context_, target_.product, *journalFolder_))
            return true;
        return RollBack(
            context_, page_, *transaction_,
            kRolledBackBefore + std::string(kUninstallNotPrepared) + *journalFolder_ + kRolledBackAfter);
    }

    // The uninstaller and its Programs and Features entry, before anything is registered; when they
    // fail, the files just put in place go back.
    bool PlaceUninstaller() {
        if (PlaceUninstall(context_, target_.product, *journalFolder_))
            return true;
        transaction_->Undo();
        return RollBack(
            context_, page_, *transaction_,
            kRolledBackBefore + std::string(kUninstallNotPrepared) + *journalFolder_ + kRolledBackAfter);
    }

    bool Commit() {
        progress_.StepIt();
        if (const files::FileResult put = deployer_->PutInPlace(); !put) {
            return RollBack(context_, page_, *transaction_,
                            kRolledBackBefore + put.Path() + "（" + put.Why() + "）" + kRolledBackAfter);
        }
        return true;
    }

    // The releases, what still loads from before, the per-user steps' component and the fonts.
    void Register() {
        context_.inventory.targetRoot = text936::WithoutTrailingBackslash(target_.root);
        const std::size_t problemsBefore = log_.Problems().size();
        context_.inventory.RegisterReleases(services_, context_.options.releaseChosen, log_);
        // What earlier installations registered stays until the uninstall; say what still loads from there.
        log_.SetStillRegistered(StillRegisteredFromBefore(services_, log_, target_.product));
        for (const std::string& line : log_.StillRegistered())
            log_.Note(line);
        // Every user of the machine gets the per-user steps at logon; this account has had them now,
        // unless one of them failed. What runs in every user's logon goes where only administrators write.
        RegisterActiveSetup(services_, *journalFolder_, log_.Problems().size() == problemsBefore, log_);
        progress_.StepIt();
        context_.inventory.DeployFonts(
            services_, sourceFolder_,
            [this](const std::string& name) { return source_.Open(source_.Folder(), name); },
            context_.options.releaseChosen, log_);
        progress_.StepIt();
        progress_.StepIt();
    }

    // Only now does the record describe the new files; till here the swap's journal did, and without
    // a record it goes on doing so, with the mark naming the folder.
    void Record() {
        keeper_.RecordProductFolder();
        if (RecordInstallation(context_, target_.product, *journalFolder_)) {
            transaction_->OnRecordWritten();
            if (!pending_->Unmark())
                log_.Problem("未能删除 " + RecordKeyDisplayName(services_.registry) + " " +
                             kPendingValueName +
                             platform::DescribeSystemError(services_.environment.LastError()));
        } else {
            pending_->LeaveForTheUninstall();
        }
        progress_.SetPos(kProgressMaximum);
        log_.SetOutcome(log_.HasProblems() ? state::InstallOutcome::InstalledWithProblems
                                           : state::InstallOutcome::Installed);
    }

    InstallContext& context_;
    InstallPage& page_;
    platform::Services& services_;
    state::InstallJournal& log_;
    const Target target_;
    HeldPath held_;
    std::string sourceFolder_;
    HeldSource source_;
    BoundedProgress progress_;
    ConfigKeeper keeper_;
    std::string previousFolder_;
    std::optional<PendingInstallation> pending_;
    bool madeJournalFolder_ = false;
    std::optional<std::string> journalFolder_;
    std::optional<files::FileTransaction> transaction_;
    std::optional<ProductDeployer> deployer_;
};

}  // namespace

bool InstallProduct(InstallContext& context, InstallPage& page) {
    if (!AcceptRoot(context, page, page.InstallPath())) {
        context.log.SetOutcome(state::InstallOutcome::InvalidRoot);
        return false;
    }
    return InstallRun(context, page, TargetOf(page.InstallPath())).Run();
}

}  // namespace install
