#include "bench/raw_copy.h"

#include <windows.h>

namespace bench {

namespace {

// Calls `each` with the name of each of the first `count` files of `source`; how many it accepted.
template <typename Each>
int ForFirstFiles(const std::string& source, int count, Each each) {
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA((source + "\\*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int examined = 0;
    int done = 0;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        ++examined;
        if (each(std::string(entry.cFileName)))
            ++done;
    } while (examined < count && FindNextFileA(search, &entry));
    FindClose(search);
    return done;
}

}  // namespace

int StageFirstFiles(const std::string& source, const std::string& target, int count) {
    return ForFirstFiles(source, count, [&](const std::string& name) {
        const std::string to = target + "\\" + name;
        const std::string staged = to + ".new";
        const std::string old = to + ".old";
        return CopyFileA((source + "\\" + name).c_str(), staged.c_str(), TRUE) &&
               MoveFileExA(to.c_str(), old.c_str(), 0) && MoveFileExA(staged.c_str(), to.c_str(), 0) &&
               DeleteFileA(old.c_str());
    });
}

int CopyFirstFiles(const std::string& source, const std::string& target, int count) {
    return ForFirstFiles(source, count, [&](const std::string& name) {
        return CopyFileA((source + "\\" + name).c_str(), (target + "\\" + name).c_str(), FALSE) != FALSE;
    });
}

}  // namespace bench
