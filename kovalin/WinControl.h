// Base of every windowed control: owns one HWND, routes messages of the framework's own window
// class (and of standard controls it subclasses) to the object, and hands notifications of
// standard controls to the control they came from.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

namespace kovalin {

// Where a control sits in its parent: stacked along an edge, filling what is left, or placed by
// its own bounds. Controls with the same alignment stack outward-in in the order they were aligned.
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

class TWinControl {
public:
    TWinControl(const TWinControl&) = delete;
    TWinControl& operator=(const TWinControl&) = delete;
    virtual ~TWinControl();

    HWND Handle() const { return hwnd_; }
    TWinControl* Parent() const { return parent_; }

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetBounds(int left, int top, int width, int height);
    RECT ClientRect() const;

    std::string Caption() const;
    void SetCaption(const std::string& text);

    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);

    void SetFocus();
    void Invalidate();

    TAlign Align() const { return align_; }
    // Takes the control into (or out of) its parent's edge layout and lays the parent out again.
    // An aligned control keeps its width (left, right) or height (top, bottom) from its bounds.
    void SetAlign(TAlign value);
    // Places the aligned children within the client area; runs whenever this window is resized.
    void AlignControls();
    // The aligned children in layout order.
    const std::vector<TWinControl*>& AlignedControls() const { return aligned_; }

    // The object behind a window created by the framework, or nullptr.
    static TWinControl* FromHandle(HWND hwnd);

protected:
    struct CreateParams {
        const char* className = nullptr; // nullptr: the framework's own class, messages go to WndProc
        DWORD style = 0;
        DWORD exStyle = 0;
        std::string caption;
        int left = CW_USEDEFAULT, top = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
        HWND parentWindow = nullptr; // owner of a top-level window
        UINT_PTR id = 0;             // control id of a child window
        bool subclass = false;       // a standard control whose messages pass through WndProc first
    };

    explicit TWinControl(TWinControl* parent) : parent_(parent) {}
    void CreateHandle(const CreateParams& params);
    // A visible child window of the class at the bounds, with a fresh control id; callers add
    // their own styles.
    static CreateParams ChildParams(const char* className, int left, int top, int width, int height);

    // Messages of windows of the framework's class. Unhandled ones go to DefaultHandler.
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);

    // A WM_COMMAND notification that a standard control sent to its parent about itself.
    virtual void CommandNotify(WORD /*code*/) {}
    // The whole WM_COMMAND word (id and code), for controls whose commands name an inner item.
    virtual void CommandMessage(WPARAM wParam) { CommandNotify(HIWORD(wParam)); }
    // A WM_NOTIFY notification that a common control sent to its parent about itself; the result
    // is what the parent's window procedure returns.
    virtual LRESULT NotifyHandler(NMHDR& /*header*/) { return 0; }
    // WM_DRAWITEM and WM_MEASUREITEM that the parent received for this owner-drawn control; true
    // when handled.
    virtual bool DrawItemNotify(DRAWITEMSTRUCT& /*item*/) { return false; }
    virtual bool MeasureItemNotify(MEASUREITEMSTRUCT& /*item*/) { return false; }
    // WM_HSCROLL or WM_VSCROLL that a scroll-bar-like control (a track bar) sent to its parent.
    virtual void ScrollNotify(WORD /*code*/) {}

    // Makes notifications about a window that a control created for itself (a tooltip) reach
    // the control; nullptr undoes it.
    static void ClaimWindow(HWND foreign, TWinControl* owner);

    // Control ids for child windows, unique within the program.
    static UINT_PTR NextControlId();

    // The framework's font for controls: 8-point MS Sans Serif.
    static HFONT ControlFont();

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Detach();

    TWinControl* parent_;
    HWND hwnd_ = nullptr;
    TAlign align_ = TAlign::alNone;
    std::vector<TWinControl*> aligned_;
    bool ownClass_ = false;
    WNDPROC originalProc_ = nullptr; // the standard control's own procedure when subclassed
    std::exception_ptr createError_; // what a handler threw while the window was being made
};

} // namespace kovalin
