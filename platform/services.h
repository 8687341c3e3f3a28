#pragma once
// The platform services one run of the installer uses. Not owned: the backend that made them
// outlives every user.

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/prompts.h"
#include "platform/registry.h"

namespace platform {

struct Services {
    Registry& registry;
    FileSystem& files;
    ProcessList& processes;
    Prompts& prompts;
    Environment& environment;
};

}  // namespace platform
