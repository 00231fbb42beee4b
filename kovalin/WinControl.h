// Base of every windowed control: owns one HWND, routes messages of the framework's own window
// class (and of standard controls it subclasses) to the object, and hands notifications of
// standard controls to the control they came from.
#pragma once

#include <windows.h>

#include <string>

namespace kovalin {

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

    // Messages of windows of the framework's class. Unhandled ones go to DefaultHandler.
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);

    // A WM_COMMAND notification that a standard control sent to its parent about itself.
    virtual void CommandNotify(WORD /*code*/) {}
    // A WM_NOTIFY notification that a common control sent to its parent about itself; the result
    // is what the parent's window procedure returns.
    virtual LRESULT NotifyHandler(NMHDR& /*header*/) { return 0; }
    // WM_DRAWITEM and WM_MEASUREITEM that the parent received for this owner-drawn control; true
    // when handled.
    virtual bool DrawItemNotify(DRAWITEMSTRUCT& /*item*/) { return false; }
    virtual bool MeasureItemNotify(MEASUREITEMSTRUCT& /*item*/) { return false; }

    // Control ids for child windows, unique within the program.
    static UINT_PTR NextControlId();

    // The framework's font for controls: the system's GUI font.
    static HFONT ControlFont();

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Detach();

    TWinControl* parent_;
    HWND hwnd_ = nullptr;
    bool ownClass_ = false;
    WNDPROC originalProc_ = nullptr; // the standard control's own procedure when subclassed
};

} // namespace kovalin
