#pragma once
// The least work a registry search can do: open every key below a root once and enumerate its
// subkeys with RegEnumKeyExA, reading no value.
#include <windows.h>

namespace bench {

// Walks every key below HKEY_LOCAL_MACHINE `path`, in the registry view `view` names (0: the
// program's own, or KEY_WOW64_64KEY); returns how many keys it opened (0 when the root is missing).
int WalkKeys(HKEY parent, const char* path, REGSAM view = 0);

}  // namespace bench
