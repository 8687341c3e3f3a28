// Files the program carries inside itself as RCDATA resources, written out where they are needed.

#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_files.h"

namespace platform::win32 {

bool Win32FileSystem::WriteCarriedFile(const std::string& name, const std::string& path) {
    HRSRC resource = FindResourceA(nullptr, name.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!resource)
        return false;
    HGLOBAL loaded = LoadResource(nullptr, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(nullptr, resource);
    if (!bytes || size == 0)
        return false;

    UniqueFile file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    const bool complete = WriteFile(file.get(), bytes, size, &written, nullptr) && written == size;
    file.reset();
    // Half a program is worse than none: Windows would try to run it at every logon.
    if (!complete)
        DeleteFileA(path.c_str());
    return complete;
}

}  // namespace platform::win32
