#include "install/uninstall_setup.h"

#include <memory>
#include <optional>
#include <vector>

#include "install/record/active_setup.h"
#include "install/record/install_record.h"
#include "install/record/locations.h"
#include "install/record/product_layout.h"
#include "install/record/setup_folder.h"
#include "install/record/uninstall_entry.h"
#include "platform/read_only.h"
#include "platform/registry_names.h"
#include "platform/text936.h"
#include "state/install_options.h"

namespace install {

namespace {

constexpr char kUninstallerBeingWritten[] = "Uninstall.exe.new";

// Whether the running program is the uninstaller in `setupFolder`: installing again from it, there
// is nothing to copy.
bool RunsFromUninstaller(platform::FileSystem& files, const std::string& setupFolder) {
    return text936::EqualsNoCase(files.ProgramPath(), JoinPath(setupFolder, kUninstallerName));
}

// Writes `program`, the running program's file held since the start, never read from its path, which
// whoever may write the folder it runs from could have given to another program, as `being`.
bool WriteUninstaller(platform::Services& services,
                      platform::OpenedFile& program,
                      const std::string& being,
                      state::InstallJournal& log) {
    platform::FileSystem& files = services.files;
    files.DeleteFile(being);  // left by a run cut off while writing it
    if (files.CopyOpenedToNewFile(program, being, [](const char*, std::size_t) {}))
        return true;
    log.Note("无法写入卸载程序 " + being + platform::DescribeSystemError(services.environment.LastError()));
    files.DeleteFile(being);
    return false;
}

// An earlier installation's uninstaller, record and per-user program in `folder`, once the new
// record holds what the old one said; the folder too when it is a setup folder left empty.
void RetireEarlier(platform::FileSystem& files,
                   platform::Environment& environment,
                   const std::string& folder,
                   state::InstallJournal& log) {
    for (const char* name : {kUninstallerName, kInstallRecordName, kUserProgramName}) {
        const std::string path = JoinPath(folder, name);
        if (!files.GetAttributes(path))
            continue;
        platform::ClearReadOnly(files, path);
        if (files.DeleteFile(path))
            log.Note("已删除早先的 " + path);
        else
            log.Problem("未能删除早先的 " + path + platform::DescribeSystemError(environment.LastError()));
    }
    if (files.RemoveDirectory(folder))
        log.Note("已删除早先的安装程序文件夹 " + folder);
}

// What earlier installations recorded, oldest first, with this run's files, folder and version; the
// setup folders whose records it takes in besides `setupFolder` go into `earlier`.
InstallRecord RecordOfThisRun(InstallContext& context,
                              const std::string& productFolder,
                              const std::string& setupFolder,
                              std::vector<std::string>& earlier) {
    platform::Services& services = context.services;
    std::vector<std::string> withRecord;
    InstallRecord record =
        ReadMergedRecord(services.files, SetupFolders(services.registry, services.environment), &withRecord)
            .value_or(InstallRecord{});
    for (const std::string& folder : withRecord) {
        if (!text936::EqualsNoCase(folder, setupFolder))
            earlier.push_back(folder);
    }
    MergeRecord(record, RecordFromJournal(context.log, productFolder));
    record.productFolder = productFolder;
    record.version = context.options.productVersion;
    return record;
}

bool WriteEntry(InstallContext& context,
                const std::string& productFolder,
                const std::string& setupFolder,
                std::uint64_t bytes) {
    platform::Services& services = context.services;
    // Beside the product record, in the same view.
    auto localMachine = OpenRecordRoot(services.registry);
    const std::string where = platform::MachineKeyName(services.registry, platform::RegistryView::Force32,
                                                       kUninstallKeyPath, state::kBuildBitness);
    if (localMachine &&
        WriteUninstallEntry(*localMachine, {productFolder, setupFolder, context.options.productVersion,
                                            SizeInKb(bytes), InstallDateText(services.environment.Now())})) {
        context.log.Note("已写入卸载项 " + where);
        return true;
    }
    context.log.Note("无法写入卸载项 " + where +
                     platform::DescribeSystemError(services.environment.LastError()));
    return false;
}

}  // namespace

bool PrepareUninstall(InstallContext& context,
                      const std::string& productFolder,
                      const std::string& setupFolder) {
    platform::Services& services = context.services;
    state::InstallJournal& log = context.log;
    const std::string being = JoinPath(setupFolder, kUninstallerBeingWritten);
    if (!text936::FitsBuffer(JoinPath(setupFolder, kUninstallerName), kPathBufferSize) ||
        !text936::FitsBuffer(being, kPathBufferSize) ||
        !text936::FitsBuffer(JoinPath(setupFolder, kInstallRecordBeingWritten), kPathBufferSize)) {
        log.Note("安装程序文件夹路径过长：" + setupFolder);
        return false;
    }
    if (!RunsFromUninstaller(services.files, setupFolder)) {
        platform::OpenedFile* program = services.files.ProgramFile();
        if (!program) {
            // No system error: the held program file is not the one running, by the program's own check.
            log.Note("无法确认正在运行的安装程序文件（它可能已被替换），不能写入卸载程序");
            return false;
        }
        if (!WriteUninstaller(services, *program, being, log))
            return false;
    }
    // The record as it stands before this run's files join it: proof that it can be written at the end.
    std::vector<std::string> earlier;
    const std::string record = JoinPath(setupFolder, kInstallRecordBeingWritten);
    if (WriteRecordBeingWritten(services.files, setupFolder,
                                RecordOfThisRun(context, productFolder, setupFolder, earlier)))
        return true;
    log.Note("无法写入安装记录 " + record + platform::DescribeSystemError(services.environment.LastError()));
    DiscardPreparedUninstall(context, setupFolder);
    return false;
}

bool PlaceUninstall(InstallContext& context,
                    const std::string& productFolder,
                    const std::string& setupFolder) {
    platform::Services& services = context.services;
    platform::FileSystem& files = services.files;
    const std::string uninstaller = JoinPath(setupFolder, kUninstallerName);
    const bool fromUninstaller = RunsFromUninstaller(files, setupFolder);
    const bool hadUninstaller = files.GetAttributes(uninstaller).has_value();
    if (!fromUninstaller) {
        platform::ClearReadOnly(files, uninstaller);
        if (!files.Rename(JoinPath(setupFolder, kUninstallerBeingWritten), uninstaller)) {
            context.log.Note("无法写入卸载程序 " + uninstaller +
                             platform::DescribeSystemError(services.environment.LastError()));
            return false;
        }
    }
    context.log.Note("已写入卸载程序 " + uninstaller);
    auto localMachine = OpenRecordRoot(services.registry);
    const bool hadEntry = localMachine && UninstallEntryLocation(*localMachine).has_value();
    if (WriteEntry(context, productFolder, setupFolder, FilesSizeIn(files, setupFolder)))
        return true;
    // The run stops: what it added for an installation that is not there goes again.
    if (localMachine && !hadEntry)
        RemoveUninstallEntry(*localMachine);
    if (!hadUninstaller && !fromUninstaller)
        files.DeleteFile(uninstaller);
    return false;
}

void DiscardPreparedUninstall(InstallContext& context, const std::string& setupFolder) {
    platform::FileSystem& files = context.services.files;
    for (const char* name : {kUninstallerBeingWritten, kInstallRecordBeingWritten}) {
        const std::string path = JoinPath(setupFolder, name);
        if (files.GetAttributes(path))
            files.DeleteFile(path);
    }
}

bool RecordInstallation(InstallContext& context,
                        const std::string& productFolder,
                        const std::string& setupFolder) {
    platform::FileSystem& files = context.services.files;
    state::InstallJournal& log = context.log;
    const std::string recordFile = JoinPath(setupFolder, kInstallRecordName);
    std::vector<std::string> earlier;
    const InstallRecord record = RecordOfThisRun(context, productFolder, setupFolder, earlier);
    const bool recorded = WriteInstallRecord(files, setupFolder, record);
    if (recorded) {
        log.Note("已写入安装记录 " + recordFile);
        for (const EarlierFolder& kept : record.earlierFolders)
            log.Note("安装记录保留早先的产品文件夹 " + kept.folder + "（卸载时删除其中安装的文件）");
        for (const std::string& folder : earlier)
            RetireEarlier(files, context.services.environment, folder, log);
    } else {
        log.Problem("未能写入安装记录 " + recordFile +
                    platform::DescribeSystemError(context.services.environment.LastError()));
    }

    // The product folder's shipped files and the setup folder: what the uninstall frees.
    std::uint64_t bytes = FilesSizeIn(files, setupFolder);
    for (const RecordedFile& file : record.files)
        bytes += file.size;
    if (!WriteEntry(context, productFolder, setupFolder, bytes))
        log.Problem("未能更新卸载项的大小" +
                    platform::DescribeSystemError(context.services.environment.LastError()));
    return recorded;
}

}  // namespace install
