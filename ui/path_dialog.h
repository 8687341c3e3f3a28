#pragma once
// The folder picker: the shell's folder browser with an edit box for typing a path. A path is
// taken only when it is well formed (drive letter, colon, backslash, then valid folder names) and
// exists, or the user agrees to have it created; otherwise the picker stays open.

#include <string>

#include "platform/files.h"
#include "platform/folder_browser.h"
#include "platform/prompts.h"
#include "platform/window_handle.h"

namespace ui {

// Not owned; they outlive every picker.
struct PickerServices {
    platform::FolderBrowser& browser;
    platform::FileSystem& files;
    platform::Prompts& prompts;
};

class CPathDialog {
  public:
    // Results of CheckOrCreatePath.
    static constexpr int kPathGood = 0;
    static constexpr int kPathInvalid = 1;
    static constexpr int kPathNotCreated = 2;
    // ConfirmFolder's answer when the user declines to create a missing folder.
    static constexpr int kCreationDeclined = -1;

    // The three texts are not copied: they must outlive the picker. caption and initialFolder may
    // be null (the shell's caption; the current directory). No parent: the active window owns it.
    CPathDialog(const PickerServices& services,
                const char* caption,
                const char* title,
                const char* initialFolder,
                platform::WindowHandle parent = platform::kNoWindow);
    virtual ~CPathDialog();
    CPathDialog(const CPathDialog&) = delete;
    CPathDialog& operator=(const CPathDialog&) = delete;

    // 1 when a path was accepted, -1 otherwise (cancelled, or the browser could not be shown).
    virtual int RunModal();
    // The accepted path; meaningful only after RunModal returned 1.
    std::string ChosenPath() const;

    // 0 when `path` may be taken (it exists, or was created on the user's request); otherwise the
    // picker must stay open: 1 invalid, 2 cannot be created (both after a message), -1 declined.
    static int ConfirmFolder(platform::FileSystem& files,
                             platform::Prompts& prompts,
                             platform::WindowHandle owner,
                             const std::string& path);
    // 0 good (and, unless checkOnly, existing: missing levels are created from the root down),
    // 1 invalid, 2 a level cannot be created (the levels made before it stay).
    static int CheckOrCreatePath(platform::FileSystem& files, const std::string& path, bool checkOnly);
    // False when empty, starting or ending with a tab, space or full stop, or holding any of
    // " * / : < > ? \ |.
    static bool IsValidFolderName(const std::string& name);

  private:
    bool OnBrowseOk(platform::WindowHandle browser, const std::string& typed);

    PickerServices services_;
    const char* caption_;
    const char* title_;
    const char* initialFolder_;
    std::string pathBuffer_;  // at most 259 bytes, as the edit box gives it
    platform::WindowHandle owner_;
    bool accepted_ = false;
};

}  // namespace ui
