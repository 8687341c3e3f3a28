#pragma once
// The driver's commands. Each takes the words after the command name and returns true on success;
// on failure it has printed why.
#include <string>
#include <vector>

namespace guidriver {

using Words = std::vector<std::wstring>;

// Runs one command line (command name first). Unknown commands and wrong arguments fail.
bool RunCommand(const Words& words);

// One line per command, for the usage text.
const wchar_t* CommandSummary();

}  // namespace guidriver
