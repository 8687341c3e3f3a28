// The per-user program made from the running program: a copy of its own file whose resources are
// rewritten with BeginUpdateResourceA/UpdateResourceA/EndUpdateResourceA.

#include "platform/win32/per_user_program.h"

#include "platform/win32/win32_api.h"

namespace platform::win32 {

namespace {

// The language every resource of the program is compiled with (res/SetUp.rc): updating under the
// same language replaces the manifest instead of adding a second one beside it.
constexpr WORD kResourceLanguage = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

struct ResourceBytes {
    void* data = nullptr;
    DWORD size = 0;
};

ResourceBytes OwnRcdata(const char* name) {
    HRSRC resource = FindResourceA(nullptr, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!resource)
        return {};
    HGLOBAL loaded = LoadResource(nullptr, resource);
    return {loaded ? LockResource(loaded) : nullptr, SizeofResource(nullptr, resource)};
}

// An open resource update; discarded unless committed.
class ResourceUpdate {
  public:
    explicit ResourceUpdate(const std::string& path) : handle_(BeginUpdateResourceA(path.c_str(), FALSE)) {}
    ~ResourceUpdate() {
        if (handle_)
            EndUpdateResourceA(handle_, TRUE);
    }
    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }
    bool Put(const char* type, const char* name, void* data, DWORD size) {
        return UpdateResourceA(handle_, type, name, kResourceLanguage, data, size) != FALSE;
    }
    bool Commit() {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return EndUpdateResourceA(handle, FALSE) != FALSE;
    }

  private:
    HANDLE handle_;
};

bool MakeCopyPerUser(const std::string& path) {
    ResourceBytes manifest = OwnRcdata(kPerUserManifestResource);
    if (!manifest.data || manifest.size == 0)
        return false;
    ResourceUpdate update(path);
    char marker[] = "1";  // its presence is what counts
    return update && update.Put(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), manifest.data, manifest.size) &&
           update.Put(MAKEINTRESOURCEA(10), kPerUserMarkerResource, marker, sizeof marker - 1) &&
           update.Commit();
}

}  // namespace

bool IsPerUserProgram() {
    return FindResourceA(nullptr, kPerUserMarkerResource, MAKEINTRESOURCEA(10)) != nullptr;
}

bool WritePerUserProgram(const std::string& path) {
    char self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    // A name that filled the buffer may be cut short: refuse rather than copy another file.
    if (length == 0 || length >= MAX_PATH)
        return false;
    if (!CopyFileA(self, path.c_str(), FALSE))
        return false;
    // Half a program is worse than none: Windows would try to run it at every logon.
    if (!MakeCopyPerUser(path)) {
        DeleteFileA(path.c_str());
        return false;
    }
    return true;
}

}  // namespace platform::win32
