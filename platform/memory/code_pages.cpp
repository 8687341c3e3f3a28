#include "platform/memory/code_pages.h"

namespace platform::memory {

std::optional<std::vector<text936::ByteRange>> LeadByteRangesOf(unsigned codePage) {
    switch (codePage) {
        case 936:  // GBK, simplified Chinese
        case 949:  // Unified Hangul Code, Korean
        case 950:  // Big5, traditional Chinese
            return std::vector<text936::ByteRange>{{0x81, 0xFE}};
        case 932:  // Shift JIS: 0xA1-0xDF are single-byte half-width katakana
            return std::vector<text936::ByteRange>{{0x81, 0x9F}, {0xE0, 0xFC}};
        case 1252:  // Western European, single-byte
            return std::vector<text936::ByteRange>{};
        default:
            return std::nullopt;
    }
}

ScopedCodePage::ScopedCodePage(unsigned codePage) {
    if (auto ranges = LeadByteRangesOf(codePage))
        text936::SetLeadByteRanges(*ranges);
}

ScopedCodePage::~ScopedCodePage() {
    text936::SetLeadByteRanges(*LeadByteRangesOf(936));
}

}  // namespace platform::memory
