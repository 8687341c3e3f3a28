#pragma once
// The end-user licence agreement that page 1 shows, one screen at a time. Control 1013 is a plain
// static without scrolling, so every screen is written to fit its 253 x 105 dialog units at 宋体 9.

#include <string>
#include <vector>

namespace ui {

constexpr int kLicenceScreenCount = 4;

// The text pieces of one screen (0 to 3), in order, in code page 936; the screen's text is their
// concatenation. Empty for any other number.
std::vector<std::string> LicenceScreenPieces(int screen);

}  // namespace ui
