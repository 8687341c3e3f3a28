// The run lock on the real Win32 API: one holder at a time (a mutex is held per thread, so the other
// run is played by a second thread), a lock whose holder ended without releasing it is taken over,
// and a name taken by an object of another kind refuses, as a name squatted by an ordinary user does.

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_run_lock.h"
#include "test_thread.h"

namespace {

using platform::LockResult;
using platform::win32::Win32RunLock;

std::string TestLockName(const char* what) {
    return std::string("Global\\BrelixSetUpTest.") + what + "." + std::to_string(GetCurrentProcessId());
}

// What another run (a second thread) gets when it asks for the lock, then lets go again.
LockResult OtherRunAsks(const std::string& name) {
    LockResult result = LockResult::Failed;
    TestThread([&] {
        Win32RunLock other(name);
        result = other.TryAcquire();
    }).join();
    return result;
}

TEST(RunLockWineTest, OneHolderAtATimeAndTheNextOneAfterTheRelease) {
    const std::string name = TestLockName("one");
    {
        Win32RunLock first(name);
        ASSERT_EQ(first.TryAcquire(), LockResult::Acquired);
        EXPECT_EQ(OtherRunAsks(name), LockResult::HeldByAnother);
        EXPECT_EQ(OtherRunAsks(name), LockResult::HeldByAnother) << "a refused run holds nothing";
        first.Release();
        EXPECT_EQ(OtherRunAsks(name), LockResult::Acquired);
        ASSERT_EQ(first.TryAcquire(), LockResult::Acquired);
    }
    EXPECT_EQ(OtherRunAsks(name), LockResult::Acquired) << "the end of the object releases it";
}

TEST(RunLockWineTest, LockOfARunThatEndedWithoutReleasingItIsTakenOver) {
    const std::string name = TestLockName("abandoned");
    // A run that crashed: its thread took the mutex and ended; the handle keeps the mutex alive.
    HANDLE crashed = nullptr;
    TestThread([&] {
        crashed = CreateMutexA(nullptr, FALSE, name.c_str());
        WaitForSingleObject(crashed, 0);
    }).join();
    ASSERT_NE(crashed, nullptr);
    {
        Win32RunLock next(name);
        EXPECT_EQ(next.TryAcquire(), LockResult::TakenOver);
        EXPECT_EQ(OtherRunAsks(name), LockResult::HeldByAnother);
    }
    EXPECT_EQ(OtherRunAsks(name), LockResult::Acquired);
    CloseHandle(crashed);
}

TEST(RunLockWineTest, NameTakenByAnObjectOfAnotherKindRefuses) {
    const std::string name = TestLockName("squatted");
    HANDLE squatter = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    ASSERT_NE(squatter, nullptr);
    Win32RunLock lock(name);
    EXPECT_EQ(lock.TryAcquire(), LockResult::Failed);
    CloseHandle(squatter);
}

}  // namespace
