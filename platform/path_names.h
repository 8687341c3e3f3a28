#pragma once
// Folder and file names that Windows takes for something other than what they spell.

#include <string>

namespace platform {

// A reserved device name: CON, PRN, AUX, NUL, COM1 to COM9 or LPT1 to LPT9, in any letter case,
// also with an extension or spaces before it ("nul.txt", "COM1 .log"). Such a name opens the
// device, wherever the folder is.
bool IsDeviceName(const std::string& name);

// A name whose trailing dots and spaces Windows drops when the path is used, so that it names
// another file than it spells ("A." is "A").
bool EndsInDotOrSpace(const std::string& name);

}  // namespace platform
