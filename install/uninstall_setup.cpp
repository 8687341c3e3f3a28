#include "install/uninstall_setup.h"

#include <optional>

#include "install/install_record.h"
#include "install/locations.h"
#include "install/product_layout.h"
#include "install/uninstall_entry.h"
#include "platform/read_only.h"
#include "platform/text936.h"

namespace install {

namespace {

// Programs and Features shows sizes in KB; a started KB counts whole.
std::uint32_t SizeInKb(std::uint64_t bytes) {
    const std::uint64_t kb = (bytes + 1023) / 1024;
    return kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kb);
}

// The uninstaller's size in bytes once it is in place; nullopt when it could not be copied.
std::optional<std::uint64_t> CopyUninstaller(platform::FileSystem& files, const std::string& target) {
    const std::string program = files.ProgramPath();
    std::uint64_t size = 0;
    const auto count = [&size](const char*, std::size_t piece) { size += piece; };
    // Installing again from the uninstaller itself has nothing to copy; its size only feeds the
    // estimate in Programs and Features.
    if (text936::EqualsNoCase(program, target)) {
        if (!files.ReadPieces(program, kLargestCheckedFile, count))
            size = 0;
        return size;
    }
    platform::ClearReadOnly(files, target);
    return files.CopyFileReporting(program, target, count) ? std::optional(size) : std::nullopt;
}

}  // namespace

void PrepareUninstall(InstallContext& context, const std::string& productFolder) {
    platform::FileSystem& files = context.services.files;
    state::InstallJournal& journal = context.journal;
    const std::string uninstaller = JoinPath(productFolder, kUninstallerName);
    if (!text936::FitsBuffer(uninstaller, kPathBufferSize) ||
        !text936::FitsBuffer(JoinPath(productFolder, kInstallRecordName), kPathBufferSize)) {
        journal.Problem("产品文件夹路径过长，未能登记卸载程序");
        return;
    }

    const auto uninstallerSize = CopyUninstaller(files, uninstaller);
    if (uninstallerSize)
        journal.Note("已复制卸载程序 " + uninstaller);
    else
        journal.Problem("未能复制卸载程序 " + uninstaller);

    // A re-installation into the same folder adds to what the earlier ones recorded.
    InstallRecord record = ReadInstallRecord(files, productFolder).value_or(InstallRecord{});
    MergeRecord(record, RecordFromJournal(journal, productFolder));
    if (WriteInstallRecord(files, productFolder, record))
        journal.Note("已写入安装记录 " + JoinPath(productFolder, kInstallRecordName));
    else
        journal.Problem("未能写入安装记录 " + JoinPath(productFolder, kInstallRecordName));

    std::uint64_t bytes = uninstallerSize.value_or(0);
    for (const RecordedFile& file : record.files)
        bytes += file.size;

    // Beside the product record, in the same view.
    auto localMachine = OpenRecordRoot(context.services.registry);
    if (localMachine && WriteUninstallEntry(*localMachine, productFolder, SizeInKb(bytes)))
        journal.Note(std::string("已写入卸载项 HKLM\\") + kUninstallKeyPath);
    else
        journal.Problem(std::string("未能写入卸载项 HKLM\\") + kUninstallKeyPath);
}

}  // namespace install
