#include "install/active_setup.h"

#include "platform/text936.h"

namespace install {

namespace {

constexpr std::size_t kPathBufferSize = 260;

}  // namespace

bool RegisterActiveSetup(platform::Services& services,
                         const std::string& setupFolder,
                         state::InstallJournal& journal) {
    const std::string program = setupFolder + "\\" + kUserProgramName;
    if (!text936::FitsBuffer(program, kPathBufferSize)) {
        journal.Problem("路径过长，无法放置 " + program);
        return false;
    }
    if (!services.files.WriteCarriedFile(kUserProgramResource, program)) {
        journal.Problem("无法写入 " + program + "，其他用户登录时不会自动完成设置");
        return false;
    }
    journal.Note("已写入 " + program);

    const std::string stubPath = "\"" + program + "\"";
    auto machine = services.registry.OpenRoot(platform::RootKey::LocalMachine);
    auto component = machine ? machine->Create(kActiveSetupKey) : nullptr;
    const bool written = component && component->WriteString("StubPath", stubPath) &&
                         component->WriteString("Version", kActiveSetupVersion) &&
                         component->WriteDword("IsInstalled", 1);
    const std::string where = std::string("HKLM\\") + kActiveSetupKey;
    if (!written) {
        journal.Problem("无法写入 Active Setup 注册项 " + where);
        return false;
    }
    journal.Note("已写入 " + where + " StubPath = " + stubPath + "，Version = " + kActiveSetupVersion +
                 "，IsInstalled = 1");
    journal.Note("以 LocalSystem 运行：受信任路径和兼容性设置将在每个用户下次登录时由 " +
                 std::string(kUserProgramName) + " 完成");
    return true;
}

}  // namespace install
