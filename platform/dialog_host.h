#pragma once
// A modal dialog as the pages see it. The page object (ui::CDialog) receives the window's events
// through DialogEvents and acts on its controls through DialogWindow; a DialogRunner shows a
// dialog template modally and connects the two. Implemented by win32/ (DialogBoxParamA over the
// program's resources) and memory/ (a headless host built from ui::FindDialogTemplate).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/progress_bar.h"
#include "platform/window_handle.h"

namespace platform {

// Command ids and notification codes as Windows sends them in WM_COMMAND.
constexpr int kIdCommandOk = 1;
constexpr int kIdCommandCancel = 2;
constexpr int kBnClicked = 0;
constexpr int kEnChange = 0x0300;

// The id a control-colour request carries when it is about the dialog itself.
constexpr int kDialogItself = 0;

// 0x00BBGGRR, as RGB() makes it.
using Colour = std::uint32_t;
constexpr Colour MakeColour(int red, int green, int blue) {
    return static_cast<Colour>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

// Rectangle in pixels, in the client coordinates of the dialog.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect& other) const {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
    bool operator!=(const Rect& other) const { return !(*this == other); }
};

// A solid brush made by the host; released when this object is destroyed.
class Brush {
  public:
    virtual ~Brush() = default;
    virtual Colour colour() const = 0;
};

// The answer to a control-colour request.
struct ControlColour {
    Colour textColour = MakeColour(0, 0, 0);
    bool transparentBackground = false;
    // Select the version-label font (宋体, height 12, weight 600) for this request.
    bool labelFont = false;
    // The background brush; nullptr leaves the system's default. Not owned: the page keeps it.
    const Brush* brush = nullptr;
};

// One dialog on display. Control ids that the template lacks are ignored by the setters and read
// as empty / unchecked / disabled / hidden.
class DialogWindow {
  public:
    virtual ~DialogWindow() = default;

    virtual bool HasControl(int id) const = 0;
    virtual std::string GetText(int id) const = 0;
    virtual void SetText(int id, const std::string& text) = 0;
    // BST_UNCHECKED 0, BST_CHECKED 1.
    virtual int GetCheck(int id) const = 0;
    virtual void SetCheck(int id, int state) = 0;
    virtual bool IsEnabled(int id) const = 0;
    virtual void Enable(int id, bool enable) = 0;
    virtual bool IsVisible(int id) const = 0;
    virtual void Show(int id, bool show) = 0;
    // The control's window rectangle in the dialog's client coordinates; an empty Rect when the
    // control does not exist.
    virtual Rect GetRect(int id) const = 0;
    virtual void Move(int id, const Rect& place, bool repaint) = 0;
    // The radio buttons of the group that starts at `firstId`, in tab order: the controls after it
    // up to the next control with the group style, radio buttons only.
    virtual std::vector<int> RadioGroup(int firstId) const = 0;
    // The progress control `id`, or nullptr when there is none. Owned by the window.
    virtual ProgressBar* Progress(int id) = 0;

    // Sets the window's small icon from icon resource `iconId`; false when it cannot be loaded.
    virtual bool SetSmallIcon(int iconId) = 0;
    virtual std::unique_ptr<Brush> CreateSolidBrush(Colour colour) = 0;
    // Closes the dialog once the current event has been handled; RunModal returns `result`.
    virtual void End(int result) = 0;
    virtual WindowHandle Handle() const = 0;
};

// What a shown dialog tells the object behind it.
class DialogEvents {
  public:
    virtual ~DialogEvents() = default;
    // The window and its controls exist. `window` stays valid until the run ends.
    virtual bool OnInit(DialogWindow& window) = 0;
    virtual void OnCommand(int id, int code) = 0;
    // The close box or Alt+F4.
    virtual void OnClose() = 0;
    virtual ControlColour OnControlColour(int id) = 0;
    // The window is going away; the DialogWindow must no longer be used.
    virtual void OnDestroy() = 0;
};

class DialogRunner {
  public:
    virtual ~DialogRunner() = default;
    // Shows dialog template `templateId` modally; returns the result given to End, or -1 when the
    // dialog could not be created.
    virtual int RunModal(int templateId, DialogEvents& events, WindowHandle parent) = 0;
};

}  // namespace platform
