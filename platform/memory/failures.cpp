#include "platform/memory/failures.h"

#include "platform/text936.h"

namespace platform::memory {

void FailureInjector::Fail(Operation op, const std::string& path, int times) {
    rules_.push_back({op, path, times});
}

bool FailureInjector::ShouldFail(Operation op, const std::string& path) {
    if (inOtherProgram_)
        return false;
    if (beforeCheck_) {
        inOtherProgram_ = true;
        beforeCheck_(checks_ + 1);
        inOtherProgram_ = false;
    }
    ++checks_;
    if (checks_ == failCheck_ || (stopCheck_ > 0 && checks_ >= stopCheck_))
        return true;
    for (Rule& rule : rules_) {
        if (rule.op != op || rule.remaining == 0)
            continue;
        if (rule.path != "*" && !text936::EqualsNoCase(rule.path, path))
            continue;
        if (rule.remaining > 0)
            --rule.remaining;
        return true;
    }
    return false;
}

}  // namespace platform::memory
