#pragma once
// A dialog host without windows, for tests: a page runs against controls built from its template
// (found by the lookup it is given), and a test script acts as the user. Clicks behave as the standard
// controls do (automatic check boxes toggle, automatic radio buttons select within their group) and
// a click on a disabled or hidden control is refused, as a user cannot make it.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog_host.h"
#include "platform/dialog_template.h"
#include "platform/memory/recording_progress_bar.h"

namespace platform::memory {

// Dialog units to pixels as for 宋体 9 pt at 96 dpi (base units 6 x 12), as the dialog manager
// places a control: position and size are each scaled and rounded.
Rect DialogUnitsToPixels(const platform::DialogUnits& place);

class HeadlessDialog : public DialogWindow {
  public:
    HeadlessDialog(const platform::DialogTemplate& dialogTemplate,
                   DialogEvents& events,
                   WindowHandle handle,
                   int* liveBrushes);

    // What the user does. Each returns false when the user could not do it (no such control,
    // disabled, hidden, a control that takes no clicks, or the dialog has ended).
    bool Click(int id);
    // Replaces the text of an edit box, as typing does (the page is told with EN_CHANGE).
    bool Type(int id, const std::string& text);
    // Esc: the cancel command, whether or not a cancel button exists.
    bool PressEscape();
    // The close box of the title bar.
    bool CloseWindow();

    // What the user sees.
    int TemplateId() const { return templateId_; }
    bool Ended() const { return ended_; }
    int Result() const { return result_; }
    int SmallIcon() const { return smallIcon_; }
    // The page's answer to a control-colour request for `id` (or kDialogItself).
    ControlColour ColourOf(int id) { return events_.OnControlColour(id); }
    // The progress control's recording; nullptr when `id` is not a progress bar.
    const RecordingProgressBar* ProgressRecord(int id) const;
    // Every Move call, in order: id and whether it asked for a repaint.
    struct MoveCall {
        int id;
        Rect place;
        bool repaint;
    };
    const std::vector<MoveCall>& Moves() const { return moves_; }

    // DialogWindow
    bool HasControl(int id) const override;
    std::string GetText(int id) const override;
    void SetText(int id, const std::string& text) override;
    int GetCheck(int id) const override;
    void SetCheck(int id, int state) override;
    bool IsEnabled(int id) const override;
    void Enable(int id, bool enable) override;
    bool IsVisible(int id) const override;
    void Show(int id, bool show) override;
    Rect GetRect(int id) const override;
    void Move(int id, const Rect& place, bool repaint) override;
    std::vector<int> RadioGroup(int firstId) const override;
    ProgressBar* Progress(int id) override;
    bool SetSmallIcon(int iconId) override;
    std::unique_ptr<Brush> CreateSolidBrush(Colour colour) override;
    void End(int result) override;
    WindowHandle Handle() const override { return handle_; }

  private:
    struct Control {
        platform::ControlTemplate source;
        std::string text;
        int check = 0;
        bool enabled = true;
        bool visible = true;
        Rect place;
        std::unique_ptr<RecordingProgressBar> progress;
    };
    Control* Find(int id);
    const Control* Find(int id) const;
    // Index in tab order of control `id`, or -1.
    int IndexOf(int id) const;
    bool UserCanReach(const Control* control) const;

    int templateId_;
    DialogEvents& events_;
    WindowHandle handle_;
    int* liveBrushes_;               // not owned; the runner's count
    std::vector<Control> controls_;  // tab order
    std::vector<MoveCall> moves_;
    int smallIcon_ = 0;
    bool ended_ = false;
    int result_ = 0;
};

// Runs dialogs headlessly. Each modal run takes the next queued script: the page's initialisation
// runs, then the script acts on the dialog. A page that is still open when its script returns (or
// that has no script) is closed with the close box, and `unscriptedCloses` counts it.
class HeadlessDialogRunner : public DialogRunner {
  public:
    using Script = std::function<void(HeadlessDialog&)>;

    // `templates` finds the template of each run (the program's pages: ui::FindDialogTemplate).
    explicit HeadlessDialogRunner(DialogTemplateLookup templates) : templates_(templates) {}

    void Queue(Script script) { scripts_.push_back(std::move(script)); }
    int RunModal(int templateId, DialogEvents& events, WindowHandle parent) override;

    // Told the window that is active while a dialog is on display (and kNoWindow after it), so
    // that message boxes can be owned by it (ScriptedPrompts::active).
    std::function<void(WindowHandle)> onActiveWindow;

    std::vector<int> shownTemplates;  // every run, in order
    int unscriptedCloses = 0;
    int liveBrushes = 0;  // brushes made by dialogs and not yet released
    std::size_t PendingScripts() const { return scripts_.size(); }

  private:
    DialogTemplateLookup templates_;
    std::deque<Script> scripts_;
    WindowHandle nextHandle_ = 0x10010;
};

}  // namespace platform::memory
