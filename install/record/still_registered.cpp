#include "install/record/still_registered.h"

#include "acad/buffer_format.h"
#include "install/record/install_record.h"
#include "install/record/install_root.h"
#include "install/record/product_layout.h"
#include "install/record/setup_folder.h"
#include "platform/registry_text.h"
#include "platform/text936.h"

namespace install {

namespace {

constexpr char kLoaderValue[] = "LOADER";
constexpr char kModulePrefix[] = "BRELIX";
constexpr char kModuleSuffix[] = ".ARX";
constexpr char kEntryPrefix[] = "Brelix";

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// "AutoCAD 2021" for "...\Applications\Brelix2021"; the key itself when it is named otherwise.
std::string ReleaseOfEntry(const std::string& key) {
    const std::size_t slash = text936::FindLastBackslash(key);
    const std::string name = slash == text936::npos ? key : key.substr(slash + 1);
    const std::size_t prefix = sizeof(kEntryPrefix) - 1;
    if (name.size() > prefix && text936::EqualsNoCase(name.substr(0, prefix), kEntryPrefix) &&
        AllDigits(name.substr(prefix)))
        return "AutoCAD " + name.substr(prefix);
    return "HKLM\\" + key;
}

bool Contains(const std::vector<std::string>& list, const std::string& entry) {
    for (const std::string& each : list) {
        if (text936::EqualsNoCase(each, entry))
            return true;
    }
    return false;
}

}  // namespace

bool LooksLikeOurModule(const std::string& loader) {
    const auto levels = text936::SplitLevels(ComparablePath(loader));
    if (!levels || levels->size() < 2)
        return false;
    const std::string name = text936::ToUpper(levels->back());
    const std::size_t prefix = sizeof(kModulePrefix) - 1;
    const std::size_t suffix = sizeof(kModuleSuffix) - 1;
    if (name.size() <= prefix + suffix || name.compare(0, prefix, kModulePrefix) != 0 ||
        name.compare(name.size() - suffix, suffix, kModuleSuffix) != 0)
        return false;
    return AllDigits(name.substr(prefix, name.size() - prefix - suffix)) &&
           text936::EqualsNoCase((*levels)[levels->size() - 2], kProductFolderName);
}

std::vector<std::string> StillRegisteredFromBefore(platform::Services& services,
                                                   const state::InstallJournal& log,
                                                   const std::string& productFolder) {
    std::vector<std::string> keys;
    for (const std::string& folder : SetupFolders(services.registry, services.environment)) {
        if (const auto record = ReadInstallRecord(services.files, folder)) {
            for (const std::string& key : record->demandLoadKeys) {
                if (!Contains(keys, key))
                    keys.push_back(key);
            }
        }
    }
    std::vector<std::string> lines;
    for (const std::string& key : keys) {
        const bool writtenNow = Contains(log.DemandLoadKeys(), key);
        for (const platform::RegistryView view : platform::kBothViews) {
            auto localMachine = services.registry.OpenRoot(platform::RootKey::LocalMachine, view);
            const auto loader = localMachine ? platform::ReadSubkeyText(*localMachine, key, kLoaderValue,
                                                                        acad::kNameBufferSize)
                                             : std::nullopt;
            if (!loader || !LooksLikeOurModule(*loader))
                continue;
            const std::string comparable = ComparablePath(*loader);
            const std::string folder = comparable.substr(0, text936::FindLastBackslash(comparable));
            std::string line;
            if (!SamePath(folder, productFolder))
                line = ReleaseOfEntry(key) + " 仍从 " + folder + " 加载本产品（卸载时删除）";
            else if (!writtenNow)
                line = ReleaseOfEntry(key) + " 本次未选择，但早先的安装仍为它注册了本产品，从 " + folder +
                       " 加载（卸载时删除）";
            // On a 32-bit system both views are the one tree.
            if (!line.empty() && !Contains(lines, line))
                lines.push_back(line);
        }
    }
    return lines;
}

}  // namespace install
