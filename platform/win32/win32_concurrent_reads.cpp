// Win32Registry::ReadConcurrently: the reads of a large registry overlapped on a few threads.

#include <array>

#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_registry.h"

namespace platform::win32 {

namespace {

constexpr std::size_t kThreads = 4;

// What the threads share: the reads and the next index nobody has taken yet.
struct SharedReads {
    const std::function<void(std::size_t)>* read;
    std::size_t count;
    volatile LONG taken;  // indexes handed out so far
};

void TakeAndRead(SharedReads& shared) {
    for (;;) {
        const std::size_t index = static_cast<std::size_t>(InterlockedIncrement(&shared.taken) - 1);
        if (index >= shared.count)
            return;
        (*shared.read)(index);
    }
}

DWORD WINAPI ReadingThread(LPVOID parameter) {
    TakeAndRead(*static_cast<SharedReads*>(parameter));
    return 0;
}

}  // namespace

void Win32Registry::ReadConcurrently(std::size_t count, const std::function<void(std::size_t)>& read) {
    // An index is a LONG while it is handed out; beyond that, one thread reads them all in order.
    if (count < 2 || count > 0x7FFFFFFF) {
        for (std::size_t i = 0; i < count; ++i)
            read(i);
        return;
    }
    SharedReads shared{&read, count, 0};
    std::array<UniqueKernelObject, kThreads - 1> threads;
    std::array<HANDLE, kThreads - 1> started{};
    DWORD running = 0;
    for (std::size_t t = 0; t < threads.size() && t + 1 < count; ++t) {
        threads[t].reset(CreateThread(nullptr, 0, ReadingThread, &shared, 0, nullptr));
        if (threads[t])
            started[running++] = threads[t].get();
    }
    TakeAndRead(shared);
    if (running > 0)
        WaitForMultipleObjects(running, started.data(), TRUE, INFINITE);
}

}  // namespace platform::win32
