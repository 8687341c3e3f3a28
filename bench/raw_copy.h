#pragma once
// The least work a deployment can do: list a folder once and CopyFileA its files, nothing else.
#include <string>

namespace bench {

// Copies the first `count` files of `source` (listing order, folders skipped) into `target`,
// overwriting. Returns how many copies succeeded.
int CopyFirstFiles(const std::string& source, const std::string& target, int count);

}  // namespace bench
