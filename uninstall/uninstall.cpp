#include "uninstall/uninstall.h"

#include <optional>
#include <string>
#include <vector>

#include "install/install_record.h"
#include "install/install_root.h"
#include "install/locations.h"
#include "install/product_layout.h"
#include "platform/text936.h"
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
constexpr std::size_t kListedLines = 10;

std::string FolderOf(const std::string& path) {
    const std::size_t separator = text936::FindLastBackslash(path);
    return separator == text936::npos ? std::string() : path.substr(0, separator);
}

bool HoldsRecord(platform::FileSystem& files, const std::string& folder) {
    return !folder.empty() && install::ReadInstallRecord(files, folder).has_value();
}

// The folder beside the running program when it holds a record, else the recorded product folder
// when that does.
std::optional<std::string> FindProductFolder(platform::Services& services) {
    const std::string programFolder = FolderOf(services.files.ProgramPath());
    if (HoldsRecord(services.files, programFolder))
        return programFolder;
    std::string recorded;
    if (install::ReadPreviousFolder(services.registry, services.environment, recorded) &&
        HoldsRecord(services.files, recorded))
        return recorded;
    return std::nullopt;
}

// Deletes the uninstaller; the running one at the next restart. True when it is gone or will go.
bool RemoveUninstaller(platform::FileSystem& files,
                       const std::string& path,
                       state::InstallJournal& journal,
                       bool& atRestart) {
    atRestart = false;
    if (!files.GetAttributes(path))
        return true;
    if (files.DeleteFile(path)) {
        journal.Note("已删除 " + path);
        return true;
    }
    if (text936::EqualsNoCase(files.ProgramPath(), path) && files.DeleteAtRestart(path)) {
        journal.Note("重新启动后删除 " + path);
        atRestart = true;
        return true;
    }
    journal.Problem("未能删除 " + path);
    return false;
}

std::string EndMessage(const state::InstallJournal& journal,
                       const std::string& productFolder,
                       const std::vector<std::string>& kept,
                       const std::vector<std::string>& fonts,
                       bool uninstallerAtRestart) {
    std::string text;
    if (journal.HasProblems()) {
        text = "Brelix结构工具箱已删除，但以下项目未能处理：\n" +
               state::SummariseProblems(journal.Problems(), kListedLines) +
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
    if (!fonts.empty()) {
        text += "\n\n字体文件保留在AutoCAD的Fonts文件夹中，用本软件绘制的图纸仍需要它们：\n" +
                state::SummariseProblems(fonts, kListedLines);
    }
    if (uninstallerAtRestart)
        text += "\n\n卸载程序将在计算机重新启动后删除。";
    return text;
}

}  // namespace

int RunUninstall(platform::Services& services, state::InstallJournal& journal, bool silent) {
    platform::Prompts& prompts = services.prompts;
    const auto productFolder = FindProductFolder(services);
    if (!productFolder) {
        journal.Note("未找到安装记录");
        if (!silent)
            prompts.Show(prompts.ActiveWindow(), kNoRecordText, kCaption, platform::kMbOk);
        return kNothingToUninstall;
    }
    if (install::IsAcadRunning(services.processes)) {
        journal.Note("AutoCAD正在运行，未卸载");
        if (!silent)
            prompts.Show(prompts.ActiveWindow(), kCloseAcadText, kCloseAcadCaption, platform::kMbOk);
        return kUninstallAcadRunning;
    }
    if (!silent && prompts.Show(prompts.ActiveWindow(), kConfirmText, kCaption,
                                platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes) {
        journal.Note("用户取消了卸载");
        return kUninstallCancelled;
    }

    // One spelling for every comparison: "C:\Brelix\" and "c:\brelix" are the same installation.
    const std::string folder = install::ComparablePath(*productFolder);
    journal.Note("卸载 " + folder);
    const auto record = install::ReadInstallRecord(services.files, folder);
    if (!record) {
        journal.Problem("无法读取安装记录 " + install::JoinPath(folder, install::kInstallRecordName));
        return kUninstalledWithProblems;
    }

    for (const std::string& key : record->demandLoadKeys)
        RemoveDemandLoadEntry(services.registry, key, folder, journal);
    for (const std::string& key : record->trustedPathKeys)
        RemoveTrustedFolder(services.registry, key, folder, journal);
    RemoveShippedFiles(services.files, folder, *record, journal);
    RemoveOwnFile(services.files, install::JoinPath(folder, kPerUserProgramName), journal);

    // While something is left to do, what is needed to run the uninstall again stays.
    bool uninstallerAtRestart = false;
    if (!journal.HasProblems()) {
        RemoveProductKeys(services.registry, services.environment, folder, journal);
        RemoveOwnFile(services.files, install::JoinPath(folder, install::kInstallRecordName), journal);
        RemoveUninstaller(services.files, install::JoinPath(folder, install::kUninstallerName), journal,
                          uninstallerAtRestart);
    }

    // What remains is the user's, apart from the uninstaller and the record when they had to stay.
    const std::string uninstaller = install::JoinPath(folder, install::kUninstallerName);
    const std::string recordFile = install::JoinPath(folder, install::kInstallRecordName);
    std::vector<std::string> kept;
    for (const std::string& path : RemoveEmptyFolders(services.files, folder)) {
        if (!text936::EqualsNoCase(path, uninstaller) && !text936::EqualsNoCase(path, recordFile))
            kept.push_back(path);
    }
    // The folder goes after the uninstaller in it, when nothing else is left there.
    if (uninstallerAtRestart && kept.empty() && services.files.DeleteAtRestart(folder))
        journal.Note("重新启动后删除 " + folder);
    for (const std::string& path : kept)
        journal.Note("保留 " + path);

    const int exitCode = journal.HasProblems() ? kUninstalledWithProblems : kUninstalled;
    if (!silent) {
        prompts.Show(prompts.ActiveWindow(),
                     EndMessage(journal, folder, kept, record->fonts, uninstallerAtRestart), kCaption,
                     platform::kMbOk);
    }
    journal.Note("卸载结束，退出码 " + std::to_string(exitCode));
    return exitCode;
}

}  // namespace uninstall
