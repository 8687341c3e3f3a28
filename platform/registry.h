#pragma once
// The registry as the installer uses it: ANSI (code page 936) names. Keys are reached in the
// program's own view unless a root is opened in a chosen view; every key below it stays there.
// Implemented by win32/ (advapi32) and memory/ (an in-memory tree for tests).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class RootKey { LocalMachine, CurrentUser };

// Which registry view of a 64-bit system a root is opened in (KEY_WOW64_32KEY / KEY_WOW64_64KEY).
// A 32-bit system has one view, which every choice reaches.
enum class RegistryView {
    Default,  // the view of the program's own bitness
    Force32,
    Force64,
};

// Both views of a 64-bit system, for what either build may have written in its own; on a 32-bit
// system both name the one view.
constexpr RegistryView kBothViews[] = {RegistryView::Force32, RegistryView::Force64};

// Access asked for when a key is opened.
enum class KeyAccess {
    Default,  // RegOpenKeyA
    Read,     // KEY_READ 0x20019
    Write,    // KEY_WRITE 0x20006
};

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegDword = 4;

enum class ReadStatus {
    Ok,        // the value exists and fits the buffer
    Missing,   // no such value
    TooLarge,  // the value exists but does not fit; nothing was read
    Failed,    // any other error
};

struct ValueRead {
    ReadStatus status = ReadStatus::Missing;
    std::uint32_t type = 0;
    std::string data;  // raw bytes, as stored (a REG_SZ usually ends in its zero byte)

    bool ok() const { return status == ReadStatus::Ok; }
    // The data up to its first zero byte.
    std::string Text() const { return data.substr(0, data.find('\0')); }
};

// An open key; closes itself. Every path argument is relative to this key.
class RegistryKey {
  public:
    virtual ~RegistryKey() = default;

    // Opens a subkey; an empty path opens this key once more. nullptr when it cannot be opened.
    virtual std::unique_ptr<RegistryKey> Open(const std::string& path, KeyAccess access) = 0;
    // Creates or opens a subkey path (every missing level is created). nullptr on failure.
    virtual std::unique_ptr<RegistryKey> Create(const std::string& path) = 0;

    // Number of direct subkeys; nullopt on failure.
    virtual std::optional<std::uint32_t> SubkeyCount() = 0;
    // Name of subkey `index` read into a buffer of `capacity` bytes (terminator included).
    // nullopt on failure, also when the name does not fit.
    virtual std::optional<std::string> SubkeyName(std::uint32_t index, std::size_t capacity) = 0;

    // Reads a value into a buffer of `capacity` bytes. TooLarge leaves `data` empty.
    virtual ValueRead ReadValue(const std::string& name, std::size_t capacity) = 0;
    // REG_SZ with the terminating zero byte (data length = text length + 1).
    virtual bool WriteString(const std::string& name, const std::string& text) = 0;
    virtual bool WriteDword(const std::string& name, std::uint32_t value) = 0;
    // Deleting a missing value fails (as RegDeleteValueA does); callers ignore it.
    virtual bool DeleteValue(const std::string& name) = 0;
    // Deletes a subkey that has no subkeys of its own; fails otherwise and when it is missing.
    virtual bool DeleteSubkey(const std::string& path) = 0;
};

// The text (up to its first zero byte) of value `name` of the subkey `path` of `key`, read into a
// buffer of `capacity` bytes; nullopt when the subkey or the value cannot be read.
inline std::optional<std::string> ReadSubkeyText(RegistryKey& key,
                                                 const std::string& path,
                                                 const std::string& name,
                                                 std::size_t capacity) {
    auto subkey = key.Open(path, KeyAccess::Read);
    if (!subkey)
        return std::nullopt;
    const ValueRead value = subkey->ReadValue(name, capacity);
    if (!value.ok())
        return std::nullopt;
    return value.Text();
}

class Registry {
  public:
    virtual ~Registry() = default;
    // Opens a root key itself (RegOpenKeyA with no subkey). nullptr on failure.
    virtual std::unique_ptr<RegistryKey> OpenRoot(RootKey root) = 0;
    // The same in a chosen view: opens and creates below the returned key pass the view's flag.
    virtual std::unique_ptr<RegistryKey> OpenRoot(RootKey root, RegistryView view) = 0;
    // 64 when the system has both views (a 64-bit Windows; a 32-bit program there runs under WOW64),
    // 32 when it has one. Answered without touching the registry; never fails.
    virtual int SystemBitness() = 0;
    // Calls read(0) to read(count - 1), each once, and returns when every call has returned. The calls
    // may run at once, on threads of their own, and in any order: each may only read (the registry,
    // through keys it opens itself below keys opened before; the environment) and write what its own
    // index owns.
    virtual void ReadConcurrently(std::size_t count, const std::function<void(std::size_t)>& read) = 0;
};

}  // namespace platform
