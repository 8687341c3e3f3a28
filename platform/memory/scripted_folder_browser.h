#pragma once
// A folder browser for headless tests: the test queues what the user does (select a tree item,
// type into the edit box, press OK, cancel) and reads back what the browser showed.

#include <deque>
#include <string>
#include <vector>

#include "platform/folder_browser.h"

namespace platform::memory {

struct BrowserAction {
    enum Kind {
        Select,  // picks a tree item; `text` is its file-system path, empty for a virtual item
        Type,    // replaces the edit box's text with `text` (cut to the edit box's limit)
        PressOk,
        Cancel,  // Cancel button or close box
    };
    Kind kind;
    std::string text;
};

class ScriptedFolderBrowser : public FolderBrowser {
  public:
    bool Browse(const FolderBrowseRequest& request, const OkCheck& check) override;

    // Set-up.
    std::deque<BrowserAction> actions;  // when they run out with the browser open, the user cancels
    bool failToStart = false;
    WindowHandle window = 0xB0;  // the handle the browser window gets
    std::string currentDirectory = "C:\\";

    // What happened in the last Browse.
    std::vector<FolderBrowseRequest> requests;
    std::string selectedAtStart;  // the folder selected when the browser opened
    std::string editText;         // the edit box's text when the browser closed
    bool okEnabled = false;       // the OK button's state when the browser closed
    int okPresses = 0;            // presses of an enabled OK (a greyed one cannot be pressed)
    int okRefused = 0;            // times the check kept the browser open
    bool focusInEdit = false;     // where a refused OK left the focus
    bool closedByOk = false;

  private:
    void SetEditText(const std::string& text);
};

}  // namespace platform::memory
