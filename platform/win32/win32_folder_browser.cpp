#include "platform/win32/win32_folder_browser.h"

#include <string>

#include "platform/win32/win32_api.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/win32/shell_library.h"

namespace platform::win32 {
namespace {

constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;  // 5
constexpr UINT_PTR kSubclassId = 1;

// The shell's task allocator; released when done.
class ShellAllocator {
  public:
    ShellAllocator() {
        if (FAILED(shell::SHGetMalloc(&malloc_))) {
            malloc_ = nullptr;
        }
    }
    ~ShellAllocator() {
        if (malloc_ != nullptr) {
            malloc_->Release();
        }
    }
    ShellAllocator(const ShellAllocator&) = delete;
    ShellAllocator& operator=(const ShellAllocator&) = delete;

    explicit operator bool() const { return malloc_ != nullptr; }
    void Free(void* block) { malloc_->Free(block); }

  private:
    IMalloc* malloc_ = nullptr;
};

// COM for the calling thread for as long as the browser runs: set up here, not at the start, so that
// the wizard's first page does not wait for ole32 and what it loads.
class ComScope {
  public:
    ComScope() : initialised_(SUCCEEDED(shell::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (initialised_) {
            shell::CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    bool initialised_;
};

// One run of the browser: what the callback and the subclass need.
struct BrowseSession {
    const FolderBrowseRequest& request;
    const FolderBrowser::OkCheck& check;
    HWND browser = nullptr;
};

HWND PathEdit(HWND browser) {
    return GetDlgItem(browser, kBrowserPathEditId);
}

// The whole text of the edit box. It takes at most kFolderEditLimit bytes from the keyboard; a
// longer text set by a program is passed on whole, and the check refuses it, rather than cut.
std::string EditText(HWND browser) {
    HWND edit = PathEdit(browser);
    int length = GetWindowTextLengthA(edit);
    if (length <= 0) {
        return "";
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(edit, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

void EnableOk(HWND browser, bool enable) {
    SendMessageA(browser, BFFM_ENABLEOK, 0, enable ? TRUE : FALSE);
}

void OnPathEdited(HWND browser) {
    EnableOk(browser, !EditText(browser).empty());
}

void OnBrowseOk(BrowseSession& session) {
    if (session.check(reinterpret_cast<WindowHandle>(session.browser), EditText(session.browser))) {
        EndDialog(session.browser, IDOK);
    } else {
        SetFocus(PathEdit(session.browser));
    }
}

LRESULT CALLBACK
BrowserSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
    auto& session = *reinterpret_cast<BrowseSession*>(data);
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                OnBrowseOk(session);
                return 0;
            }
            if (LOWORD(wParam) == kBrowserPathEditId && HIWORD(wParam) == EN_CHANGE) {
                OnPathEdited(window);
                return 0;
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, BrowserSubclass, id);
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void CreatePathEdit(HWND browser) {
    // 23 pixels high, ending 4 pixels above the tree, as wide as the tree.
    RECT tree{};
    GetWindowRect(GetDlgItem(browser, kBrowserTreeId), &tree);
    RECT place{tree.left, tree.top - 27, tree.right, tree.top - 4};
    MapWindowPoints(nullptr, browser, reinterpret_cast<POINT*>(&place), 2);
    HWND edit =
        CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                        place.left, place.top, place.right - place.left, place.bottom - place.top, browser,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBrowserPathEditId)),
                        GetModuleHandleA(nullptr), nullptr);
    if (edit == nullptr) {
        return;
    }
    ShowWindow(edit, SW_SHOW);
    SendMessageA(edit, EM_LIMITTEXT, kFolderEditLimit, 0);
    SendMessageA(edit, WM_SETFONT, SendMessageA(browser, WM_GETFONT, 0, 0), TRUE);
}

void OnInitialized(BrowseSession& session, HWND browser) {
    session.browser = browser;
    if (session.request.caption) {
        SetWindowTextA(browser, session.request.caption->c_str());
    }
    SetWindowSubclass(browser, BrowserSubclass, kSubclassId, reinterpret_cast<DWORD_PTR>(&session));
    ShowWindow(GetDlgItem(browser, kBrowserStatusId), SW_HIDE);
    CreatePathEdit(browser);

    std::string start;
    if (session.request.initialFolder) {
        start = *session.request.initialFolder;
    } else {
        char current[MAX_PATH] = {};
        DWORD length = GetCurrentDirectoryA(MAX_PATH, current);
        if (length > 0 && length < MAX_PATH) {
            start = current;
        }
    }
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start.c_str()));
}

void OnSelectionChanged(HWND browser, LPARAM item) {
    // Only folders on a drive give a path; network places and virtual folders give none.
    char path[MAX_PATH] = {};
    if (!shell::SHGetPathFromIDListA(reinterpret_cast<PCIDLIST_ABSOLUTE>(item), path) || path[0] == '\0' ||
        path[1] != ':') {
        path[0] = '\0';
        EnableOk(browser, false);
    } else {
        EnableOk(browser, true);
    }
    SendMessageA(browser, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
    SetDlgItemTextA(browser, kBrowserPathEditId, path);
}

int CALLBACK BrowseCallback(HWND browser, UINT event, LPARAM eventData, LPARAM sessionData) {
    auto& session = *reinterpret_cast<BrowseSession*>(sessionData);
    switch (event) {
        case BFFM_INITIALIZED:
            OnInitialized(session, browser);
            break;
        case BFFM_SELCHANGED:
            OnSelectionChanged(browser, eventData);
            break;
    }
    return 0;
}

}  // namespace

bool Win32FolderBrowser::Browse(const FolderBrowseRequest& request, const OkCheck& check) {
    ShellAllocator allocator;
    if (!allocator) {
        return false;
    }
    ComScope com;
    BrowseSession session{request, check};
    char displayName[MAX_PATH] = {};

    BROWSEINFOA info{};
    info.hwndOwner = reinterpret_cast<HWND>(request.owner);
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = request.title.c_str();
    info.ulFlags = kBrowseFlags;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&session);

    if (PIDLIST_ABSOLUTE item = shell::SHBrowseForFolderA(&info)) {
        allocator.Free(item);
    }
    return true;
}

}  // namespace platform::win32
