#include "install/record/product_layout.h"

#include <initializer_list>

#include "platform/text936.h"

namespace install {

namespace {

// As the keeper matches names: the extension anywhere but at the start ("A.CFG.BAK" counts too).
bool HasAnyOf(const std::string& upperName, std::initializer_list<const char*> extensions) {
    for (const char* extension : extensions) {
        if (text936::ContainsNotAtStart(upperName, extension))
            return true;
    }
    return false;
}

}  // namespace

bool IsKeptKind(const std::string& pathBelowProductFolder) {
    const std::string upper = text936::ToUpper(pathBelowProductFolder);
    const std::size_t separator = text936::FindLastBackslash(upper);
    if (separator == text936::npos)
        return HasAnyOf(upper, {kSettingsExtension, kSectionExtension});
    return upper.substr(0, separator) == text936::ToUpper(kDrawingLibraryName) &&
           HasAnyOf(upper.substr(separator + 1), {kDrawingExtension});
}

std::string ProductFolderOf(const std::string& installRoot) {
    return JoinPath(text936::WithoutTrailingBackslash(installRoot), kProductFolderName);
}

}  // namespace install
