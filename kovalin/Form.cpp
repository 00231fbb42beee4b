#include "kovalin/Form.h"

#include "kovalin/Application.h"
#include "kovalin/Button.h"
#include "kovalin/GraphicControl.h"
#include "kovalin/Handles.h"

#include <algorithm>

namespace kovalin {

namespace {

struct FormStyle {
    DWORD style, exStyle;
};

FormStyle StyleFor(TFormBorderStyle b) {
    switch (b) {
    case TFormBorderStyle::bsNone:
        return {WS_POPUP, 0};
    case TFormBorderStyle::bsSingle:
        return {WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER, 0};
    case TFormBorderStyle::bsDialog:
        return {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT};
    case TFormBorderStyle::bsToolWindow:
        return {WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW};
    case TFormBorderStyle::bsSizeable:
    default:
        return {WS_OVERLAPPEDWINDOW, WS_EX_CONTROLPARENT};
    }
}

// Windows of this thread that a modal form disables and enables again.
struct DisabledWindows {
    HWND except;
    std::vector<HWND> list;

    static BOOL CALLBACK Collect(HWND hwnd, LPARAM lParam) {
        auto* self = reinterpret_cast<DisabledWindows*>(lParam);
        if (hwnd != self->except && IsWindowEnabled(hwnd)) {
            self->list.push_back(hwnd);
            EnableWindow(hwnd, FALSE);
        }
        return TRUE;
    }
    explicit DisabledWindows(HWND form) : except(form) {
        EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
    }
    ~DisabledWindows() {
        for (HWND h : list)
            if (IsWindow(h)) EnableWindow(h, TRUE);
    }
};

} // namespace

TForm::TForm(const TFormParams& p)
    : TWinControl(nullptr), borderStyle_(p.borderStyle), position_(p.position) {
    FormStyle fs = StyleFor(p.borderStyle);
    RECT r{0, 0, p.clientWidth, p.clientHeight};
    AdjustWindowRectEx(&r, fs.style, FALSE, fs.exStyle);
    CreateParams cp;
    cp.style = fs.style | WS_CLIPCHILDREN;
    cp.exStyle = fs.exStyle;
    cp.caption = p.caption;
    cp.left = p.left;
    cp.top = p.top;
    cp.width = r.right - r.left;
    cp.height = r.bottom - r.top;
    cp.parentWindow = p.owner ? p.owner : Application().Handle();
    CreateHandle(cp);
    if (borderStyle_ == TFormBorderStyle::bsDialog) SetPropA(Handle(), kDialogKeysProp, Handle());
}

TForm::~TForm() {
    if (Handle()) RemovePropA(Handle(), kDialogKeysProp);
}

TForm* TForm::FormOf(const TWinControl& control) {
    HWND root = GetAncestor(control.Handle(), GA_ROOT);
    return dynamic_cast<TForm*>(FromHandle(root));
}

int TForm::ClientWidth() const {
    return ClientRect().right;
}
int TForm::ClientHeight() const {
    return ClientRect().bottom;
}

void TForm::SetClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, GetWindowLongA(Handle(), GWL_STYLE), GetMenu(Handle()) != nullptr,
                       GetWindowLongA(Handle(), GWL_EXSTYLE));
    SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::PlaceOnScreen() {
    if (position_ == TPosition::poDesigned) return;
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT centreOn = area;
    HWND owner = Owner();
    if (position_ == TPosition::poOwnerFormCenter && owner && !IsIconic(owner))
        GetWindowRect(owner, &centreOn);
    int w = Width(), h = Height();
    int x = (centreOn.left + centreOn.right - w) / 2;
    int y = (centreOn.top + centreOn.bottom - h) / 2;
    // Keep the whole form on the work area.
    x = std::max<int>(area.left, std::min<int>(x, area.right - w));
    y = std::max<int>(area.top, std::min<int>(y, area.bottom - h));
    SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TWindowState TForm::WindowState() const {
    if (IsZoomed(Handle())) return TWindowState::wsMaximized;
    if (IsIconic(Handle())) return TWindowState::wsMinimized;
    return Visible() ? TWindowState::wsNormal : showState_;
}

namespace {
int ShowCommand(TWindowState state) {
    switch (state) {
    case TWindowState::wsMaximized:
        return SW_SHOWMAXIMIZED;
    case TWindowState::wsMinimized:
        return SW_SHOWMINIMIZED;
    default:
        return SW_SHOWNORMAL;
    }
}
} // namespace

void TForm::SetWindowState(TWindowState value) {
    showState_ = value;
    if (Visible()) ShowWindow(Handle(), ShowCommand(value));
}

void TForm::Show() {
    PlaceOnScreen();
    ShowWindow(Handle(), Visible() ? SW_SHOW : ShowCommand(showState_));
    if (OnShow) OnShow();
}

TModalResult TForm::ShowModal() {
    modalResult_ = mrNone;
    modal_ = true;
    {
        DisabledWindows disabled(Handle());
        PlaceOnScreen();
        ShowWindow(Handle(), SW_SHOW);
        SetActiveWindow(Handle());
        if (defaultButton_) defaultButton_->SetFocus();
        if (OnShow) OnShow();
        MSG msg;
        while (modalResult_ == mrNone) {
            BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got <= 0) {
                // Hand the quit request on to the outer loop.
                PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
                modalResult_ = mrCancel;
                break;
            }
            if (IsDialogMessageA(Handle(), &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        // The other windows are enabled again before the form hides, so activation returns to them.
    }
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (HWND owner = Owner()) SetActiveWindow(owner);
    modal_ = false;
    return modalResult_;
}

void TForm::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (OnClose) OnClose();
    ShowWindow(Handle(), SW_HIDE);
}

void TForm::SetDefaultButton(TButton* button, bool isDefault) {
    if (isDefault) {
        if (defaultButton_ && defaultButton_ != button) defaultButton_->SetDefault(false);
        defaultButton_ = button;
    } else if (defaultButton_ == button) {
        defaultButton_ = nullptr;
    }
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_SIZE: {
        LRESULT r = DefaultHandler(msg, wParam, lParam); // lays out the aligned controls
        if (OnResize) OnResize();
        return r;
    }
    case WM_COMMAND:
        if (lParam == 0 && HIWORD(wParam) <= 1 && OnMenuCommand) {
            OnMenuCommand(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_ACTIVATE:
        // The keyboard goes back to the control that had it when the form was last active, as in
        // a dialog: after a message box or a shell dialog, keys reach the list again, not the form.
        {
            HWND focus = GetFocus();
            const bool inside = focus && IsChild(Handle(), focus);
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (inside) lastFocus_ = focus;
            } else if (!HIWORD(wParam)) {
                // A control that took the keyboard meanwhile (an edit field just opened) keeps it.
                if (inside) return 0;
                if (lastFocus_ && IsChild(Handle(), lastFocus_) && IsWindowVisible(lastFocus_) &&
                    IsWindowEnabled(lastFocus_)) {
                    ::SetFocus(lastFocus_);
                    return 0;
                }
            }
        }
        break;
    case DM_GETDEFID:
        if (defaultButton_) return MAKELRESULT(GetDlgCtrlID(defaultButton_->Handle()), DC_HASDEFID);
        return 0;
    case WM_PAINT: {
        PaintDC dc(Handle());
        for (TGraphicControl* g : graphics_)
            if (g->Visible()) g->Paint(dc.get());
        if (OnPaint) OnPaint(dc.get());
        return 0;
    }
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace kovalin
