#pragma once
// Paths as the file work spells and compares them: code-page-936 bytes, "\" between levels, letter
// case ignored, and never longer than the 260-byte buffers every path goes through.

#include <cstddef>
#include <optional>
#include <string>

namespace files {

// Every path, pattern and record text goes through a buffer of this size (terminator included).
constexpr std::size_t kPathBufferSize = 260;

// "<folder>\<name>".
std::string JoinPath(const std::string& folder, const std::string& name);
// The last name of a path ("C:\A\B" gives "B"); the path itself when it has no "\".
std::string LastName(const std::string& path);

// `path` without any trailing "\" (double-byte aware).
std::string WithoutTrailingBackslashes(const std::string& path);

// A name Windows takes for one file or folder and keeps as spelt: not empty, no "\", no trailing dot
// or space (so not "." or ".." either), not a device, none of the reserved characters (looked for as
// whole characters), no control bytes.
bool IsPlainName(const std::string& name);

// A plain name in one folder that fits a name's 255 bytes: IsPlainName, no level, no device syntax.
bool IsLeafName(const std::string& name);

// A folder or file path as paths are compared: repeated "\" taken as one (apart from the two
// of a UNC path), none at the end. Earlier builds stored roots that ended in "\\".
std::string ComparablePath(const std::string& path);
// Whether two paths name the same place: comparable forms equal without regard to letter case.
bool SamePath(const std::string& a, const std::string& b);

// The path of `path` below `folder` ("A\B" for "<folder>\A\B"), letter case ignored; nullopt
// when it is not inside it.
std::optional<std::string> PathBelow(const std::string& path, const std::string& folder);

}  // namespace files
