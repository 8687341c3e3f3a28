#pragma once
// The text helpers follow the machine's ANSI code page.

#include <optional>
#include <vector>

#include "platform/text936.h"

namespace platform::win32 {

// The lead-byte ranges of the ANSI code page (GetCPInfo); nullopt when it cannot be read.
std::optional<std::vector<text936::ByteRange>> ActiveLeadByteRanges();

// Gives the text helpers the lead bytes of the ANSI code page. When they cannot be read the
// helpers keep code page 936's.
void UseActiveCodePage();

}  // namespace platform::win32
