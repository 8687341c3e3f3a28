#pragma once
// The run lock for tests: what another run left it as is settable, and whether this run holds it
// can be asked at any point of the run.

#include "platform/run_lock.h"

namespace platform::memory {

class MemoryRunLock : public RunLock {
  public:
    enum class Other { None, Holds, Abandoned, Unreachable };

    LockResult TryAcquire() override {
        switch (other) {
            case Other::Holds:
                return LockResult::HeldByAnother;
            case Other::Unreachable:
                return LockResult::Failed;
            case Other::Abandoned:
                other = Other::None;
                held = true;
                return LockResult::TakenOver;
            case Other::None:
                break;
        }
        held = true;
        return LockResult::Acquired;
    }
    void Release() override { held = false; }

    Other other = Other::None;  // what another run did with the lock before this one asks
    bool held = false;          // this run holds it
};

}  // namespace platform::memory
