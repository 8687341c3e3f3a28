#pragma once
// The lead-byte tables of the code pages the tests run the text helpers under, and a settable
// active code page for the in-memory platform.

#include <optional>
#include <vector>

#include "platform/text936.h"

namespace platform::memory {

// The lead-byte ranges of code page 936, 932, 949, 950 (double-byte) or 1252 (none), as GetCPInfo
// gives them on Windows; nullopt for any other code page.
std::optional<std::vector<text936::ByteRange>> LeadByteRangesOf(unsigned codePage);

// Makes `codePage` the active code page of the text helpers while it lives, and code page 936
// again afterwards. An unknown code page leaves the active one as it is.
class ScopedCodePage {
  public:
    explicit ScopedCodePage(unsigned codePage);
    ~ScopedCodePage();
    ScopedCodePage(const ScopedCodePage&) = delete;
    ScopedCodePage& operator=(const ScopedCodePage&) = delete;
};

}  // namespace platform::memory
