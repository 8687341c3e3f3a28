#include "platform/win32/active_code_page.h"

#include "platform/win32/win32_api.h"

namespace platform::win32 {

std::optional<std::vector<text936::ByteRange>> ActiveLeadByteRanges() {
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info))
        return std::nullopt;
    // Pairs of first and last byte, ended by a pair of zeros.
    std::vector<text936::ByteRange> ranges;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
        ranges.push_back({info.LeadByte[i], info.LeadByte[i + 1]});
    return ranges;
}

void UseActiveCodePage() {
    if (auto ranges = ActiveLeadByteRanges())
        text936::SetLeadByteRanges(*ranges);
}

}  // namespace platform::win32
