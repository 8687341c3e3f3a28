#include "platform/win32/unique_handles.h"

#include <algorithm>
#include <iterator>

namespace platform::win32 {

bool IsPredefinedKey(HKEY key) {
    static const HKEY kPredefined[] = {
        HKEY_CLASSES_ROOT,     HKEY_CURRENT_USER,
        HKEY_LOCAL_MACHINE,    HKEY_USERS,
        HKEY_CURRENT_CONFIG,   HKEY_PERFORMANCE_DATA,
        HKEY_PERFORMANCE_TEXT, HKEY_PERFORMANCE_NLSTEXT,
        HKEY_DYN_DATA,         HKEY_CURRENT_USER_LOCAL_SETTINGS,
    };
    return std::find(std::begin(kPredefined), std::end(kPredefined), key) != std::end(kPredefined);
}

}  // namespace platform::win32
