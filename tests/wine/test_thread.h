#pragma once
// A second thread for the tests that play the user while the first one runs a modal loop. The
// toolchain's threading model has no std::thread; this is the little of it the tests need.

#include "platform/win32/win32_api.h"

#include <functional>
#include <memory>
#include <utility>

class TestThread {
  public:
    TestThread() = default;
    explicit TestThread(std::function<void()> body) { Start(std::move(body)); }
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;
    ~TestThread() { join(); }

    void Start(std::function<void()> body) {
        join();
        auto owned = std::make_unique<std::function<void()>>(std::move(body));
        handle_ = CreateThread(nullptr, 0, &Run, owned.get(), 0, nullptr);
        if (handle_ != nullptr)
            owned.release();  // the thread owns it now
    }
    bool joinable() const { return handle_ != nullptr; }
    void join() {
        if (handle_ == nullptr)
            return;
        WaitForSingleObject(handle_, INFINITE);
        CloseHandle(handle_);
        handle_ = nullptr;
    }

  private:
    static DWORD WINAPI Run(void* parameter) {
        std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
        (*body)();
        return 0;
    }

    HANDLE handle_ = nullptr;
};
