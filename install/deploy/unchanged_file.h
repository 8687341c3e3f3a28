#pragma once
// A re-installation of the same files writes nothing: a product file that already holds exactly what
// its copy would give it keeps its place, and only the files that differ are staged and swapped.

#include <string>

#include "platform/crc32.h"
#include "platform/files.h"

namespace install {

// Whether the file `listed` in `folder`, which the caller holds, is already what copying `source`
// (opened and checked by the caller, listed as `sourceEntry`; read from its start) would make of it: the same
// size and time of last write in the listings, the same bytes, not read-only, hidden and system alike, the
// name's own plain file with no other name (a link or a hard link is replaced by the swap as ever), and not
// held open by anybody (such a file is asked about as a copy that fails). `content` then holds the check of
// those bytes.
bool IsAlreadyInstalled(platform::FileSystem& files,
                        platform::OpenedFile& source,
                        const platform::DirEntry& sourceEntry,
                        const std::string& folder,
                        const platform::DirEntry& listed,
                        platform::ContentCheck& content);

}  // namespace install
