#include "bench/raw_copy.h"

#include <windows.h>

namespace bench {

int CopyFirstFiles(const std::string& source, const std::string& target, int count) {
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA((source + "\\*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int examined = 0;
    int copied = 0;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        ++examined;
        const std::string name = entry.cFileName;
        if (CopyFileA((source + "\\" + name).c_str(), (target + "\\" + name).c_str(), FALSE))
            ++copied;
    } while (examined < count && FindNextFileA(search, &entry));
    FindClose(search);
    return copied;
}

}  // namespace bench
