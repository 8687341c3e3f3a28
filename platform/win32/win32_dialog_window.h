#pragma once
// One page dialog on display, over its HWND: what the page's framework object calls, and how a
// control-colour answer is applied with real GDI objects.

#include <map>
#include <memory>

#include "platform/dialog_host.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_progress_bar.h"

namespace platform::win32 {

// A GDI object (brush, font) deleted with its owner.
class UniqueGdiObject {
  public:
    UniqueGdiObject() = default;
    explicit UniqueGdiObject(HGDIOBJ object) : object_(object) {}
    ~UniqueGdiObject() { reset(); }
    UniqueGdiObject(const UniqueGdiObject&) = delete;
    UniqueGdiObject& operator=(const UniqueGdiObject&) = delete;
    UniqueGdiObject(UniqueGdiObject&& other) noexcept : object_(other.release()) {}
    UniqueGdiObject& operator=(UniqueGdiObject&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    HGDIOBJ get() const { return object_; }
    HGDIOBJ release() {
        HGDIOBJ object = object_;
        object_ = nullptr;
        return object;
    }
    void reset(HGDIOBJ object = nullptr) {
        if (object_) {
            DeleteObject(object_);
        }
        object_ = object;
    }

  private:
    HGDIOBJ object_ = nullptr;
};

class Win32Brush : public Brush {
  public:
    explicit Win32Brush(Colour colour) : colour_(colour), brush_(::CreateSolidBrush(colour)) {}
    Colour colour() const override { return colour_; }
    HBRUSH handle() const { return static_cast<HBRUSH>(brush_.get()); }

  private:
    Colour colour_;
    UniqueGdiObject brush_;
};

class Win32DialogWindow : public DialogWindow {
  public:
    // `dialog` is not owned; this object lives while the window does. Takes the window's DPI.
    explicit Win32DialogWindow(HWND dialog);

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
    WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(dialog_); }

    // Applies the answer to a WM_CTLCOLOR* request on `dc`; the value the dialog procedure
    // returns (the brush, or FALSE for the default handling).
    INT_PTR ApplyColour(HDC dc, const ControlColour& colour);

    // Draws what the program makes itself for `dpi` (the dialog font and the template's controls
    // are Windows'): the label font is made again at its next use, at its height scaled from 96 DPI,
    // and every bitmap static shows the logo at its 96-DPI size scaled likewise, from the bitmap
    // drawn for the nearest scale at or above it (100 %, 150 %, 200 %). At WM_INITDIALOG with the
    // window's own DPI, and at WM_DPICHANGED with the new one.
    void ApplyDpi(unsigned dpi);
    unsigned Dpi() const { return dpi_; }
    // A window's DPI: GetDpiForWindow where Windows has it (10 1607 and later, looked up at run
    // time), else the screen's LOGPIXELSY.
    static unsigned DpiOf(HWND window);
    // The logo bitmap drawn for `dpi`, and its size in pixels there.
    static int LogoFor(unsigned dpi);
    static int LogoSize(unsigned dpi);

  private:
    HWND Control(int id) const;

    HWND dialog_;
    std::map<int, std::unique_ptr<Win32ProgressBar>> progressBars_;
    unsigned dpi_;
    // The version-label font: made at the first request that asks for it, deleted with the window
    // or a change of DPI, so that it is never deleted while a control's DC still has it selected.
    UniqueGdiObject labelFont_;
    // The logo the bitmap statics show; the one it replaced goes once they no longer show it.
    UniqueGdiObject logo_;
};

}  // namespace platform::win32
