#pragma once
// The real platform: one object per service over the Win32 API, owned here for a whole run.

#include "platform/services.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_prompts.h"
#include "platform/win32/win32_registry.h"

namespace platform::win32 {

class Win32Backend {
  public:
    Win32Registry registry;
    Win32FileSystem files;
    Win32ProcessList processes;
    Win32Prompts prompts;
    Win32Environment environment;

    // Refers to the members above: valid while this backend lives.
    Services services() { return Services{registry, files, processes, prompts, environment}; }
};

}  // namespace platform::win32
