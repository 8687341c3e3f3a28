#include "platform/memory/scripted_folder_browser.h"

namespace platform::memory {

void ScriptedFolderBrowser::SetEditText(const std::string& text) {
    // The edit box refuses what goes beyond its limit, and OK follows whether it is empty.
    editText = text.substr(0, kFolderEditLimit);
    okEnabled = !editText.empty();
}

bool ScriptedFolderBrowser::Browse(const FolderBrowseRequest& request, const OkCheck& check) {
    requests.push_back(request);
    if (failToStart) {
        return false;
    }
    okPresses = 0;
    okRefused = 0;
    focusInEdit = false;
    closedByOk = false;
    selectedAtStart = request.initialFolder.value_or(currentDirectory);
    // Opening selects the start folder, which fills the edit box like any selection.
    SetEditText(selectedAtStart.size() >= 2 && selectedAtStart[1] == ':' ? selectedAtStart : "");

    while (!actions.empty()) {
        BrowserAction action = actions.front();
        actions.pop_front();
        switch (action.kind) {
            case BrowserAction::Select:
                // Items that are not folders on a drive (network places, virtual folders) give no path.
                SetEditText(action.text.size() >= 2 && action.text[1] == ':' ? action.text : "");
                break;
            case BrowserAction::Type:
                SetEditText(action.text);
                break;
            case BrowserAction::PressOk:
                if (!okEnabled) {
                    break;
                }
                ++okPresses;
                if (check(window, editText)) {
                    closedByOk = true;
                    return true;
                }
                ++okRefused;
                focusInEdit = true;
                break;
            case BrowserAction::Cancel:
                return true;
        }
    }
    return true;
}

}  // namespace platform::memory
