#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace install {

// Removes the read-only attribute of an existing file, leaving its other attributes. A missing
// file and any failure are ignored.
void ClearReadOnly(platform::FileSystem& files, const std::string& path);

// Before `from` is copied over `to`: clears read-only on the source, whose attributes its listing
// gave as `sourceAttributes` (so they need no second read), and on an existing target, which would
// refuse the copy. Failures are ignored.
void ClearReadOnlyBeforeCopy(platform::FileSystem& files,
                             const std::string& from,
                             std::uint32_t sourceAttributes,
                             const std::string& to);

// After a copy: CopyFileA carries the source's attributes, so the copy can only be read-only when
// the source was (and clearing it failed); only then is the copy looked at.
void ClearCarriedReadOnly(platform::FileSystem& files, std::uint32_t sourceAttributes, const std::string& to);

}  // namespace install
