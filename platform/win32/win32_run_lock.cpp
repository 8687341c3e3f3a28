#include "platform/win32/win32_run_lock.h"

namespace platform::win32 {

platform::LockResult Win32RunLock::TryAcquire() {
    if (held_)
        return platform::LockResult::Acquired;
    mutex_.reset(CreateMutexA(nullptr, FALSE, name_.c_str()));
    // Made by another account: the default rights of its maker may still let this run wait on it.
    if (!mutex_ && GetLastError() == ERROR_ACCESS_DENIED)
        mutex_.reset(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name_.c_str()));
    if (!mutex_)
        return platform::LockResult::Failed;
    switch (WaitForSingleObject(mutex_.get(), 0)) {
        case WAIT_OBJECT_0:
            held_ = true;
            return platform::LockResult::Acquired;
        case WAIT_ABANDONED:
            held_ = true;
            return platform::LockResult::TakenOver;
        case WAIT_TIMEOUT:
            mutex_.reset();
            return platform::LockResult::HeldByAnother;
        default:
            mutex_.reset();
            return platform::LockResult::Failed;
    }
}

void Win32RunLock::Release() {
    if (held_)
        ReleaseMutex(mutex_.get());
    held_ = false;
    mutex_.reset();
}

}  // namespace platform::win32
