#pragma once
// The console of whoever started the program: cmd or a deployment script. SetUp.exe is a window
// program and has none of its own; it attaches to its parent's, or writes to the standard output
// it was handed when that is redirected to a file or a pipe.

#include <string>

namespace platform::win32 {

// Writes `text` (code-page-936 bytes, lines separated by "\n") and a line break. Does nothing when
// the program has neither a redirected standard output nor a parent with a console.
void WriteToParentConsole(const std::string& text);

}  // namespace platform::win32
