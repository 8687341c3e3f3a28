#include "platform/win32/win32_registry.h"

#include <cstring>
#include <vector>

#include "platform/win32/unique_handles.h"

namespace platform::win32 {

namespace {

// An open key; see win32_registry.h for what each operation does on failure.
class Win32RegistryKey : public RegistryKey {
  public:
    // `viewFlag` is 0 (the program's own view) or KEY_WOW64_32KEY / KEY_WOW64_64KEY.
    Win32RegistryKey(UniqueKey key, REGSAM viewFlag) : key_(std::move(key)), viewFlag_(viewFlag) {}

    std::unique_ptr<RegistryKey> Open(const std::string& path, KeyAccess access) override;
    std::unique_ptr<RegistryKey> Create(const std::string& path) override;
    std::optional<std::uint32_t> SubkeyCount() override;
    std::optional<std::string> SubkeyName(std::uint32_t index, std::size_t capacity) override;
    ValueRead ReadValue(const std::string& name, std::size_t capacity) override;
    bool WriteString(const std::string& name, const std::string& text) override;
    bool WriteDword(const std::string& name, std::uint32_t value) override;
    bool DeleteValue(const std::string& name) override;
    bool DeleteSubkey(const std::string& path) override;

  private:
    UniqueKey key_;
    REGSAM viewFlag_;
};

// The registry functions return their error instead of setting it: set it, so that the log can
// name it after a failed write or delete (Environment::LastError).
bool Succeeded(LONG status) {
    if (status == ERROR_SUCCESS)
        return true;
    SetLastError(static_cast<DWORD>(status));
    return false;
}

std::unique_ptr<RegistryKey> Wrap(LONG status, UniqueKey& key, REGSAM viewFlag) {
    if (!Succeeded(status) || !key)
        return nullptr;
    return std::make_unique<Win32RegistryKey>(std::move(key), viewFlag);
}

REGSAM ViewFlagOf(RegistryView view) {
    switch (view) {
        case RegistryView::Force32:
            return KEY_WOW64_32KEY;
        case RegistryView::Force64:
            return KEY_WOW64_64KEY;
        case RegistryView::Default:
            break;
    }
    return 0;
}

REGSAM SamOf(KeyAccess access) {
    return access == KeyAccess::Write ? KEY_WRITE : KEY_READ;
}

bool SetValue(HKEY key, const std::string& name, DWORD type, const void* data, std::size_t size) {
    return Succeeded(
        RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)));
}

}  // namespace

std::unique_ptr<RegistryKey> Win32RegistryKey::Open(const std::string& path, KeyAccess access) {
    UniqueKey opened;
    LONG status;
    if (access != KeyAccess::Default) {
        status = RegOpenKeyExA(key_.get(), path.c_str(), 0, SamOf(access) | viewFlag_, opened.put());
    } else if (path.empty() || viewFlag_ != 0) {
        status = RegOpenKeyExA(key_.get(), path.c_str(), 0, MAXIMUM_ALLOWED | viewFlag_, opened.put());
    } else {
        status = RegOpenKeyA(key_.get(), path.c_str(), opened.put());
    }
    return Wrap(status, opened, viewFlag_);
}

std::unique_ptr<RegistryKey> Win32RegistryKey::Create(const std::string& path) {
    if (path.empty())
        return Open(path, KeyAccess::Default);
    UniqueKey created;
    if (viewFlag_ == 0)
        return Wrap(RegCreateKeyA(key_.get(), path.c_str(), created.put()), created, viewFlag_);
    const LONG status = RegCreateKeyExA(key_.get(), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        MAXIMUM_ALLOWED | viewFlag_, nullptr, created.put(), nullptr);
    return Wrap(status, created, viewFlag_);
}

std::optional<std::uint32_t> Win32RegistryKey::SubkeyCount() {
    DWORD count = 0;
    if (RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return count;
}

std::optional<std::string> Win32RegistryKey::SubkeyName(std::uint32_t index, std::size_t capacity) {
    if (capacity == 0)
        return std::nullopt;
    std::vector<char> buffer(capacity, '\0');
    DWORD length = static_cast<DWORD>(capacity);
    if (RegEnumKeyExA(key_.get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(buffer.data(), length);
}

ValueRead Win32RegistryKey::ReadValue(const std::string& name, std::size_t capacity) {
    // One spare byte so that a zero capacity still passes a buffer: with no buffer the call would
    // succeed and only report the size.
    std::vector<BYTE> buffer(capacity + 1, 0);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(capacity);
    const LONG status = RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, buffer.data(), &size);
    ValueRead read;
    switch (status) {
        case ERROR_SUCCESS:
            read.status = ReadStatus::Ok;
            read.type = type;
            read.data.assign(reinterpret_cast<const char*>(buffer.data()), size);
            break;
        case ERROR_MORE_DATA:
            read.status = ReadStatus::TooLarge;
            read.type = type;
            break;
        case ERROR_FILE_NOT_FOUND:
            read.status = ReadStatus::Missing;
            break;
        default:
            read.status = ReadStatus::Failed;
            break;
    }
    return read;
}

bool Win32RegistryKey::WriteString(const std::string& name, const std::string& text) {
    return SetValue(key_.get(), name, REG_SZ, text.c_str(), text.size() + 1);
}

bool Win32RegistryKey::WriteDword(const std::string& name, std::uint32_t value) {
    const DWORD data = value;
    return SetValue(key_.get(), name, REG_DWORD, &data, sizeof data);
}

bool Win32RegistryKey::DeleteValue(const std::string& name) {
    return Succeeded(RegDeleteValueA(key_.get(), name.c_str()));
}

bool Win32RegistryKey::DeleteSubkey(const std::string& path) {
    if (path.empty())
        return false;
    if (viewFlag_ != 0)
        return Succeeded(RegDeleteKeyExA(key_.get(), path.c_str(), viewFlag_, 0));
    return Succeeded(RegDeleteKeyA(key_.get(), path.c_str()));
}

int Win32Registry::SystemBitness() {
    if (systemBitness_ != 0)
        return systemBitness_;
#ifdef _WIN64
    systemBitness_ = 64;
#else
    // Looked up at run time: Windows before XP SP2 lacks the function, and has one view.
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const FARPROC address = kernel ? GetProcAddress(kernel, "IsWow64Process") : nullptr;
    BOOL wow64 = FALSE;
    if (address) {
        IsWow64ProcessFunction isWow64Process;
        std::memcpy(&isWow64Process, &address, sizeof address);
        if (!isWow64Process(GetCurrentProcess(), &wow64))
            wow64 = FALSE;
    }
    systemBitness_ = wow64 ? 64 : 32;
#endif
    return systemBitness_;
}

std::unique_ptr<RegistryKey> Win32Registry::OpenRoot(RootKey root) {
    const HKEY predefined = root == RootKey::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    UniqueKey opened;
    return Wrap(RegOpenKeyA(predefined, nullptr, opened.put()), opened, 0);
}

std::unique_ptr<RegistryKey> Win32Registry::OpenRoot(RootKey root, RegistryView view) {
    const REGSAM viewFlag = ViewFlagOf(view);
    if (viewFlag == 0)
        return OpenRoot(root);
    const HKEY predefined = root == RootKey::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    UniqueKey opened;
    // The root handle itself belongs to no view; the flag is passed on every call below it.
    return Wrap(RegOpenKeyExA(predefined, "", 0, MAXIMUM_ALLOWED, opened.put()), opened, viewFlag);
}

}  // namespace platform::win32
