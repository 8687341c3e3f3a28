// Adds the product folder to TRUSTEDPATHS in every AutoCAD profile of the current user.

#include <optional>
#include <string>

#include "acad/buffer_format.h"
#include "platform/registry_text.h"
#include "platform/text936.h"
#include "state/acad_inventory.h"

namespace state {

namespace {

constexpr char kUserAcadRoot[] = "SOFTWARE\\Autodesk\\AutoCAD";
constexpr char kTrustedPathsValue[] = "TRUSTEDPATHS";
// A current value this short (empty, or such as a lone ";") holds no folder worth keeping.
constexpr std::size_t kNegligibleValueLength = 2;

// `base` without one trailing "\" and with "\<leaf>" appended, when it fits a name buffer.
std::optional<std::string> AppendLevel(const std::string& base, const char* leaf) {
    return acad::FormatFitting(acad::kNameBufferSize, "%s\\%s",
                               text936::WithoutTrailingBackslash(base).c_str(), leaf);
}

// "SOFTWARE\Autodesk\AutoCAD\<release>\<product>\Profiles" for every product key of the user.
StringList CollectProfilesKeys(platform::Registry& registry) {
    StringList profilesKeys;
    auto currentUser = registry.OpenRoot(platform::RootKey::CurrentUser);
    if (!currentUser)
        return profilesKeys;
    auto acadRoot = currentUser->Open(kUserAcadRoot, platform::KeyAccess::Read);
    if (!acadRoot)
        return profilesKeys;

    StringList releases;
    ListSubkeys(*acadRoot, releases);
    for (const std::string& release : releases) {
        auto releaseKey = acadRoot->Open(release, platform::KeyAccess::Read);
        if (!releaseKey)
            continue;
        StringList products;
        ListSubkeys(*releaseKey, products);
        for (const std::string& product : products) {
            const auto productPath =
                acad::FormatFitting(acad::kNameBufferSize, "SOFTWARE\\Autodesk\\AutoCAD\\%s\\%s",
                                    release.c_str(), product.c_str());
            if (!productPath)
                continue;
            if (auto profiles = AppendLevel(*productPath, "Profiles"))
                profilesKeys.push_back(*profiles);
        }
    }
    return profilesKeys;
}

// "<profiles key>\<profile>\Variables" for every profile below the given profiles keys.
StringList CollectVariablesKeys(platform::Registry& registry, const StringList& profilesKeys) {
    StringList variablesKeys;
    auto currentUser = registry.OpenRoot(platform::RootKey::CurrentUser);
    if (!currentUser)
        return variablesKeys;

    for (const std::string& profilesPath : profilesKeys) {
        auto profilesKey = currentUser->Open(profilesPath, platform::KeyAccess::Read);
        if (!profilesKey)
            continue;
        StringList profiles;
        ListSubkeys(*profilesKey, profiles);
        for (const std::string& profile : profiles) {
            const auto profilePath =
                acad::FormatFitting(acad::kNameBufferSize, "%s\\%s", profilesPath.c_str(), profile.c_str());
            if (!profilePath)
                continue;
            if (auto variables = AppendLevel(*profilePath, "Variables"))
                variablesKeys.push_back(*variables);
        }
    }
    return variablesKeys;
}

// The current TRUSTEDPATHS text of a variables key (nullptr: the key is missing): empty when the
// value is missing or not text, nullopt when a text value exists but could not be read whole (it
// must then be left alone).
std::optional<std::string> ReadTrustedPaths(platform::RegistryKey* variables,
                                            platform::Environment& environment) {
    if (!variables)
        return std::string();
    const platform::TextRead value =
        platform::ReadText(*variables, kTrustedPathsValue, acad::kTrustedPathsBufferSize, environment);
    switch (value.status) {
        case platform::TextStatus::Ok:
            return value.text;
        case platform::TextStatus::Missing:
        case platform::TextStatus::WrongType:
            return std::string();
        case platform::TextStatus::TooLarge:
        case platform::TextStatus::Failed:
            break;
    }
    return std::nullopt;
}

// The value to write: the current list upper-cased with the folder appended unless it is
// already in it, or the folder alone when the current list is negligible.
std::string MergeTrustedPaths(const std::string& current, const std::string& productFolder) {
    if (current.size() <= kNegligibleValueLength)
        return productFolder;
    const std::string upperCurrent = text936::ToUpper(current);
    const std::string upperFolder = text936::ToUpper(productFolder);
    if (text936::Find(upperCurrent, upperFolder) != text936::npos)
        return upperCurrent;
    return upperCurrent + ";" + upperFolder;
}

}  // namespace

void ListSubkeys(platform::RegistryKey& key, StringList& names) {
    const auto count = key.SubkeyCount();
    if (!count)
        return;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto name = key.SubkeyName(i, acad::kEnumBufferSize);
        if (!name)
            continue;
        if (key.Open(*name, platform::KeyAccess::Read))
            names.push_back(*name);
    }
}

StringList AcadInventory::ProfileVariablesKeys(platform::Registry& registry) {
    return CollectVariablesKeys(registry, CollectProfilesKeys(registry));
}

void AcadInventory::AddTrustedPaths(platform::Registry& registry,
                                    platform::Environment& environment,
                                    InstallJournal& log) {
    const StringList variablesKeys = ProfileVariablesKeys(registry);
    if (variablesKeys.empty())
        return;

    const auto productFolder =
        acad::FormatFitting(acad::kNameBufferSize, "%s\\Brelix结构工具箱", targetRoot.c_str());
    auto currentUser = registry.OpenRoot(platform::RootKey::CurrentUser);
    for (const std::string& variablesPath : variablesKeys) {
        const std::string where = "HKCU\\" + variablesPath;
        if (!productFolder || !currentUser) {
            log.Problem("未能把产品文件夹加入 AutoCAD 的信任路径（" + where + "）" +
                        platform::DescribeSystemError(environment.LastError()));
            continue;
        }
        // The key read is the key written; only a profile without one gets it created below.
        auto variables = currentUser->Open(variablesPath, platform::KeyAccess::Default);
        const auto current = ReadTrustedPaths(variables.get(), environment);
        if (!current) {
            log.Problem("未能读取 AutoCAD 的信任路径（" + where + "）" +
                        platform::DescribeSystemError(environment.LastError()) + "，产品文件夹没有加入");
            continue;
        }
        const std::string merged = MergeTrustedPaths(*current, *productFolder);
        if (!text936::FitsBuffer(merged, acad::kTrustedPathsBufferSize)) {
            // No system error: the list has no room left in AutoCAD's own limit.
            log.Problem("AutoCAD 的信任路径已满（" + where + "），产品文件夹没有加入");
            continue;
        }
        // Creating it supplies a profile that has no "Variables" key yet.
        if (!variables)
            variables = currentUser->Create(variablesPath);
        if (!variables || !variables->WriteString(kTrustedPathsValue, merged)) {
            log.Problem("未能把产品文件夹加入 AutoCAD 的信任路径（" + where + "）" +
                        platform::DescribeSystemError(environment.LastError()));
            continue;
        }
        if (text936::EqualsNoCase(merged, *current))
            log.Note("未变 " + where + " TRUSTEDPATHS：" + *current);
        else
            log.Note("已修改 " + where + " TRUSTEDPATHS：" + *current + " -> " + merged);
        log.TrustedPathAdded(variablesPath);
    }
}

}  // namespace state
