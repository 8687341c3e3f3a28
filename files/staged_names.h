#pragma once
// The names a transaction gives its files in the folders it works in: "~BX<tag>_<n>.NEW" for a new
// file staged beside the name it is to take, "~BX<tag>_<n>.OLD" for the old file it replaces. The tag
// is a hexadecimal number that no name in those folders begins with when the transaction starts, so
// that nothing of a user's is ever taken for one of ours.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/files.h"

namespace files {

// A tag: one to eight upper-case hexadecimal digits.
bool IsTag(const std::string& tag);

// The staged and the backup name of the `number`th change (from 1).
std::string StagedName(const std::string& tag, std::size_t number);
std::string BackupName(const std::string& tag, std::size_t number);

// Whether `name` is a staged or backup name of `tag` (letter case ignored).
bool IsTaggedName(const std::string& name, const std::string& tag);

// The first tag from `seed` upwards that no name in any of `folders` begins with.
std::string FreeTag(platform::FileSystem& files, const std::vector<std::string>& folders, unsigned seed);

// Deletes every file of `folder` (which the caller holds) named as a staged file or backup of `tag`:
// the name only, never what a link there leads to.
void DeleteTagged(platform::FileSystem& files, const std::string& folder, const std::string& tag);

}  // namespace files
