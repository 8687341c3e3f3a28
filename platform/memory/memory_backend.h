#pragma once
// Every in-memory service in one object, for tests.

#include "platform/memory/failures.h"
#include "platform/memory/memory_environment.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_processes.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recording_progress_bar.h"
#include "platform/memory/scripted_prompts.h"
#include "platform/services.h"

namespace platform::memory {

struct MemoryBackend {
    FailureInjector failures;
    MemoryRegistry registry{failures};
    MemoryFileSystem files{failures};
    MemoryProcessList processes{failures};
    ScriptedPrompts prompts;
    MemoryEnvironment environment;

    Services services() { return Services{registry, files, processes, prompts, environment}; }
};

}  // namespace platform::memory
