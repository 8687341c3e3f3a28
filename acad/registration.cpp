// Demand-load entries that make each chosen AutoCAD release load the product module at its
// start, and removal of the compatibility-layer setting of acad.exe.

#include <optional>
#include <string>

#include "acad/buffer_format.h"
#include "acad/install_folder.h"
#include "acad/per_user_steps.h"
#include "platform/registry_names.h"
#include "platform/text936.h"
#include "state/acad_inventory.h"

namespace state {

namespace {

// AutoCAD loads a demand-load entry with this LOADCTRLS at its start-up.
constexpr std::uint32_t kLoadOnStartup = 2;
constexpr char kCompatLayersKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";

}  // namespace

void AcadInventory::RegisterReleases(platform::Services& services,
                                     const ReleaseFlags& chosen,
                                     InstallJournal& log) {
    for (int k = 0; k < kReleaseCount; ++k) {
        if (chosen[k])
            RegisterRelease(services.registry, services.environment, ReleaseTable()[k].year, log);
    }
    // LocalSystem has no profiles of a real user: BrelixUser.exe does this at each user's logon.
    if (!services.processes.RunsAsLocalSystem())
        acad::ApplyPerUserSteps(*this, services.registry, services.environment, log);
}

std::string AcadInventory::DemandLoadEntryName(int year) {
    return "Applications\\Brelix" + std::to_string(year);
}

std::string AcadInventory::DemandLoadEntryPath(const std::string& releaseKeyPath, int year) {
    return text936::WithoutTrailingBackslash(releaseKeyPath) + "\\" + DemandLoadEntryName(year);
}

void AcadInventory::RegisterRelease(platform::Registry& registry,
                                    platform::Environment& environment,
                                    int year,
                                    InstallJournal& log) {
    const auto index = ReleaseIndexOfYear(year);
    if (!index)
        return;
    // The entry carries the release year; the module file the year of the build serving it.
    const std::string entryName = DemandLoadEntryName(year);
    const auto modulePath = acad::FormatFitting(acad::kNameBufferSize, "%s\\Brelix结构工具箱\\BRELIX%d.ARX",
                                                targetRoot.c_str(), ReleaseTable()[*index].arxBuild);
    const std::string release = "AutoCAD " + std::to_string(year);
    if (!modulePath) {
        if (!acadKeys[*index].empty())
            // No system error: the program's own limit of a path.
            log.Problem(release + " 的加载项路径太长，产品没有注册到该版本");
        return;
    }

    auto localMachine = registry.OpenRoot(platform::RootKey::LocalMachine);
    for (const std::string& releaseKeyPath : acadKeys[*index]) {
        const std::string entryPath = DemandLoadEntryPath(releaseKeyPath, year);
        // As Windows keeps it: a script or a detection rule copied from the log finds it.
        const std::string entryWhere =
            platform::MachineKeyName(registry, platform::RegistryView::Default, entryPath, buildBitness);
        auto releaseKey =
            localMachine ? localMachine->Open(releaseKeyPath, platform::KeyAccess::Default) : nullptr;
        if (!releaseKey) {
            log.Problem("未能打开 " + release + " 的注册表项 HKLM\\" + releaseKeyPath +
                        platform::DescribeSystemError(environment.LastError()) + "，产品没有注册到该版本");
            continue;
        }
        // Deleting first drops values an earlier installation may have left in the entry; an
        // entry with subkeys of its own survives and only gets the two values overwritten.
        releaseKey->DeleteSubkey(entryName);
        auto entry = releaseKey->Create(entryName);
        const bool written = entry && entry->WriteDword("LOADCTRLS", kLoadOnStartup) &&
                             entry->WriteString("LOADER", *modulePath);
        if (!written) {
            log.Problem("未能写入 " + release + " 的加载项 " + entryWhere +
                        platform::DescribeSystemError(environment.LastError()));
            continue;
        }
        log.Note("已写入 " + entryWhere + " LOADCTRLS = 2");
        log.Note("已写入 " + entryWhere + " LOADER = " + *modulePath);
        log.DemandLoadKeyWritten(entryPath);
    }
}

void ClearCompatFlags(platform::Registry& registry,
                      platform::Environment& environment,
                      const StringList& folders,
                      InstallJournal& log) {
    if (folders.empty())
        return;
    const std::string layersPath = std::string("HKCU\\") + kCompatLayersKey;
    auto currentUser = registry.OpenRoot(platform::RootKey::CurrentUser);
    // Without the key there is no value to clear; only values seen to be there are worth a word.
    auto reader = currentUser ? currentUser->Open(kCompatLayersKey, platform::KeyAccess::Read) : nullptr;
    if (!reader)
        return;
    auto layers = currentUser->Open(kCompatLayersKey, platform::KeyAccess::Write);
    for (const std::string& folder : folders) {
        if (!acad::IsFullPath(folder))
            continue;
        const auto valueName = acad::FormatFitting(acad::kNameBufferSize, "%s\\acad.exe", folder.c_str());
        if (!valueName || reader->ReadValue(*valueName, 0).status == platform::ReadStatus::Missing)
            continue;
        if (!layers || !layers->DeleteValue(*valueName)) {
            log.Problem("未能清除 " + *valueName + " 的兼容模式设置（" + layersPath + "）" +
                        platform::DescribeSystemError(environment.LastError()));
            continue;
        }
        log.Note("已删除 " + layersPath + " " + *valueName);
    }
}

}  // namespace state
