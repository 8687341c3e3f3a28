#include "bench/raw_registry_walk.h"

namespace bench {

int WalkKeys(HKEY parent, const char* path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return 0;
    int opened = 1;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        opened += WalkKeys(key, name, view);
    }
    RegCloseKey(key);
    return opened;
}

}  // namespace bench
