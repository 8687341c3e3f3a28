#include "platform/memory/headless_dialog_host.h"

namespace platform::memory {
namespace {

constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 12;

// MulDiv: rounds halves away from zero.
int Scale(int units, int numerator, int denominator) {
    const int product = units * numerator;
    return product >= 0 ? (product + denominator / 2) / denominator
                        : -((-product + denominator / 2) / denominator);
}
int ToPixelsX(int units) {
    return Scale(units, kBaseUnitX, 4);
}
int ToPixelsY(int units) {
    return Scale(units, kBaseUnitY, 8);
}

bool TakesClicks(platform::ControlKind kind) {
    switch (kind) {
        case platform::ControlKind::PushButton:
        case platform::ControlKind::DefPushButton:
        case platform::ControlKind::FlatPushButton:
        case platform::ControlKind::RadioButton:
        case platform::ControlKind::CheckBox:
            return true;
        default:
            return false;
    }
}

class HeadlessBrush : public Brush {
  public:
    HeadlessBrush(Colour colour, int* live) : colour_(colour), live_(live) { ++*live_; }
    ~HeadlessBrush() override { --*live_; }
    Colour colour() const override { return colour_; }

  private:
    Colour colour_;
    int* live_;
};

}  // namespace

Rect DialogUnitsToPixels(const platform::DialogUnits& place) {
    const int left = ToPixelsX(place.x);
    const int top = ToPixelsY(place.y);
    return Rect{left, top, left + ToPixelsX(place.width), top + ToPixelsY(place.height)};
}

HeadlessDialog::HeadlessDialog(const platform::DialogTemplate& dialogTemplate,
                               DialogEvents& events,
                               WindowHandle handle,
                               int* liveBrushes)
    : templateId_(dialogTemplate.id), events_(events), handle_(handle), liveBrushes_(liveBrushes) {
    for (const platform::ControlTemplate& source : dialogTemplate.controls) {
        Control control;
        control.source = source;
        control.text = source.kind == platform::ControlKind::Bitmap ? std::string() : source.text;
        control.enabled = !source.disabled;
        control.place = DialogUnitsToPixels(source.place);
        if (source.kind == platform::ControlKind::ProgressBar) {
            control.progress = std::make_unique<RecordingProgressBar>();
        }
        controls_.push_back(std::move(control));
    }
}

int HeadlessDialog::IndexOf(int id) const {
    if (id == -1) {
        return -1;  // controls without an id cannot be addressed
    }
    for (std::size_t index = 0; index < controls_.size(); ++index) {
        if (controls_[index].source.id == id) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

HeadlessDialog::Control* HeadlessDialog::Find(int id) {
    int index = IndexOf(id);
    return index < 0 ? nullptr : &controls_[static_cast<std::size_t>(index)];
}

const HeadlessDialog::Control* HeadlessDialog::Find(int id) const {
    int index = IndexOf(id);
    return index < 0 ? nullptr : &controls_[static_cast<std::size_t>(index)];
}

bool HeadlessDialog::UserCanReach(const Control* control) const {
    return !ended_ && control && control->enabled && control->visible;
}

bool HeadlessDialog::Click(int id) {
    Control* control = Find(id);
    if (!UserCanReach(control) || !TakesClicks(control->source.kind)) {
        return false;
    }
    if (control->source.kind == platform::ControlKind::CheckBox) {
        control->check = control->check ? 0 : 1;
    } else if (control->source.kind == platform::ControlKind::RadioButton) {
        // An automatic radio button clears the other radio buttons of its group.
        int index = IndexOf(id);
        int first = index;
        while (first > 0 && !controls_[static_cast<std::size_t>(first)].source.groupStart) {
            --first;
        }
        for (std::size_t other = static_cast<std::size_t>(first); other < controls_.size(); ++other) {
            if (static_cast<int>(other) != first && controls_[other].source.groupStart) {
                break;
            }
            if (controls_[other].source.kind == platform::ControlKind::RadioButton) {
                controls_[other].check = 0;
            }
        }
        control->check = 1;
    }
    events_.OnCommand(id, kBnClicked);
    return true;
}

bool HeadlessDialog::Type(int id, const std::string& text) {
    Control* control = Find(id);
    if (!UserCanReach(control) || control->source.kind != platform::ControlKind::Edit) {
        return false;
    }
    SetText(id, text);
    return true;
}

bool HeadlessDialog::PressEscape() {
    if (ended_) {
        return false;
    }
    events_.OnCommand(kIdCommandCancel, kBnClicked);
    return true;
}

bool HeadlessDialog::CloseWindow() {
    if (ended_) {
        return false;
    }
    events_.OnClose();
    return true;
}

const RecordingProgressBar* HeadlessDialog::ProgressRecord(int id) const {
    const Control* control = Find(id);
    return control ? control->progress.get() : nullptr;
}

bool HeadlessDialog::HasControl(int id) const {
    return Find(id) != nullptr;
}

std::string HeadlessDialog::GetText(int id) const {
    const Control* control = Find(id);
    return control ? control->text : std::string();
}

void HeadlessDialog::SetText(int id, const std::string& text) {
    Control* control = Find(id);
    if (!control) {
        return;
    }
    control->text = text;
    if (control->source.kind == platform::ControlKind::Edit) {
        // A single-line edit tells its parent of every change, also of one made by the program.
        events_.OnCommand(id, kEnChange);
    }
}

int HeadlessDialog::GetCheck(int id) const {
    const Control* control = Find(id);
    return control ? control->check : 0;
}

void HeadlessDialog::SetCheck(int id, int state) {
    Control* control = Find(id);
    if (control && (control->source.kind == platform::ControlKind::CheckBox ||
                    control->source.kind == platform::ControlKind::RadioButton)) {
        control->check = state ? 1 : 0;
    }
}

bool HeadlessDialog::IsEnabled(int id) const {
    const Control* control = Find(id);
    return control && control->enabled;
}

void HeadlessDialog::Enable(int id, bool enable) {
    if (Control* control = Find(id)) {
        control->enabled = enable;
    }
}

bool HeadlessDialog::IsVisible(int id) const {
    const Control* control = Find(id);
    return control && control->visible;
}

void HeadlessDialog::Show(int id, bool show) {
    if (Control* control = Find(id)) {
        control->visible = show;
    }
}

Rect HeadlessDialog::GetRect(int id) const {
    const Control* control = Find(id);
    return control ? control->place : Rect{};
}

void HeadlessDialog::Move(int id, const Rect& place, bool repaint) {
    if (Control* control = Find(id)) {
        control->place = place;
        moves_.push_back(MoveCall{id, place, repaint});
    }
}

std::vector<int> HeadlessDialog::RadioGroup(int firstId) const {
    std::vector<int> group;
    int first = IndexOf(firstId);
    if (first < 0) {
        return group;
    }
    for (std::size_t index = static_cast<std::size_t>(first); index < controls_.size(); ++index) {
        const platform::ControlTemplate& source = controls_[index].source;
        if (static_cast<int>(index) != first && source.groupStart) {
            break;
        }
        if (source.kind == platform::ControlKind::RadioButton) {
            group.push_back(source.id);
        }
    }
    return group;
}

ProgressBar* HeadlessDialog::Progress(int id) {
    Control* control = Find(id);
    return control ? control->progress.get() : nullptr;
}

bool HeadlessDialog::SetSmallIcon(int iconId) {
    smallIcon_ = iconId;
    return true;
}

std::unique_ptr<Brush> HeadlessDialog::CreateSolidBrush(Colour colour) {
    return std::make_unique<HeadlessBrush>(colour, liveBrushes_);
}

void HeadlessDialog::End(int result) {
    if (!ended_) {
        ended_ = true;
        result_ = result;
    }
}

int HeadlessDialogRunner::RunModal(int templateId, DialogEvents& events, WindowHandle parent) {
    shownTemplates.push_back(templateId);
    const DialogTemplate* dialogTemplate = templates_ ? templates_(templateId) : nullptr;
    if (!dialogTemplate) {
        return -1;
    }
    HeadlessDialog dialog(*dialogTemplate, events, nextHandle_, &liveBrushes);
    nextHandle_ += 0x10;
    if (onActiveWindow) {
        onActiveWindow(dialog.Handle());
    }
    Script script;
    if (!scripts_.empty()) {
        script = std::move(scripts_.front());
        scripts_.pop_front();
    }
    events.OnInit(dialog);
    if (!dialog.Ended() && script) {
        script(dialog);
    }
    if (!dialog.Ended()) {
        ++unscriptedCloses;
        dialog.CloseWindow();
        if (!dialog.Ended()) {
            dialog.End(-1);  // a page that ignores its close box must not hang a test
        }
    }
    events.OnDestroy();
    if (onActiveWindow) {
        onActiveWindow(kNoWindow);
    }
    return dialog.Result();
}

}  // namespace platform::memory
