#pragma once
// Cleanup declared once, where what it undoes begins: it runs when the scope ends, by any return,
// unless release() said the work it guards was committed.

#include <utility>

namespace platform {

template <typename Cleanup>
class ScopeExit {
  public:
    explicit ScopeExit(Cleanup cleanup) : cleanup_(std::move(cleanup)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() {
        if (armed_)
            cleanup_();
    }
    // The work is committed: the cleanup no longer runs.
    void release() { armed_ = false; }

  private:
    Cleanup cleanup_;
    bool armed_ = true;
};

}  // namespace platform
