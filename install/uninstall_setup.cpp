#include "install/uninstall_setup.h"

#include "install/install_record.h"
#include "install/locations.h"
#include "install/product_layout.h"
#include "install/read_only.h"
#include "install/uninstall_entry.h"
#include "platform/text936.h"

namespace install {

namespace {

// Programs and Features shows sizes in KB; a started KB counts whole.
std::uint32_t SizeInKb(std::uint64_t bytes) {
    const std::uint64_t kb = (bytes + 1023) / 1024;
    return kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kb);
}

bool CopyUninstaller(platform::FileSystem& files, const std::string& target) {
    const std::string program = files.ProgramPath();
    // Installing again from the uninstaller itself has nothing to copy.
    if (text936::EqualsNoCase(program, target))
        return true;
    ClearReadOnly(files, target);
    return files.CopyFile(program, target, false);
}

}  // namespace

void PrepareUninstall(InstallContext& context,
                      const std::string& productFolder,
                      const std::string& sourceFolder) {
    platform::FileSystem& files = context.services.files;
    app::InstallJournal& journal = context.journal;
    const std::string uninstaller = JoinPath(productFolder, kUninstallerName);
    if (!text936::FitsBuffer(uninstaller, kPathBufferSize) ||
        !text936::FitsBuffer(JoinPath(productFolder, kInstallRecordName), kPathBufferSize)) {
        journal.Problem("产品文件夹路径过长，未能登记卸载程序");
        return;
    }

    if (CopyUninstaller(files, uninstaller))
        journal.Note("已复制卸载程序 " + uninstaller);
    else
        journal.Problem("未能复制卸载程序 " + uninstaller);

    // A re-installation into the same folder adds to what the earlier ones recorded.
    InstallRecord record = ReadInstallRecord(files, productFolder).value_or(InstallRecord{});
    MergeRecord(record, RecordFromJournal(files, journal, productFolder, sourceFolder));
    if (WriteInstallRecord(files, productFolder, record))
        journal.Note("已写入安装记录 " + JoinPath(productFolder, kInstallRecordName));
    else
        journal.Problem("未能写入安装记录 " + JoinPath(productFolder, kInstallRecordName));

    std::uint64_t bytes = 0;
    for (const RecordedFile& file : record.files)
        bytes += file.size;
    if (const auto program = files.ReadWholeFile(uninstaller, kLargestCheckedFile))
        bytes += program->size();

    // Beside the product record, in the same view.
    auto localMachine = OpenRecordRoot(context.services.registry);
    if (localMachine && WriteUninstallEntry(*localMachine, productFolder, SizeInKb(bytes)))
        journal.Note(std::string("已写入卸载项 HKLM\\") + kUninstallKeyPath);
    else
        journal.Problem(std::string("未能写入卸载项 HKLM\\") + kUninstallKeyPath);
}

}  // namespace install
