// benchprobe: times the wizard, and the floors it is measured against, from outside, as a user sees
// them. Console program; run in the same Wine prefix and display as the program it times.
//
//   benchprobe start <exe> [arguments]   starts the program in its own folder; prints "ms <n>" when
//                                        its first dialog is on screen, then closes it and waits for
//                                        the program to end
//   benchprobe press                     presses OK (control 1) of the dialog on screen; prints "ms <n>"
//                                        when a box owned by it comes up and "text <its text>", answers
//                                        it and waits for the dialog to go
//   benchprobe run <command line>        runs the rest of its own command line as written and waits for
//                                        it to end; prints "ms <n>", "exit <code>" and "windows <n>",
//                                        the visible top-level windows that came up meanwhile
//
// Exit code 0 on success, 1 when what was waited for did not come (after printing why).
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 60000;
// Short enough not to blur a start-up of a few hundred milliseconds, long enough not to load the
// machine that runs the program being timed.
constexpr DWORD kPollMs = 2;

class Stopwatch {
  public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double Milliseconds() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) /
               static_cast<double>(frequency_.QuadPart);
    }

  private:
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
};

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

int Fail(const char* why) {
    std::fprintf(stderr, "benchprobe: %s\n", why);
    return 1;
}

// The first visible top-level dialog for which `wanted` holds.
template <typename Wanted>
HWND FindDialog(Wanted wanted) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"#32770", nullptr)) != nullptr) {
        if (IsWindowVisible(window) && wanted(window))
            return window;
    }
    return nullptr;
}

template <typename Wanted>
HWND WaitForDialog(Wanted wanted) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND found = FindDialog(wanted))
            return found;
        if (GetTickCount() - start >= kTimeoutMs)
            return nullptr;
        Sleep(kPollMs);
    }
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

int Start(const std::vector<std::wstring>& words) {
    std::wstring commandLine;
    for (const std::wstring& word : words)
        commandLine += (commandLine.empty() ? L"\"" : L" \"") + word + L"\"";
    const std::wstring folder = FolderOf(words[0]);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const Stopwatch clock;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return Fail("cannot start the program");
    CloseHandle(process.hThread);
    HWND page = WaitForDialog([&](HWND window) { return ProcessOf(window) == process.dwProcessId; });
    const double elapsed = clock.Milliseconds();
    if (page == nullptr) {
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        return Fail("no dialog came up");
    }
    std::printf("ms %.1f\n", elapsed);
    std::fflush(stdout);
    PostMessageW(page, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(process.hProcess, kTimeoutMs) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    return ended ? 0 : Fail("the program did not end when its dialog was closed");
}

int Press() {
    const DWORD self = GetCurrentProcessId();
    HWND page =
        WaitForDialog([&](HWND window) { return ProcessOf(window) != self && IsWindowEnabled(window); });
    HWND button = page != nullptr ? GetDlgItem(page, IDOK) : nullptr;
    if (button == nullptr)
        return Fail("no dialog with an OK button is up");
    const Stopwatch clock;
    PostMessageW(button, BM_CLICK, 0, 0);
    HWND box = WaitForDialog([&](HWND window) { return GetWindow(window, GW_OWNER) == page; });
    const double elapsed = clock.Milliseconds();
    if (box == nullptr)
        return Fail("no box came up over the dialog");
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    std::printf("ms %.1f\ntext %s\n", elapsed, Utf8(text).c_str());
    std::fflush(stdout);
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    const DWORD start = GetTickCount();
    while (IsWindow(page)) {
        if (GetTickCount() - start >= kTimeoutMs)
            return Fail("the dialog stayed up after the box was answered");
        Sleep(10);
    }
    return 0;
}

BOOL CALLBACK AddIfVisible(HWND window, LPARAM windows) {
    if (IsWindowVisible(window))
        reinterpret_cast<std::set<HWND>*>(windows)->insert(window);
    return TRUE;
}

std::set<HWND> VisibleWindows() {
    std::set<HWND> windows;
    EnumWindows(AddIfVisible, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

int Run(std::wstring commandLine) {
    const std::set<HWND> before = VisibleWindows();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const Stopwatch clock;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return Fail("cannot start the command line");
    CloseHandle(process.hThread);
    std::set<HWND> shown;
    while (WaitForSingleObject(process.hProcess, kPollMs) == WAIT_TIMEOUT) {
        for (HWND window : VisibleWindows()) {
            if (before.count(window) == 0)
                shown.insert(window);
        }
        if (clock.Milliseconds() >= kTimeoutMs) {
            TerminateProcess(process.hProcess, 1);
            CloseHandle(process.hProcess);
            return Fail("the command did not end");
        }
    }
    const double elapsed = clock.Milliseconds();
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    std::printf("ms %.1f\nexit %lu\nwindows %u\n", elapsed, static_cast<unsigned long>(code),
                static_cast<unsigned>(shown.size()));
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> words(argv + 1, argv + count);
    LocalFree(argv);
    if (words.size() >= 2 && words[0] == L"start")
        return Start(std::vector<std::wstring>(words.begin() + 1, words.end()));
    if (words.size() == 1 && words[0] == L"press")
        return Press();
    if (words.size() >= 2 && words[0] == L"run") {
        // The rest of the command line exactly as it was written, quotes and all.
        const std::wstring own = GetCommandLineW();
        const size_t run = own.find(L" run ");
        if (run != std::wstring::npos)
            return Run(own.substr(run + 5));
    }
    std::fprintf(stderr, "usage: benchprobe start <exe> [arguments] | press | run <command line>\n");
    return 2;
}
