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
    for (Rule& watch : watched_) {
        if (watch.op == op && text936::EqualsNoCase(watch.path, path))
            ++watch.remaining;
    }
    ++checks_;
    const bool failed = FailsNow(op, path);
    if (afterCheck_)
        afterCheck_(failed);
    return failed;
}

bool FailureInjector::FailsNow(Operation op, const std::string& path) {
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

int FailureInjector::Seen(Operation op, const std::string& path) const {
    for (const Rule& watch : watched_) {
        if (watch.op == op && text936::EqualsNoCase(watch.path, path))
            return watch.remaining;
    }
    return 0;
}

}  // namespace platform::memory
