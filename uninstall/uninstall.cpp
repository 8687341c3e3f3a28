#include "uninstall/uninstall.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/swap_journal.h"
#include "install/record/install_record.h"
#include "install/record/install_root.h"
#include "install/record/locations.h"
#include "install/record/pending_install.h"
#include "install/record/product_layout.h"
#include "install/record/setup_folder.h"
#include "platform/text936.h"
#include "state/acad_inventory.h"
#include "state/release_table.h"
#include "uninstall/uninstall_files.h"
#include "uninstall/uninstall_registry.h"

namespace uninstall {

namespace {

constexpr char kCaption[] = "Brelix安装";
constexpr char kConfirmText[] =
    "确定要从本机删除Brelix结构工具箱吗？\n\n将删除安装的程序文件、AutoCAD加载项和受信任路径；"
    "您创建或修改过的文件将保留。";
constexpr char kNoRecordText[] = "未找到Brelix结构工具箱的安装记录，无法卸载 !";
// The same warning the installation gives.
constexpr char kCloseAcadText[] = "请关闭AutoCAD后再进行安装 !";
constexpr char kCloseAcadCaption[] = "Brelix软件安装";
constexpr char kCodeEntriesStayText[] =
    "以下项目未能删除，为避免AutoCAD或用户登录时运行已删除一半的程序，卸载没有删除任何文件：\n";
constexpr std::size_t kListedLines = 10;

// The installation the setup folder of either build records: its folder and its record.
struct Installation {
    std::string setupFolder;
    install::InstallRecord record;
};

// Only the setup folders below Program Files are read, never a record in the product folder,
// which every user can write to. This build's folder first.
std::optional<Installation> FindInstallation(platform::Services& services) {
    for (const std::string& folder : install::SetupFolders(services.registry, services.environment)) {
        auto record = install::ReadInstallRecord(services.files, folder);
        if (record && !record->productFolder.empty())
            return Installation{folder, *record};
    }
    return std::nullopt;
}

// Deletes the uninstaller; the running one at the next restart. Windows lets a running program be
// renamed though not deleted: it waits under another name, so that an installation before the
// restart, which writes a new Uninstall.exe here, does not lose it at the restart. `waiting` is
// the file left for the restart, empty when none. True when it is gone or will go.
bool RemoveUninstaller(platform::FileSystem& files,
                       platform::Environment& environment,
                       const std::string& path,
                       state::InstallJournal& log,
                       std::string& waiting) {
    waiting.clear();
    if (!files.GetAttributes(path))
        return true;
    if (files.DeleteFile(path)) {
        log.Note("已删除 " + path);
        return true;
    }
    // Why the file could not go (32: another program has it open), before any later call replaces it.
    const platform::SystemError error = environment.LastError();
    if (text936::EqualsNoCase(files.ProgramPath(), path)) {
        files.ReleaseProgramFile();  // held without FILE_SHARE_DELETE, it could not be renamed
        std::string moved = path;
        for (int n = 1; n <= 99; ++n) {
            const std::string name = path + "." + std::to_string(n) + ".old";
            if (!text936::FitsBuffer(name, install::kPathBufferSize))
                break;
            if (files.GetAttributes(name))
                continue;  // an earlier uninstall's, waiting for the same restart
            if (files.MoveFile(path, name))
                moved = name;
            break;
        }
        if (files.DeleteAtRestart(moved)) {
            log.Note("重新启动后删除 " + moved);
            waiting = moved;
            return true;
        }
    }
    log.Problem("未能删除 " + path + platform::DescribeSystemError(error));
    return false;
}

// A run cut off before it wrote any record: its product folder, from its mark, and every entry of
// the module and trusted path it may have written (below each installation of AutoCAD there is now,
// and in each of this user's AutoCAD profiles).
std::optional<Installation> CutOffInstallation(platform::Services& services,
                                               const std::string& productFolder) {
    const std::vector<std::string> setupFolders =
        install::SetupFolders(services.registry, services.environment);
    if (setupFolders.empty())
        return std::nullopt;
    Installation cutOff{setupFolders.front(), {}};
    cutOff.record.productFolder = productFolder;
    state::AcadInventory inventory;
    inventory.FindReleases(services.registry, services.environment,
                           state::AcadInventory::OtherBuildView::Skip);
    for (int k = 0; k < state::kReleaseCount; ++k) {
        for (const std::string& key : inventory.acadKeys[static_cast<std::size_t>(k)]) {
            cutOff.record.demandLoadKeys.push_back(
                state::AcadInventory::DemandLoadEntryPath(key, state::ReleaseTable()[k].year));
        }
    }
    cutOff.record.trustedPathKeys = state::AcadInventory::ProfileVariablesKeys(services.registry);
    return cutOff;
}

bool KeepsKeptKinds(const std::vector<std::string>& kept, const std::string& productFolder) {
    for (const std::string& path : kept) {
        const auto below = install::PathBelow(path, productFolder);
        if (below && install::IsKeptKind(*below))
            return true;
    }
    return false;
}

std::string EndMessage(const state::InstallJournal& log,
                       const std::string& productFolder,
                       const std::vector<std::string>& kept,
                       const std::vector<std::string>& fonts,
                       bool recordKept,
                       bool uninstallerAtRestart) {
    std::string text;
    if (log.HasProblems()) {
        text = "Brelix结构工具箱已删除，但以下项目未能处理：\n" +
               state::SummariseProblems(log.Problems(), kListedLines) +
               "\n\n安装记录和卸载程序已保留，解决问题后可再次卸载。";
    } else {
        text = "Brelix结构工具箱已从本机删除。";
    }
    if (!kept.empty()) {
        std::vector<std::string> names;
        for (const std::string& path : kept)
            names.push_back(install::PathBelow(path, productFolder).value_or(path));
        text += "\n\n以下文件由您创建或修改过，已保留在 " + productFolder + "：\n" +
                state::SummariseProblems(names, kListedLines);
    }
    if (recordKept)
        text += "\n\n已保留安装位置的记录：再次安装时，可以选择保留其中的设置、截面库和扩展绘图库文件。";
    if (!fonts.empty()) {
        text += "\n\n字体文件保留在AutoCAD的Fonts文件夹中，用本软件绘制的图纸仍需要它们：\n" +
                state::SummariseProblems(fonts, kListedLines);
    }
    if (uninstallerAtRestart)
        text += "\n\n卸载程序将在计算机重新启动后删除。";
    return text;
}

// A message box with one OK button, over the active window.
void Tell(platform::Prompts& prompts, const std::string& text, const char* caption) {
    prompts.Show(prompts.ActiveWindow(), text, caption, platform::kMbOk);
}

// The installation of either build's setup folder, or else the one a run cut off before it wrote
// any record left in `cutOffFolder`.
std::optional<Installation> LocateInstallation(platform::Services& services,
                                               const std::optional<std::string>& cutOffFolder) {
    auto installation = FindInstallation(services);
    if (!installation && cutOffFolder)
        installation = CutOffInstallation(services, *cutOffFolder);
    return installation;
}

int NothingToUninstall(platform::Services& services, state::InstallJournal& log, bool silent) {
    // A run cut off between making the record's key and marking it leaves the key empty.
    install::ForgetPendingInstallation(services.registry);
    log.Note("未找到安装记录");
    if (!silent)
        Tell(services.prompts, kNoRecordText, kCaption);
    return kNothingToUninstall;
}

// The exit code when the uninstall may not or is not to go on: AutoCAD runs, or the user says no.
std::optional<int> Refusal(platform::Services& services, state::InstallJournal& log, bool silent) {
    platform::Prompts& prompts = services.prompts;
    if (install::IsAcadRunning(services.processes, &log)) {
        log.Note("AutoCAD正在运行，未卸载");
        if (!silent)
            Tell(prompts, kCloseAcadText, kCloseAcadCaption);
        return kUninstallAcadRunning;
    }
    if (!silent && prompts.Show(prompts.ActiveWindow(), kConfirmText, kCaption,
                                platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes) {
        log.Note("用户取消了卸载");
        return kUninstallCancelled;
    }
    return std::nullopt;
}

// What the run works on: the installation found, every product folder it put files into (the
// current one first, in one spelling for every comparison: "C:\Brelix\" and "c:\brelix" are the
// same installation), and the mark of a run cut off before it ended.
struct Found {
    std::string setupFolder;
    install::InstallRecord record;
    std::string folder;
    std::vector<std::string> folders;
    // Whatever a run cut off before it ended left is this uninstall's too: its folder, from its mark.
    std::optional<std::string> cutOffFolder;
    // That folder when no record names it; the journal of its swap names its files there.
    std::optional<std::string> cutOffOnly;
};

Found GatherFolders(Installation installation,
                    const std::optional<std::string>& cutOffFolder,
                    state::InstallJournal& log) {
    Found found{
        std::move(installation.setupFolder), std::move(installation.record), {}, {}, cutOffFolder, {}};
    found.folder = install::ComparablePath(found.record.productFolder);
    log.Note("卸载 " + found.folder + "（安装程序文件夹 " + found.setupFolder + "）");
    found.folders.push_back(found.folder);
    for (const install::EarlierFolder& earlier : found.record.earlierFolders) {
        found.folders.push_back(install::ComparablePath(earlier.folder));
        log.Note("同时卸载早先安装的 " + found.folders.back());
    }
    if (cutOffFolder) {
        const std::string cut = install::ComparablePath(*cutOffFolder);
        log.Note("上次安装未完成（安装中断，未写完安装记录），清理它在 " + cut + " 留下的文件");
        if (std::none_of(found.folders.begin(), found.folders.end(),
                         [&cut](const std::string& each) { return install::SamePath(each, cut); })) {
            found.folders.push_back(cut);
            found.cutOffOnly = cut;
        }
    }
    return found;
}

// What AutoCAD or a user's logon would start goes before any file, so that no partial uninstall
// leaves them starting something from a folder that is half gone. Returns the demand-load entries
// that load our module from a folder the record does not hold.
std::vector<std::string> RemoveWhatRunsCode(platform::Registry& registry,
                                            platform::Environment& environment,
                                            const Found& found,
                                            state::InstallJournal& log) {
    std::vector<std::string> strayEntries;
    for (const std::string& key : found.record.demandLoadKeys) {
        for (std::string& stray : RemoveDemandLoadEntry(registry, environment, key, found.folders, log))
            strayEntries.push_back(std::move(stray));
    }
    // Either build's setup folder: after a switch between the builds the other one's component may
    // still be there, in its own registry view.
    std::vector<std::string> programFolders = install::SetupFolders(registry, environment);
    programFolders.push_back(found.setupFolder);
    programFolders.insert(programFolders.end(), found.folders.begin(), found.folders.end());
    RemoveActiveSetupComponent(registry, environment, programFolders, log);
    if (found.cutOffFolder)
        RemoveHalfWrittenKeys(registry, environment, found.record.demandLoadKeys, log);
    return strayEntries;
}

int CodeEntriesStay(platform::Prompts& prompts, state::InstallJournal& log, bool silent) {
    log.Note("加载项或 Active Setup 组件未能删除，未删除任何文件");
    if (!silent)
        Tell(prompts, kCodeEntriesStayText + state::SummariseProblems(log.Problems(), kListedLines),
             kCaption);
    return kUninstalledWithProblems;
}

// The trusted paths of every product folder, the shipped files in each of them, and the per-user
// program wherever a build put it.
void RemoveTrustedPathsAndFiles(platform::Services& services,
                                const Found& found,
                                state::InstallJournal& log) {
    for (const std::string& key : found.record.trustedPathKeys) {
        for (const std::string& each : found.folders)
            RemoveTrustedFolder(services.registry, services.environment, key, each, log);
    }
    const std::vector<std::string> setupFolders =
        install::SetupFolders(services.registry, services.environment);
    RemoveShippedFiles(services.files, services.environment, setupFolders, found.folder, found.record, log);
    for (const install::EarlierFolder& earlier : found.record.earlierFolders) {
        install::InstallRecord files;
        files.files = earlier.files;
        RemoveShippedFiles(services.files, services.environment, setupFolders,
                           install::ComparablePath(earlier.folder), files, log);
    }
    if (found.cutOffOnly)
        RemoveShippedFiles(services.files, services.environment, setupFolders, *found.cutOffOnly, {}, log);
    // Earlier builds put the per-user program into the product folder.
    RemoveFileInProductFolder(services.files, services.environment, found.folder, kPerUserProgramName, log);
    RemoveSetupFolderFile(services.files, services.environment,
                          install::JoinPath(found.setupFolder, kPerUserProgramName), log);
}

// What the product folders keep once their empty folders are gone.
struct Kept {
    std::vector<std::string> files;
    // The current folder keeps files a re-installation can keep: the product record stays.
    bool record = false;
};

// The product folders and their empty subfolders go now; what remains is the user's.
Kept SweepFolders(platform::FileSystem& files,
                  const Found& found,
                  const std::vector<std::string>& strayEntries,
                  state::InstallJournal& log) {
    Kept kept;
    for (const std::string& each : found.folders) {
        const std::vector<std::string> left = RemoveEmptyFolders(files, each, log);
        for (const std::string& path : left)
            log.Note("保留 " + path);
        // The product record names the current folder: only its files are found again from it.
        if (&each == &found.folders.front())
            kept.record = KeepsKeptKinds(left, found.folder);
        kept.files.insert(kept.files.end(), left.begin(), left.end());
    }
    // Our module in a folder the record does not hold: AutoCAD still loads it, and nothing here
    // may delete what it cannot tell is ours.
    for (const std::string& stray : strayEntries)
        // No system error: the entry was left by the program's own decision.
        log.Problem("加载项仍指向本产品，但不在安装记录的文件夹中，未删除：" + stray);
    return kept;
}

// What is needed to run the uninstall again, once nothing is left to do: the mark, the product
// keys, the record and the uninstaller in the setup folder, and that folder. Returns the
// uninstaller left for the restart, empty when none.
std::string RemoveRecordAndSetupFolder(platform::Services& services,
                                       const Found& found,
                                       bool recordKept,
                                       state::InstallJournal& log) {
    platform::FileSystem& files = services.files;
    // A swap cut off before its record left its new files named in a journal; they are gone now.
    for (const std::string& journalFolder : install::SetupFolders(services.registry, services.environment)) {
        for (const std::string& each : found.folders) {
            const std::string journal = files::SwapJournalPath(journalFolder, each);
            if (!files::DeleteJournal(files, journal))
                log.Problem("未能删除 " + journal +
                            platform::DescribeSystemError(services.environment.LastError()));
        }
    }
    if (found.cutOffFolder && !install::ForgetPendingInstallation(services.registry))
        log.Problem("未能删除 " + install::RecordKeyDisplayName(services.registry) + " " +
                    install::kPendingValueName +
                    platform::DescribeSystemError(services.environment.LastError()));
    RemoveProductKeys(services.registry, services.environment, found.folder, recordKept, log);
    // A record an installation was cut off in while writing it goes too.
    RemoveSetupFolderFile(files, services.environment,
                          install::JoinPath(found.setupFolder, install::kInstallRecordBeingWritten), log);
    const std::string uninstaller = install::JoinPath(found.setupFolder, install::kUninstallerName);
    RemoveSetupFolderFile(files, services.environment, uninstaller + ".new", log);
    RemoveSetupFolderFile(files, services.environment,
                          install::JoinPath(found.setupFolder, install::kInstallRecordName), log);
    std::string waiting;
    RemoveUninstaller(files, services.environment, uninstaller, log, waiting);
    // Only the uninstaller's own folder waits for the restart, after the uninstaller in it.
    const std::vector<std::string> left = RemoveEmptyFolders(files, found.setupFolder, log);
    if (!waiting.empty() && left.size() == 1 && text936::EqualsNoCase(left.front(), waiting) &&
        files.DeleteAtRestart(found.setupFolder))
        log.Note("重新启动后删除 " + found.setupFolder);
    return waiting;
}

}  // namespace

int RunUninstall(platform::Services& services, state::InstallJournal& log, bool silent) {
    // A mark means a run was cut off before it ended: whatever it left is this uninstall's too.
    const std::optional<std::string> cutOffFolder =
        install::ReadPendingInstallation(services.registry, services.environment);
    auto installation = LocateInstallation(services, cutOffFolder);
    if (!installation)
        return NothingToUninstall(services, log, silent);
    if (const auto refused = Refusal(services, log, silent))
        return *refused;

    const Found found = GatherFolders(std::move(*installation), cutOffFolder, log);
    // While an entry that starts code stays, no file is touched.
    const std::vector<std::string> strayEntries =
        RemoveWhatRunsCode(services.registry, services.environment, found, log);
    if (log.HasProblems())
        return CodeEntriesStay(services.prompts, log, silent);
    RemoveTrustedPathsAndFiles(services, found, log);
    const Kept kept = SweepFolders(services.files, found, strayEntries, log);

    // While something is left to do, what is needed to run the uninstall again stays.
    std::string waiting;
    if (!log.HasProblems())
        waiting = RemoveRecordAndSetupFolder(services, found, kept.record, log);

    const int exitCode = log.HasProblems() ? kUninstalledWithProblems : kUninstalled;
    if (!silent) {
        Tell(services.prompts,
             EndMessage(log, found.folder, kept.files, found.record.fonts, kept.record && !log.HasProblems(),
                        !waiting.empty()),
             kCaption);
    }
    return exitCode;
}

}  // namespace uninstall
