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

// The uninstaller's size in bytes once it is in place; nullopt when it could not be written. Written
// from `program`, the running program's file held since the start, never from its path, which whoever
// may write the folder it runs from could have given to another program.
std::optional<std::uint64_t> WriteUninstaller(platform::Services& services,
                                              platform::OpenedFile& program,
                                              const std::string& target,
                                              state::InstallJournal& log) {
    platform::FileSystem& files = services.files;
    const auto failed = [&] {
        log.Problem("未能写入卸载程序 " + target +
                    platform::DescribeSystemError(services.environment.LastError()));
        files.DeleteFile(target + ".new");
        return std::nullopt;
    };
    std::uint64_t size = 0;
    const auto count = [&size](const char*, std::size_t piece) { size += piece; };
    // Installing again from the uninstaller itself has nothing to copy; its size only feeds the
    // estimate in Programs and Features.
    if (text936::EqualsNoCase(files.ProgramPath(), target)) {
        if (!program.ReadPieces(kLargestCheckedFile, count))
            size = 0;
        return size;
    }
    const std::string being = target + ".new";
    files.DeleteFile(being);  // left by a run cut off while writing it
    if (!text936::FitsBuffer(being, kPathBufferSize) || !files.CopyOpenedToNewFile(program, being, count))
        return failed();
    platform::ClearReadOnly(files, target);
    if (!files.Rename(being, target))
        return failed();
    return size;
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

}  // namespace

std::optional<std::string> MakeSetupFolder(InstallContext& context) {
    platform::Services& services = context.services;
    const auto folder = SetupFolder(services.registry, services.environment);
    if (!folder) {
        // No system error: the variable that names the folder is not set.
        context.log.Problem("未找到 Program Files 文件夹，未能登记卸载程序");
        return std::nullopt;
    }
    bool made = false;
    if (EnsureSetupFolder(services.files, services.registry, services.environment, made))
        return folder;
    context.log.Problem("未能创建安装程序文件夹 " + *folder +
                        platform::DescribeSystemError(services.environment.LastError()) + "，未登记卸载程序");
    return std::nullopt;
}

bool PrepareUninstall(InstallContext& context,
                      const std::string& productFolder,
                      const std::string& setupFolder) {
    platform::Services& services = context.services;
    platform::FileSystem& files = services.files;
    state::InstallJournal& log = context.log;
    const std::string uninstaller = JoinPath(setupFolder, kUninstallerName);
    const std::string recordFile = JoinPath(setupFolder, kInstallRecordName);
    if (!text936::FitsBuffer(uninstaller, kPathBufferSize) ||
        !text936::FitsBuffer(JoinPath(setupFolder, kInstallRecordBeingWritten), kPathBufferSize)) {
        // No system error: the program's own limit of a path.
        log.Problem("安装程序文件夹路径过长，未能登记卸载程序");
        return false;
    }

    platform::OpenedFile* program = files.ProgramFile();
    std::optional<std::uint64_t> uninstallerSize;
    if (!program)
        // No system error: the held program file is not the one running, by the program's own check.
        log.Problem("无法确认正在运行的安装程序文件（它可能已被替换），未写入卸载程序 " + uninstaller);
    else
        uninstallerSize = WriteUninstaller(services, *program, uninstaller, log);
    if (uninstallerSize)
        log.Note("已写入卸载程序 " + uninstaller);

    // What earlier installations recorded, oldest first; their places, to clear once it is kept.
    InstallRecord record;
    std::vector<std::string> earlier;
    const std::vector<std::string> setupFolders = SetupFolders(services.registry, services.environment);
    for (auto folder = setupFolders.rbegin(); folder != setupFolders.rend(); ++folder) {
        if (auto found = ReadInstallRecord(files, *folder)) {
            MergeRecord(record, *found);
            if (!text936::EqualsNoCase(*folder, setupFolder))
                earlier.push_back(*folder);
        }
    }
    MergeRecord(record, RecordFromJournal(log, productFolder));
    record.productFolder = productFolder;
    const bool recorded = WriteInstallRecord(files, setupFolder, record);
    if (recorded) {
        log.Note("已写入安装记录 " + recordFile);
        for (const EarlierFolder& kept : record.earlierFolders)
            log.Note("安装记录保留早先的产品文件夹 " + kept.folder + "（卸载时删除其中安装的文件）");
        for (const std::string& folder : earlier)
            RetireEarlier(files, services.environment, folder, log);
    } else {
        log.Problem("未能写入安装记录 " + recordFile +
                    platform::DescribeSystemError(services.environment.LastError()));
    }

    // The product folder's shipped files and the setup folder: what the uninstall frees.
    std::uint64_t bytes = FilesSizeIn(files, setupFolder);
    for (const RecordedFile& file : record.files)
        bytes += file.size;

    // Beside the product record, in the same view.
    auto localMachine = OpenRecordRoot(services.registry);
    const std::string where = platform::MachineKeyName(services.registry, platform::RegistryView::Force32,
                                                       kUninstallKeyPath, state::kBuildBitness);
    const std::string installDate = InstallDateText(services.environment.Now());
    if (localMachine &&
        WriteUninstallEntry(*localMachine, productFolder, setupFolder, SizeInKb(bytes), installDate))
        log.Note("已写入卸载项 " + where);
    else
        log.Problem("未能写入卸载项 " + where +
                    platform::DescribeSystemError(services.environment.LastError()));
    return recorded;
}

}  // namespace install
