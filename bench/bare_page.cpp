#include "bench/bare_page.h"

#include <commctrl.h>

#include "res/resource.h"

namespace bench {

namespace {

INT_PTR CALLBACK BarePageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(page, DWLP_USER, lParam);
            // The wizard's pages carry the program's icon; without it the window manager side of
            // Wine looks for a default one.
            SendMessageA(page, WM_SETICON, ICON_SMALL,
                         reinterpret_cast<LPARAM>(
                             LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAINFRAME))));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                const auto* onForward =
                    reinterpret_cast<const std::function<void(HWND)>*>(GetWindowLongPtrA(page, DWLP_USER));
                if (onForward && *onForward)
                    (*onForward)(page);
                EndDialog(page, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(page, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(page, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR ShowBarePage(int templateId, const std::function<void(HWND page)>& onForward) {
    // The pages hold a progress bar; the wizard registers the same classes before its first page.
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr,
                           BarePageProcedure, reinterpret_cast<LPARAM>(&onForward));
}

}  // namespace bench
