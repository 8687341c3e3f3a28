#include "install/record/active_setup.h"

#include <algorithm>

#include "install/record/locations.h"
#include "platform/number_text.h"
#include "platform/registry_names.h"
#include "platform/text936.h"
#include "state/install_options.h"
#include "state/product_version.h"

namespace install {

namespace {

// Far more than "65535,65535,65535,65535"; a longer value is no version.
constexpr std::size_t kVersionBufferSize = 64;
constexpr std::uint32_t kFieldMaximum = 0xFFFF;
constexpr char kVersionValue[] = "Version";

std::uint16_t Field(int value) {
    return static_cast<std::uint16_t>(std::clamp(value, 0, static_cast<int>(kFieldMaximum)));
}

ComponentVersion VersionOfTime(const platform::UtcTime& now) {
    return {Field(now.year), Field(now.month * 100 + now.day), Field(now.hour * 100 + now.minute),
            Field(now.second * 1000 + now.millisecond)};
}

// `version` plus one in its last field, carried into the fields before it; nullopt at the top.
std::optional<ComponentVersion> Following(ComponentVersion version) {
    for (std::size_t i = version.size(); i-- > 0;) {
        if (version[i] < kFieldMaximum) {
            ++version[i];
            return version;
        }
        version[i] = 0;
    }
    return std::nullopt;
}

std::optional<std::string> RegisteredVersion(platform::Registry& registry) {
    auto machine = registry.OpenRoot(platform::RootKey::LocalMachine);
    if (!machine)
        return std::nullopt;
    return platform::ReadSubkeyText(*machine, kActiveSetupKey, kVersionValue, kVersionBufferSize);
}

bool WriteUserVersion(platform::Registry& registry, const std::string& version) {
    auto user = registry.OpenRoot(platform::RootKey::CurrentUser);
    auto component = user ? user->Create(kActiveSetupKey) : nullptr;
    return component && component->WriteString(kVersionValue, version);
}

// After a switch between the 32- and 64-bit builds the other build's component stays in that build's
// own registry view, where Windows also runs it at each logon, with a stub in the setup folder that
// this installation takes in and clears. Ours, just written, is the one whose stub is `stubPath`; on a
// 32-bit system it is the only one.
void RemoveOtherBuildsComponent(platform::Registry& registry,
                                platform::Environment& environment,
                                const std::string& stubPath,
                                state::InstallJournal& log) {
    for (const platform::RegistryView view : platform::kBothViews) {
        auto machine = registry.OpenRoot(platform::RootKey::LocalMachine, view);
        const auto stub =
            machine ? platform::ReadSubkeyText(*machine, kActiveSetupKey, "StubPath", kPathBufferSize + 2)
                    : std::nullopt;
        if (!stub || text936::EqualsNoCase(*stub, stubPath))
            continue;
        const std::string where =
            platform::MachineKeyName(registry, view, kActiveSetupKey, state::kBuildBitness) +
            "（StubPath = " + *stub + "）";
        if (machine->DeleteSubkey(kActiveSetupKey))
            log.Note("已删除另一版本安装程序的 Active Setup 注册项 " + where);
        else
            log.Problem("未能删除另一版本安装程序的 Active Setup 注册项 " + where +
                        platform::DescribeSystemError(environment.LastError()));
    }
}

}  // namespace

std::optional<ComponentVersion> ParseComponentVersion(const std::string& text) {
    ComponentVersion version{};
    std::size_t field = 0;
    std::uint32_t value = 0;
    bool digits = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<std::uint32_t>(c - '0');
            if (value > kFieldMaximum)
                return std::nullopt;
            digits = true;
        } else if (c == ',' && digits && field + 1 < version.size()) {
            version[field++] = static_cast<std::uint16_t>(value);
            value = 0;
            digits = false;
        } else {
            return std::nullopt;
        }
    }
    if (!digits)
        return std::nullopt;
    version[field] = static_cast<std::uint16_t>(value);
    return version;
}

std::string ComponentVersionText(const ComponentVersion& version) {
    std::string text;
    for (const std::uint16_t field : version)
        text += (text.empty() ? "" : ",") + platform::DecimalText(field);
    return text;
}

ComponentVersion NextComponentVersion(const std::optional<std::string>& stored,
                                      const platform::UtcTime& now) {
    // Never below the product's own version, as "major,minor,patch,0".
    const state::ProductVersion product = state::BuiltVersion();
    const ComponentVersion base{Field(static_cast<int>(product.major)),
                                Field(static_cast<int>(product.minor)),
                                Field(static_cast<int>(product.patch)), 0};
    const ComponentVersion ofTime = std::max(VersionOfTime(now), base);
    const auto previous = stored ? ParseComponentVersion(*stored) : std::nullopt;
    if (!previous)
        return ofTime;
    const auto following = Following(*previous);
    return std::max(ofTime, following.value_or(*previous));
}

bool RegisterActiveSetup(platform::Services& services,
                         const std::string& setupFolder,
                         bool userStepsDone,
                         state::InstallJournal& log) {
    const std::string program = setupFolder + "\\" + kUserProgramName;
    if (!text936::FitsBuffer(program, kPathBufferSize)) {
        // No system error: the program's own limit of a path.
        log.Problem("路径过长，无法放置 " + program);
        return false;
    }
    if (!services.files.WriteCarriedFile(kUserProgramResource, program)) {
        log.Problem("无法写入 " + program + platform::DescribeSystemError(services.environment.LastError()) +
                    "，其他用户登录时不会自动完成设置");
        return false;
    }
    log.Note("已写入 " + program);

    const std::string stubPath = "\"" + program + "\"";
    const std::string version = ComponentVersionText(
        NextComponentVersion(RegisteredVersion(services.registry), services.environment.Now()));
    auto machine = services.registry.OpenRoot(platform::RootKey::LocalMachine);
    auto component = machine ? machine->Create(kActiveSetupKey) : nullptr;
    const bool written = component && component->WriteString("StubPath", stubPath) &&
                         component->WriteString(kVersionValue, version) &&
                         component->WriteDword("IsInstalled", 1);
    const platform::SystemError writeError =
        written ? platform::SystemError{} : services.environment.LastError();
    const std::string where = platform::MachineKeyName(services.registry, platform::RegistryView::Default,
                                                       kActiveSetupKey, state::kBuildBitness);
    if (!written) {
        log.Problem("无法写入 Active Setup 注册项 " + where + platform::DescribeSystemError(writeError) +
                    "，其他用户登录时不会自动完成设置");
        return false;
    }
    log.Note("已写入 " + where + " StubPath = " + stubPath + "，Version = " + version + "，IsInstalled = 1");
    RemoveOtherBuildsComponent(services.registry, services.environment, stubPath, log);
    RemoveEarlierComponent(services, log);

    if (services.processes.RunsAsLocalSystem()) {
        log.Note("以 LocalSystem 运行：受信任路径和兼容性设置将在每个用户下次登录时由 " +
                 std::string(kUserProgramName) + " 完成");
        return true;
    }
    log.Note("受信任路径和兼容性设置将在本机其他用户下次登录时由 " + std::string(kUserProgramName) + " 完成");
    // Without it this account's next logon does the steps once more, which is how a step that
    // failed now gets another try.
    if (!userStepsDone)
        return true;
    if (WriteUserVersion(services.registry, version))
        log.Note("已写入 HKCU\\" + std::string(kActiveSetupKey) + " Version = " + version);
    else
        log.Note("无法写入 HKCU\\" + std::string(kActiveSetupKey) +
                 platform::DescribeSystemError(services.environment.LastError()) +
                 "，本用户下次登录时将再次完成设置");
    return true;
}

bool RemoveEarlierComponent(platform::Services& services, state::InstallJournal& log) {
    bool gone = true;
    const auto remove = [&](std::unique_ptr<platform::RegistryKey> root, const std::string& where) {
        if (!root || !root->Open(kEarlierActiveSetupKey, platform::KeyAccess::Read))
            return;
        if (root->DeleteSubkey(kEarlierActiveSetupKey)) {
            log.Note("已删除早先版本的 Active Setup 注册项 " + where);
            return;
        }
        log.Problem("未能删除早先版本的 Active Setup 注册项 " + where +
                    platform::DescribeSystemError(services.environment.LastError()));
        gone = false;
    };
    for (const platform::RegistryView view : platform::kBothViews) {
        const std::string where =
            platform::MachineKeyName(services.registry, view, kEarlierActiveSetupKey, state::kBuildBitness);
        remove(services.registry.OpenRoot(platform::RootKey::LocalMachine, view), where);
    }
    remove(services.registry.OpenRoot(platform::RootKey::CurrentUser),
           "HKCU\\" + std::string(kEarlierActiveSetupKey));
    return gone;
}

bool RemoveEarlierUserMark(platform::Registry& registry) {
    auto user = registry.OpenRoot(platform::RootKey::CurrentUser);
    if (!user || !user->Open(kEarlierActiveSetupKey, platform::KeyAccess::Read))
        return true;
    return user->DeleteSubkey(kEarlierActiveSetupKey);
}

bool MarkUserStepsDone(platform::Registry& registry) {
    const auto registered = RegisteredVersion(registry);
    if (!registered || !ParseComponentVersion(*registered))
        return false;
    return WriteUserVersion(registry, *registered);
}

}  // namespace install
