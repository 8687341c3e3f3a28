#include "uninstall/uninstall_registry.h"

#include <utility>
#include <vector>

#include "acad/buffer_format.h"
#include "install/record/install_record.h"
#include "install/record/install_root.h"
#include "install/record/locations.h"
#include "install/record/still_registered.h"
#include "install/record/uninstall_entry.h"
#include "platform/registry_names.h"
#include "platform/text936.h"
#include "state/install_options.h"

namespace uninstall {

namespace {

constexpr char kLoaderValue[] = "LOADER";
constexpr char kTrustedPathsValue[] = "TRUSTEDPATHS";
constexpr char kStubPathValue[] = "StubPath";
// ";" is never the second byte of a double-byte character, so the list splits bytewise.
constexpr char kListSeparator = ';';

std::vector<std::string> SplitList(const std::string& list) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    for (;;) {
        const std::size_t separator = list.find(kListSeparator, start);
        entries.push_back(list.substr(start, separator - start));
        if (separator == std::string::npos)
            return entries;
        start = separator + 1;
    }
}

bool IsInside(const std::string& path, const std::string& folder) {
    return install::PathBelow(install::ComparablePath(path), install::ComparablePath(folder)).has_value();
}

bool IsInsideOneOf(const std::string& path, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        if (IsInside(path, folder))
            return true;
    }
    return false;
}

// An entry may have been made by the other build, in that build's own registry view (a 64-bit
// AutoCAD's by the 64-bit build), and the record does not say which view: whether an entry is ours
// is told by its value, in either view. On a 32-bit system the second look finds nothing the first
// has removed.

// Deletes a key of `localMachine`; true when it is gone afterwards.
bool DeleteKeyOf(platform::RegistryKey& localMachine, const std::string& path) {
    return localMachine.DeleteSubkey(path) || !localMachine.Open(path, platform::KeyAccess::Read);
}

bool RunsFromOneOf(const std::string& stub, const std::vector<std::string>& folders) {
    // The stub is quoted: "<folder>\BrelixUser.exe".
    const std::string program = text936::ToUpper(install::ComparablePath(stub));
    for (const std::string& folder : folders) {
        if (text936::Find(program, text936::ToUpper(install::ComparablePath(folder) + "\\")) != text936::npos)
            return true;
    }
    return false;
}

}  // namespace

std::optional<std::string> WithoutTrustedFolder(const std::string& list, const std::string& folder) {
    std::string kept;
    bool removed = false;
    bool first = true;
    for (const std::string& entry : SplitList(list)) {
        if (!entry.empty() && install::SamePath(entry, folder)) {
            removed = true;
            continue;
        }
        if (!first)
            kept += kListSeparator;
        kept += entry;
        first = false;
    }
    if (!removed)
        return std::nullopt;
    return kept;
}

std::vector<std::string> RemoveDemandLoadEntry(platform::Registry& registry,
                                               platform::Environment& environment,
                                               const std::string& key,
                                               const std::vector<std::string>& productFolders,
                                               state::InstallJournal& log) {
    std::vector<std::string> ours;
    bool found = false;
    for (const platform::RegistryView view : platform::kBothViews) {
        auto localMachine = registry.OpenRoot(platform::RootKey::LocalMachine, view);
        const auto loader =
            localMachine ? platform::ReadSubkeyText(*localMachine, key, kLoaderValue, acad::kNameBufferSize)
                         : std::nullopt;
        if (!loader)
            continue;
        found = true;
        const std::string where = platform::MachineKeyName(registry, view, key, state::kBuildBitness);
        if (IsInsideOneOf(*loader, productFolders)) {
            if (DeleteKeyOf(*localMachine, key))
                log.Note("已删除加载项 " + where);
            else
                log.Problem("未能删除加载项 " + where +
                            platform::DescribeSystemError(environment.LastError()));
        } else if (install::LooksLikeOurModule(*loader)) {
            // On a 32-bit system both views are the one tree.
            const std::string entry = where + " = " + *loader;
            if (ours.empty() || ours.back() != entry)
                ours.push_back(entry);
        } else {
            log.Note("加载项属于其他位置的程序，保留：" + where + " = " + *loader);
        }
    }
    if (!found)
        log.Note("加载项已不存在：HKLM\\" + key);
    return ours;
}

void RemoveTrustedFolder(platform::Registry& registry,
                         platform::Environment& environment,
                         const std::string& variablesKey,
                         const std::string& productFolder,
                         state::InstallJournal& log) {
    auto currentUser = registry.OpenRoot(platform::RootKey::CurrentUser);
    auto variables = currentUser ? currentUser->Open(variablesKey, platform::KeyAccess::Default) : nullptr;
    if (!variables)
        return;
    const platform::ValueRead value = variables->ReadValue(kTrustedPathsValue, acad::kTrustedPathsBufferSize);
    if (value.status == platform::ReadStatus::Missing)
        return;
    // Writing back part of a list would lose the rest of the user's trusted folders.
    if (!value.ok()) {
        // No system error: the list is longer than AutoCAD's own limit, or its read gave a status only.
        log.Problem("未能完整读取受信任路径，未修改：HKCU\\" + variablesKey);
        return;
    }
    const std::string before = value.Text();
    const auto after = WithoutTrustedFolder(before, productFolder);
    if (!after)
        return;
    if (variables->WriteString(kTrustedPathsValue, *after))
        log.Note("受信任路径 HKCU\\" + variablesKey + "：" + before + " → " + *after);
    else
        log.Problem("未能修改受信任路径 HKCU\\" + variablesKey +
                    platform::DescribeSystemError(environment.LastError()));
}

bool RemoveActiveSetupComponent(platform::Registry& registry,
                                platform::Environment& environment,
                                const std::vector<std::string>& folders,
                                state::InstallJournal& log) {
    bool gone = true;
    for (const char* path : {kActiveSetupKeyPath, kEarlierActiveSetupKeyPath}) {
        for (const platform::RegistryView view : platform::kBothViews) {
            auto localMachine = registry.OpenRoot(platform::RootKey::LocalMachine, view);
            const auto stub = localMachine ? platform::ReadSubkeyText(*localMachine, path, kStubPathValue,
                                                                      acad::kNameBufferSize)
                                           : std::nullopt;
            if (!stub || !RunsFromOneOf(*stub, folders))
                continue;
            const std::string where = platform::MachineKeyName(registry, view, path, state::kBuildBitness);
            if (DeleteKeyOf(*localMachine, path)) {
                log.Note("已删除 " + where);
            } else {
                log.Problem("未能删除 " + where + platform::DescribeSystemError(environment.LastError()));
                gone = false;
            }
        }
    }
    // The earlier name's mark of the account that uninstalls means nothing any more; the current
    // name's mark stays, as Windows leaves every user's marks.
    auto user = registry.OpenRoot(platform::RootKey::CurrentUser);
    if (user && user->Open(kEarlierActiveSetupKeyPath, platform::KeyAccess::Read) &&
        user->DeleteSubkey(kEarlierActiveSetupKeyPath))
        log.Note("已删除 HKCU\\" + std::string(kEarlierActiveSetupKeyPath));
    return gone;
}

void RemoveHalfWrittenKeys(platform::Registry& registry,
                           platform::Environment& environment,
                           const std::vector<std::string>& demandLoadKeys,
                           state::InstallJournal& log) {
    std::vector<std::pair<std::string, const char*>> keys;
    for (const std::string& key : demandLoadKeys)
        keys.emplace_back(key, kLoaderValue);
    keys.emplace_back(kActiveSetupKeyPath, kStubPathValue);
    keys.emplace_back(install::kUninstallKeyPath, install::kUninstallLocationValue);
    for (const platform::RegistryView view : platform::kBothViews) {
        auto localMachine = registry.OpenRoot(platform::RootKey::LocalMachine, view);
        if (!localMachine)
            continue;
        for (const auto& [path, leading] : keys) {
            auto key = localMachine->Open(path, platform::KeyAccess::Read);
            if (!key ||
                key->ReadValue(leading, acad::kNameBufferSize).status != platform::ReadStatus::Missing)
                continue;
            key.reset();
            const std::string where = platform::MachineKeyName(registry, view, path, state::kBuildBitness);
            if (DeleteKeyOf(*localMachine, path))
                log.Note("已删除未写完的 " + where);
            else
                log.Problem("未能删除未写完的 " + where +
                            platform::DescribeSystemError(environment.LastError()));
        }
    }
}

void RemoveProductKeys(platform::Registry& registry,
                       platform::Environment& environment,
                       const std::string& productFolder,
                       bool keepRecord,
                       state::InstallJournal& log) {
    auto localMachine = install::OpenRecordRoot(registry);
    std::string recorded;
    const std::string recordKey = install::RecordKeyDisplayName(registry);
    if (keepRecord) {
        log.Note("保留 " + recordKey + "：下次安装可保留文件夹中的配置");
    } else if (install::ReadPreviousFolder(registry, environment, recorded) &&
               install::SamePath(recorded, productFolder)) {
        // Earlier 64-bit builds kept the record in the 64-bit view: it goes wherever it is.
        auto nativeView = registry.OpenRoot(platform::RootKey::LocalMachine, platform::RegistryView::Force64);
        bool removed = false;
        for (auto* root : {localMachine.get(), nativeView.get()}) {
            if (root && root->DeleteSubkey(install::kRecordKeyWrite))
                removed = true;
        }
        if (removed)
            log.Note("已删除 " + recordKey);
        else
            log.Problem("未能删除 " + recordKey + platform::DescribeSystemError(environment.LastError()));
    }

    const auto location = localMachine ? install::UninstallEntryLocation(*localMachine) : std::nullopt;
    if (location && install::SamePath(*location, productFolder)) {
        const std::string where = platform::MachineKeyName(registry, platform::RegistryView::Force32,
                                                           install::kUninstallKeyPath, state::kBuildBitness);
        if (install::RemoveUninstallEntry(*localMachine))
            log.Note("已删除卸载项 " + where);
        else
            log.Problem("未能删除卸载项 " + where + platform::DescribeSystemError(environment.LastError()));
    }
}

}  // namespace uninstall
