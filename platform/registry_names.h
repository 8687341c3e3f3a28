#pragma once
// How the log names a key below HKEY_LOCAL_MACHINE: where Windows really keeps it, so that a
// detection rule or a script copied from the log finds it. A key of the 32-bit view on 64-bit
// Windows lives below "SOFTWARE\WOW6432Node".

#include <string>

#include "platform/registry.h"

namespace platform {

// True when the machine has the second registry view (64-bit Windows): its 64-bit view holds
// "SOFTWARE\WOW6432Node".
bool HasWow64View(Registry& registry);

// "HKLM\<path>" as seen in `view` by a program of `buildBitness` bits: "HKLM\SOFTWARE\WOW6432Node\..."
// for a SOFTWARE key of the 32-bit view on 64-bit Windows; a path naming WOW6432Node already is
// left as it is.
std::string MachineKeyName(Registry& registry, RegistryView view, const std::string& path, int buildBitness);

}  // namespace platform
