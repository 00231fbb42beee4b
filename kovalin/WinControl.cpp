#include "kovalin/WinControl.h"

#include "kovalin/Application.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Module.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

namespace kovalin {

namespace {

const char kObjectProp[] = "KovalinObject";
const char kClassName[] = "KovalinWindow";

// The window class is registered while windows of this module use it and unregistered with the
// last one: a plug-in library may be unloaded and loaded again at another address, and a class
// left registered would keep pointing into the old image.
int g_classUsers = 0;

// Controls that something else subclassed on top of the framework (drag and drop does) are found
// by their property, at every notification they send; under Wine each lookup is a round trip to
// the window server, which a tree or list drawing its lines asks for hundreds of times. The last
// few found are remembered while their window's user data still names them, and forgotten when
// their object lets go of the window.
struct FoundControl {
    HWND hwnd = nullptr;
    TWinControl* control = nullptr;
};
thread_local FoundControl g_found[4];
thread_local unsigned g_nextFound = 0;

bool StillNames(HWND hwnd, const TWinControl* control) {
    return GetWindowLongPtrA(hwnd, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(control);
}

void ForgetFound(const TWinControl* control) {
    for (FoundControl& f : g_found)
        if (f.control == control) f = FoundControl{};
}

} // namespace

void TWinControl::CreateHandle(const CreateParams& p) {
    HINSTANCE inst = ThisModule();
    const char* cls = p.className;
    if (!cls) {
        if (g_classUsers++ == 0) {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.style = CS_DBLCLKS;
            wc.lpfnWndProc = StaticWndProc;
            wc.hInstance = inst;
            wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = kClassName;
            if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
                --g_classUsers;
                RaiseLastOSError("RegisterClassEx");
            }
        }
        ownClass_ = true;
        cls = kClassName;
    }
    HWND parentWnd = parent_ ? parent_->Handle() : p.parentWindow;
    HWND h = CreateWindowExA(p.exStyle, cls, p.caption.c_str(), p.style, p.left, p.top, p.width, p.height,
                             parentWnd, reinterpret_cast<HMENU>(p.id), inst, this);
    if (!h) {
        DWORD err = GetLastError();
        if (ownClass_ && --g_classUsers == 0) UnregisterClassA(kClassName, inst);
        ownClass_ = false;
        if (createError_) std::rethrow_exception(std::exchange(createError_, nullptr));
        throw EOSError("CreateWindowEx", err);
    }
    if (!ownClass_) {
        hwnd_ = h;
        SetPropA(h, kObjectProp, this);
        if (p.subclass) {
            SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            originalProc_ = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWndProc)));
        }
    }
    if (p.style & WS_CHILD) SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
}

TWinControl::~TWinControl() {
    if (parent_) std::erase(parent_->aligned_, this);
    for (TWinControl* child : aligned_)
        child->align_ = TAlign::alNone;
    if (hwnd_) {
        HWND h = hwnd_;
        Detach();
        DestroyWindow(h);
    }
    if (ownClass_ && --g_classUsers == 0) UnregisterClassA(kClassName, ThisModule());
}

void TWinControl::Detach() {
    if (!hwnd_) return;
    ForgetFound(this);
    RemovePropA(hwnd_, kObjectProp);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    // A subclassed control gets its own procedure back, so that it still cleans up after itself
    // when it is destroyed without the object.
    if (originalProc_) SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc_));
    originalProc_ = nullptr;
    hwnd_ = nullptr;
}

// The object of a window whose messages pass through StaticWndProc sits in its user data, which
// is quick to read; window properties cost a round trip to the window server under Wine, too slow
// for the stream of notifications a large list sends. Standard controls that are not subclassed
// are found by their property.
TWinControl* TWinControl::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    if (GetWindowLongPtrA(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(StaticWndProc))
        return reinterpret_cast<TWinControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    for (const FoundControl& f : g_found)
        if (f.hwnd == hwnd && f.control && StillNames(hwnd, f.control)) return f.control;
    auto* control = static_cast<TWinControl*>(GetPropA(hwnd, kObjectProp));
    // Only a control whose messages pass through StaticWndProc names itself in the user data; a
    // window claimed by another (a tooltip) is looked up afresh each time.
    if (control && StillNames(hwnd, control)) g_found[g_nextFound++ % std::size(g_found)] = {hwnd, control};
    return control;
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* self;
    if (msg == WM_NCCREATE) {
        // The object pointer travels in the create parameters and lives on the window from here on.
        self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetPropA(hwnd, kObjectProp, self);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    // Every handler of the framework runs below this point: what it throws ends here, where it is
    // shown to the user, and the program goes on.
    try {
        LRESULT r = self->WndProc(msg, wParam, lParam);
        // The control's procedure must see WM_NCDESTROY too; restore it only afterwards.
        if (msg == WM_NCDESTROY) self->Detach();
        return r;
    } catch (...) {
        if (msg == WM_NCCREATE || msg == WM_CREATE) {
            // The window is not made, and CreateHandle raises the error for whoever wanted it.
            self->createError_ = std::current_exception();
            return msg == WM_CREATE ? -1 : FALSE;
        }
        if (msg == WM_NCDESTROY) self->Detach();
        Application().HandleException(std::current_exception());
        return 0;
    }
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefaultHandler(msg, wParam, lParam);
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (lParam) {
            TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam));
            if (child && child != this) {
                child->CommandMessage(wParam);
                return 0;
            }
        }
        break;
    case WM_NOTIFY:
        if (auto* header = reinterpret_cast<NMHDR*>(lParam)) {
            TWinControl* child = FromHandle(header->hwndFrom);
            if (child && child != this) return child->NotifyHandler(*header);
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        // A window's own scroll bars send no handle; controls name themselves.
        if (lParam) {
            TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam));
            if (child && child != this) {
                child->ScrollNotify(LOWORD(wParam));
                return 0;
            }
        }
        break;
    case WM_DRAWITEM:
        if (auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam); item && item->CtlType != ODT_MENU) {
            TWinControl* child = FromHandle(item->hwndItem);
            if (child && child != this && child->DrawItemNotify(*item)) return TRUE;
        }
        break;
    case WM_MEASUREITEM:
        // The message names the control only by its id. A control asks while it is being created,
        // before its object is attached; it then keeps the default height until the object sets one.
        if (auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam); item && item->CtlType != ODT_MENU) {
            TWinControl* child = FromHandle(GetDlgItem(hwnd_, static_cast<int>(item->CtlID)));
            if (child && child != this && child->MeasureItemNotify(*item)) return TRUE;
        }
        break;
    case WM_SIZE:
        if (!aligned_.empty() && wParam != SIZE_MINIMIZED) AlignControls();
        break;
    case WM_CTLCOLORSTATIC:
        if (originalProc_) break;
        // Static controls take the face colour of the window they sit on.
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    if (originalProc_) return CallWindowProcA(originalProc_, hwnd_, msg, wParam, lParam);
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

TWinControl::CreateParams TWinControl::ChildParams(const char* className, int left, int top, int width,
                                                   int height) {
    CreateParams cp;
    cp.className = className;
    cp.style = WS_CHILD | WS_VISIBLE;
    cp.left = left;
    cp.top = top;
    cp.width = width;
    cp.height = height;
    cp.id = NextControlId();
    return cp;
}

void TWinControl::ClaimWindow(HWND foreign, TWinControl* owner) {
    if (owner)
        SetPropA(foreign, kObjectProp, owner);
    else
        RemovePropA(foreign, kObjectProp);
}

UINT_PTR TWinControl::NextControlId() {
    static UINT_PTR id = 100;
    return ++id;
}

HFONT TWinControl::ControlFont() {
    // Forms and their controls use 8-point MS Sans Serif (11 pixels at 96 dots per inch); the
    // font lives as long as the module.
    static HFONT font = [] {
        HFONT f =
            CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
        return f ? f : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }();
    return font;
}

static RECT WindowRectInParent(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    HWND parent = (GetWindowLongA(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : nullptr;
    if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int TWinControl::Left() const {
    return WindowRectInParent(hwnd_).left;
}
int TWinControl::Top() const {
    return WindowRectInParent(hwnd_).top;
}
int TWinControl::Width() const {
    RECT r = WindowRectInParent(hwnd_);
    return r.right - r.left;
}
int TWinControl::Height() const {
    RECT r = WindowRectInParent(hwnd_);
    return r.bottom - r.top;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT TWinControl::ClientRect() const {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return r;
}

std::string TWinControl::Caption() const {
    int n = GetWindowTextLengthA(hwnd_);
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    int got = GetWindowTextA(hwnd_, buf.data(), n + 1);
    return std::string(buf.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void TWinControl::SetCaption(const std::string& text) {
    SetWindowTextA(hwnd_, text.c_str());
}

bool TWinControl::Visible() const {
    return (GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}
void TWinControl::SetVisible(bool visible) {
    ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}
bool TWinControl::Enabled() const {
    return IsWindowEnabled(hwnd_) != FALSE;
}
void TWinControl::SetEnabled(bool enabled) {
    EnableWindow(hwnd_, enabled);
}
void TWinControl::SetFocus() {
    ::SetFocus(hwnd_);
}
void TWinControl::Invalidate() {
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void TWinControl::SetAlign(TAlign value) {
    if (value == align_ || !parent_) return;
    std::erase(parent_->aligned_, this);
    align_ = value;
    if (value != TAlign::alNone) parent_->aligned_.push_back(this);
    parent_->AlignControls();
}

void TWinControl::AlignControls() {
    if (!hwnd_) return;
    RECT area = ClientRect();
    std::vector<TWinControl*> order;
    // Edges first, top and bottom spanning the whole width, then left and right, then the fill.
    for (TAlign pass : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient})
        for (TWinControl* c : aligned_)
            if (c->align_ == pass) order.push_back(c);
    HDWP batch = BeginDeferWindowPos(static_cast<int>(order.size()));
    for (TWinControl* c : order) {
        RECT r = area;
        // Edge controls keep their size even when it does not fit; the fill never goes negative.
        int w = std::max(0, static_cast<int>(area.right - area.left));
        int h = std::max(0, static_cast<int>(area.bottom - area.top));
        switch (c->align_) {
        case TAlign::alTop:
            h = c->Height();
            area.top += h;
            break;
        case TAlign::alBottom:
            h = c->Height();
            r.top = area.bottom - h;
            area.bottom -= h;
            break;
        case TAlign::alLeft:
            w = c->Width();
            area.left += w;
            break;
        case TAlign::alRight:
            w = c->Width();
            r.left = area.right - w;
            area.right -= w;
            break;
        default:
            break;
        }
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (batch)
            batch = DeferWindowPos(batch, c->hwnd_, nullptr, r.left, r.top, w, h, flags);
        else
            SetWindowPos(c->hwnd_, nullptr, r.left, r.top, w, h, flags);
    }
    if (batch) EndDeferWindowPos(batch);
}

} // namespace kovalin
