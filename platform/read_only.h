#pragma once

#include <cstdint>
#include <string>

#include "platform/crc32.h"
#include "platform/files.h"

namespace platform {

// Removes the read-only attribute of an existing file, leaving its other attributes. A missing
// file and any failure are ignored.
void ClearReadOnly(platform::FileSystem& files, const std::string& path);

// Clears read-only on a file whose attributes its listing gave as `listed`, so that they need no
// second read; nothing is written unless the bit is set. A failure is ignored.
void ClearListedReadOnly(platform::FileSystem& files, const std::string& path, std::uint32_t listed);

// Copies `from` over `to`. A read-only target refuses the copy: only then is the target looked at,
// its read-only attribute cleared and the copy tried once more. With `copied`, it holds the check
// of what the copy that succeeded wrote, taken from the bytes on their way: no second read.
bool CopyOverReadOnly(platform::FileSystem& files,
                      const std::string& from,
                      const std::string& to,
                      ContentCheck* copied = nullptr);

// After a copy: CopyFileA carries the source's attributes, so the copy can only be read-only when
// the source was (and clearing it failed); only then is the copy looked at.
void ClearCarriedReadOnly(platform::FileSystem& files, std::uint32_t sourceAttributes, const std::string& to);

}  // namespace platform
