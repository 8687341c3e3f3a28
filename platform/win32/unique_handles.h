#pragma once
// Owning wrappers for the handle kinds the Win32 backend opens. Each closes its handle once, cannot be
// copied and can be moved; the "no handle" value of each kind is explicit.

#include <utility>

#include "platform/win32/win32_api.h"

namespace platform::win32 {

template <typename Traits>
class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }

    // Gives up ownership without closing.
    Handle release() { return std::exchange(handle_, Traits::Invalid()); }
    // Closes the handle held (if any) and takes `handle`.
    void reset(Handle handle = Traits::Invalid()) {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }
    // Closes the handle held and returns where an API can store a new one.
    Handle* put() {
        reset();
        return &handle_;
    }

  private:
    Handle handle_ = Traits::Invalid();
};

// True for the predefined root keys (HKEY_LOCAL_MACHINE and the others): the system owns those, and a
// caller that closed one would break every later use of it in the process.
bool IsPredefinedKey(HKEY key);

struct KeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle key) {
        if (!IsPredefinedKey(key))
            RegCloseKey(key);
    }
};

struct FindTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle find) { FindClose(find); }
};

// CreateToolhelp32Snapshot reports failure as INVALID_HANDLE_VALUE, not NULL.
struct SnapshotTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle snapshot) { CloseHandle(snapshot); }
};

// CreateFileA reports failure as INVALID_HANDLE_VALUE, not NULL.
struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle file) { CloseHandle(file); }
};

using UniqueKey = UniqueHandle<KeyTraits>;
using UniqueFind = UniqueHandle<FindTraits>;
using UniqueSnapshot = UniqueHandle<SnapshotTraits>;
using UniqueFile = UniqueHandle<FileTraits>;

}  // namespace platform::win32
