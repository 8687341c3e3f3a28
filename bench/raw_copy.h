#pragma once
// The least work a deployment can do: list a folder once and CopyFileA its files, nothing else.
#include <string>

namespace bench {

// Copies the first `count` files of `source` (listing order, folders skipped) into `target`,
// overwriting. Returns how many copies succeeded.
int CopyFirstFiles(const std::string& source, const std::string& target, int count);

// The least work an all-or-nothing replacement can do: the same files, each copied under a new name
// beside its own, the old file renamed away, the new one renamed into its place, the old one deleted.
// Returns how many files were replaced so.
int StageFirstFiles(const std::string& source, const std::string& target, int count);

}  // namespace bench
