#pragma once
// BrelixUser.exe: the per-user steps of the installation that the record names, for the user who
// runs it (Windows' Active Setup runs it once per user at logon). No window, no message.

#include "platform/environment.h"
#include "platform/registry.h"

namespace app {

// Exit code 0 when the steps ran, 3 when no installation is recorded.
int RunPerUserProgram(platform::Registry& registry, platform::Environment& environment);

}  // namespace app
