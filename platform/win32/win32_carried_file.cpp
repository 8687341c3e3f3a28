// Programs the running program carries inside itself as RCDATA resources, packed, and written out
// byte for byte where they are needed. Nothing is changed on the way: a signed program stays signed.

#include <vector>

#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_files.h"

namespace platform::win32 {

namespace {

// RtlDecompressBuffer of ntdll, loaded in every process (no DLL is looked for).
using Decompress = LONG(WINAPI*)(USHORT format, PUCHAR out, ULONG outSize, PUCHAR in, ULONG inSize, PULONG got);
constexpr USHORT kFormatLznt1 = 2;

// The program carried under `name`: its size (4 bytes, little-endian), then its bytes in LZNT1
// (scripts/lznt1.py). Empty when it is missing or does not unpack to its whole size.
std::vector<unsigned char> UnpackCarried(const std::string& name) {
    HRSRC resource = FindResourceA(nullptr, name.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    const DWORD size = resource ? SizeofResource(nullptr, resource) : 0;
    const auto decompress = reinterpret_cast<Decompress>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlDecompressBuffer")));
    if (!bytes || size <= 4 || !decompress)
        return {};
    const ULONG whole = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<ULONG>(bytes[3]) << 24);
    if (whole == 0 || whole > (64u << 20))
        return {};
    std::vector<unsigned char> program(whole);
    ULONG got = 0;
    if (decompress(kFormatLznt1, program.data(), whole, const_cast<unsigned char*>(bytes + 4), size - 4, &got) != 0 ||
        got != whole)
        return {};
    return program;
}

}  // namespace

bool Win32FileSystem::WriteCarriedFile(const std::string& name, const std::string& path) {
    const std::vector<unsigned char> program = UnpackCarried(name);
    if (program.empty())
        return false;
    UniqueFile file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(program.size());
    const bool complete = WriteFile(file.get(), program.data(), size, &written, nullptr) && written == size;
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
