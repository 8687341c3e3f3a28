#pragma once
// The folder browser over SHBrowseForFolderA (flags BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT). While it
// is open, its window is subclassed: the status line is hidden, a path edit box (control 14148) sits
// just above the folder tree, a tree selection fills the edit box, and OK runs the caller's check
// instead of closing at once.

#include "platform/folder_browser.h"

namespace platform::win32 {

// Control ids inside the shell's browser window.
constexpr int kBrowserTreeId = 14145;
constexpr int kBrowserStatusId = 14147;
constexpr int kBrowserPathEditId = 14148;  // ours; the shell does not use it

class Win32FolderBrowser : public FolderBrowser {
  public:
    // False when the shell's allocator cannot be obtained (nothing is shown).
    bool Browse(const FolderBrowseRequest& request, const OkCheck& check) override;
};

}  // namespace platform::win32
