#include "install/record/locations.h"

#include "platform/number_text.h"
#include "platform/registry_names.h"
#include "platform/registry_text.h"
#include "platform/text936.h"
#include "state/install_options.h"

namespace install {

namespace {

constexpr char kMissingSourceText[] =
    "未找到安装所需的Data文件夹 !\n\n可能安装文件下载后没有解压，\n\n请解压后再执行SetUp.exe !";
constexpr char kMissingSourceCaption[] = "Brelix软件安装";
constexpr char kAcadExecutable[] = "acad.exe";

// Empty when the program's path is not known whole: a cut path would lead to some parent's Data.
std::string ProgramFolder(platform::FileSystem& files) {
    const std::string program = files.ProgramPath();
    const std::size_t separator = text936::FindLastBackslash(program);
    return separator == text936::npos ? std::string() : program.substr(0, separator);
}

void ShowMissingSource(platform::Services& services) {
    services.prompts.Show(services.prompts.ActiveWindow(), kMissingSourceText, kMissingSourceCaption,
                          platform::kMbOk);
}

}  // namespace

int GetPathKind(platform::FileSystem& files, const std::string& path) {
    platform::DirEntry entry;
    if (!files.FindFirst(path, entry))
        return kPathMissing;
    return (entry.attributes & platform::kAttrDirectory) ? kPathFolder : kPathFile;
}

bool LocateSourceFolder(platform::Services& services, std::string& source) {
    const std::string programFolder = ProgramFolder(services.files);
    if (programFolder.empty()) {
        source.clear();
        ShowMissingSource(services);
        return false;
    }

    source = programFolder + "\\" + kDataFolderName;
    if (GetPathKind(services.files, source) == kPathFolder)
        return true;

    source = programFolder + "\\" + kSourceMarkerFile;
    if (GetPathKind(services.files, source) == kPathFile) {
        source = programFolder;
        return true;
    }

    ShowMissingSource(services);
    return false;
}

std::string DescribeProcess(const platform::RunningProcess& process) {
    return process.image + "（进程 ID " + platform::DecimalText(process.id) + "，会话 " +
           (process.session ? platform::DecimalText(*process.session) : std::string("未知")) + "）";
}

bool IsAcadRunning(platform::ProcessList& processes, state::InstallJournal* log) {
    const auto running = processes.Running();
    if (!running)
        return false;
    bool found = false;
    for (const platform::RunningProcess& process : *running) {
        if (text936::Find(text936::ToLower(process.image), kAcadExecutable) == text936::npos)
            continue;
        found = true;
        if (log)
            log->Note("正在运行的 AutoCAD：" + DescribeProcess(process));
    }
    return found;
}

std::unique_ptr<platform::RegistryKey> OpenRecordRoot(platform::Registry& registry) {
    return registry.OpenRoot(platform::RootKey::LocalMachine, platform::RegistryView::Force32);
}

std::string RecordKeyDisplayName(platform::Registry& registry) {
    return platform::MachineKeyName(registry, platform::RegistryView::Force32, kRecordKeyWrite,
                                    state::kBuildBitness);
}

namespace {

bool ReadRecordIn(std::unique_ptr<platform::RegistryKey> root,
                  platform::Environment& environment,
                  std::string& folder) {
    folder.clear();
    if (!root)
        return false;
    auto key = root->Open(kRecordKeyRead, platform::KeyAccess::Default);
    if (!key)
        return false;
    const platform::TextRead read = platform::ReadText(*key, kRecordValueName, kPathBufferSize, environment);
    if (!read.ok())
        return false;
    folder = read.text;
    return folder.size() > 1;
}

}  // namespace

bool ReadPreviousFolder(platform::Registry& registry,
                        platform::Environment& environment,
                        std::string& folder) {
    if (ReadRecordIn(OpenRecordRoot(registry), environment, folder))
        return true;
    return ReadRecordIn(registry.OpenRoot(platform::RootKey::LocalMachine, platform::RegistryView::Force64),
                        environment, folder);
}

bool RecordProductFolder(platform::Registry& registry, const std::string& folder) {
    if (!text936::FitsBuffer(folder, kPathBufferSize))
        return false;
    auto root = OpenRecordRoot(registry);
    if (!root)
        return false;
    auto key = root->Create(kRecordKeyWrite);
    return key && key->WriteString(kRecordValueName, folder);
}

}  // namespace install
