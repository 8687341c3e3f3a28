#pragma once
// The shell's folder browser with a path edit box above its folder tree. The browser does not
// decide which path is taken: when the user presses OK, it hands the edit box's text to the
// caller's check, which may show messages and says whether the browser closes.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "platform/window_handle.h"

namespace platform {

// The edit box takes at most this many bytes, so a path always fits a 260-byte buffer.
constexpr std::size_t kFolderEditLimit = 259;

struct FolderBrowseRequest {
    std::optional<std::string> caption;        // the browser window's title bar; none keeps the shell's
    std::string title;                         // the text above the folder tree
    std::optional<std::string> initialFolder;  // selected at the start; none selects the current directory
    WindowHandle owner = kNoWindow;
};

class FolderBrowser {
  public:
    // Called on OK with the browser window (the owner for messages) and the edit box's text.
    // Returns true to close the browser; false keeps it open with the focus in the edit box.
    using OkCheck = std::function<bool(WindowHandle browser, const std::string& typed)>;

    virtual ~FolderBrowser() = default;

    // Runs the browser modally until the check accepts a path or the user cancels. False when the
    // browser could not be shown at all (no shell allocator); true otherwise, whether or not a
    // path was accepted: the check knows that.
    virtual bool Browse(const FolderBrowseRequest& request, const OkCheck& check) = 0;
};

}  // namespace platform
