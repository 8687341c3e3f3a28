#pragma once

#include <string>

#include "platform/files.h"

namespace install {

// Removes the read-only attribute of an existing file, leaving its other attributes. A missing
// file and any failure are ignored.
void ClearReadOnly(platform::FileSystem& files, const std::string& path);

}  // namespace install
