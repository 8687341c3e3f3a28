#pragma once
// Shared set-up for the installation engine tests: a program beside a "Data" source folder on
// the in-memory backend, and a page that records what the install action does with it.

#include <string>
#include <vector>

#include "install/install_page.h"
#include "platform/memory/memory_backend.h"

namespace install_test {

using platform::RootKey;
using platform::memory::MemoryBackend;
using platform::memory::Operation;

constexpr char kProgram[] = "C:\\Setup\\SetUp.exe";
constexpr char kSource[] = "C:\\Setup\\Data";
constexpr char kProgramFiles[] = "C:\\Program Files";
// The installer's own folder below it, where the uninstaller, the record, BrelixUser.exe and the
// files to keep go.
constexpr char kSetupFolder[] = "C:\\Program Files\\Brelix Setup";
constexpr char kRecordKey[] = "SOFTWARE\\Brelix";
constexpr char kRecordValue[] = "Brelix_Path";
constexpr platform::WindowHandle kPageWindow = 0x3142;

// "<prefix>000.DAT", "<prefix>001.DAT", ... so that a sorted listing keeps their order.
inline std::string NumberedName(const std::string& prefix,
                                int number,
                                const std::string& extension = ".DAT") {
    std::string digits = std::to_string(number);
    return prefix + std::string(3 - digits.size(), '0') + digits + extension;
}

// A machine whose Program Files folder is C:\Program Files, as %ProgramFiles% says.
inline void StageProgramFiles(MemoryBackend& backend) {
    backend.files.AddFolder(kProgramFiles);
    backend.environment.Set("ProgramFiles", kProgramFiles);
    // Every Windows has it: a run that stops takes away only what it added below it.
    backend.registry.CreateKey(platform::RootKey::LocalMachine,
                               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
}

// A backend whose program runs from C:\Setup (its file is there: the uninstaller is a copy of it)
// and carries BrelixUser.exe, with the page as the active window, on a machine with Program Files.
inline void StageProgram(MemoryBackend& backend) {
    backend.files.SetProgramPath(kProgram);
    backend.files.AddFile(kProgram, "setup program");
    backend.files.AddCarriedFile("BRELIXUSER", "MZ user program");
    StageProgramFiles(backend);
    backend.prompts.active = kPageWindow;
}

// `count` calls of "stepit".
inline std::vector<std::string> Steps(int count) {
    return std::vector<std::string>(count, "stepit");
}

inline std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The path page as the install action sees it. Records every call that changes the page.
class FakeInstallPage : public install::InstallPage {
  public:
    void ReadControls() override { calls.push_back("read"); }
    std::string InstallPath() const override { return installPath; }
    int KeepConfig() const override { return keepConfig; }
    int KeepSettings() const override { return keepSettings; }
    int KeepSectionLibrary() const override { return keepSectionLibrary; }
    int KeepDrawingLibrary() const override { return keepDrawingLibrary; }
    platform::ProgressBar& Progress() override { return progress; }
    platform::WindowHandle Window() const override { return kPageWindow; }
    void CancelPage() override { calls.push_back("cancel"); }
    void CloseAfterInstall() override { calls.push_back("close"); }

    std::string installPath = "D:\\Tools";
    int keepConfig = 1;
    int keepSettings = 1;
    int keepSectionLibrary = 1;
    int keepDrawingLibrary = 1;
    platform::memory::RecordingProgressBar progress;
    std::vector<std::string> calls;
};

}  // namespace install_test
