#pragma once
// The machine-wide lock that lets one run at a time change the machine: the wizard, a silent
// installation and an uninstall hold it from their start to their end. A second run does not wait
// for it. Implemented by win32/ (a named mutex in the Global namespace, so that runs in other logon
// sessions count) and memory/ (a settable state for tests).

namespace platform {

enum class LockResult {
    Acquired,       // free: this run holds it now
    TakenOver,      // its holder ended without releasing it (a crash): this run holds it now
    HeldByAnother,  // another run holds it; this run must change nothing
    Failed,         // it could not be asked for (e.g. the name is used by an object this run may
                    // not open); this run must change nothing either
};

inline bool Holds(LockResult result) {
    return result == LockResult::Acquired || result == LockResult::TakenOver;
}

class RunLock {
  public:
    virtual ~RunLock() = default;
    // Asks once, without waiting. After Acquired or TakenOver the lock is held until Release() or
    // the end of the object; otherwise nothing is held.
    virtual LockResult TryAcquire() = 0;
    // Lets the next run in; nothing when nothing is held.
    virtual void Release() = 0;
};

}  // namespace platform
