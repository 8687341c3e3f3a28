// Programs the running program writes out where they are needed. The only one is the per-user
// program, made from the running program itself.

#include "platform/win32/per_user_program.h"
#include "platform/win32/win32_files.h"

namespace platform::win32 {

bool Win32FileSystem::WriteCarriedFile(const std::string& name, const std::string& path) {
    return name == kPerUserProgramName && WritePerUserProgram(path);
}

}  // namespace platform::win32
