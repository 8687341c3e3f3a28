#pragma once
// The least work a registry search can do: open every key below a root once and enumerate its
// subkeys with RegEnumKeyExA, reading no value.
#include <windows.h>

namespace bench {

// Walks every key below HKEY_LOCAL_MACHINE `path`; returns how many keys it opened (0 when the
// root is missing).
int WalkKeys(HKEY parent, const char* path);

}  // namespace bench
