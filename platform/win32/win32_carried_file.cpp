// Programs the running program carries inside itself as RCDATA resources, written out byte for byte
// where they are needed. Nothing is changed on the way: a signed program stays signed.

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
    // Closed before the check of the close: a write the system delays can still fail here.
    const bool closed = CloseHandle(file.release()) != FALSE;
    // Half a program is worse than none: Windows would try to run it at every logon.
    if (!complete || !closed) {
        DeleteFileA(path.c_str());
        return false;
    }
    return true;
}

}  // namespace platform::win32
