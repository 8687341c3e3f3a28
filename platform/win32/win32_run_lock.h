#pragma once
// The run lock as a named mutex in the Global namespace, so that runs in every logon session
// (Remote Desktop, a deployment system's service) see the same one. The mutex is taken without
// waiting; one whose holder ended without releasing it (WAIT_ABANDONED) is taken over. It is
// released and closed when the object ends.

#include <string>
#include <utility>

#include "platform/run_lock.h"
#include "platform/win32/unique_handles.h"

namespace platform::win32 {

// The name every SetUp.exe uses.
constexpr char kRunLockName[] = "Global\\BrelixSetUp";

class Win32RunLock : public platform::RunLock {
  public:
    explicit Win32RunLock(std::string name = kRunLockName) : name_(std::move(name)) {}
    ~Win32RunLock() override { Release(); }
    Win32RunLock(const Win32RunLock&) = delete;
    Win32RunLock& operator=(const Win32RunLock&) = delete;

    platform::LockResult TryAcquire() override;
    void Release() override;

  private:
    std::string name_;
    UniqueKernelObject mutex_;
    bool held_ = false;
};

}  // namespace platform::win32
