#include "plugins/xfbridge/ProgressWindow.h"

#include "plugins/xfbridge/Module.h"
#include "plugins/xfbridge/Owned.h"

#include <algorithm>

namespace xfbridge {

namespace {

const char kClassName[] = "XfbridgeWorking";
const char kTitle[] = "Working...";
const int kMargin = 10;    // around the bar
const int kBarHeight = 18; // the bar's inner height
const int kEdge = 2;       // the sunken edge around it

// The one window of the process; the progress callback has nowhere else to keep it.
TProgressWindow* current = nullptr;

} // namespace

bool TProgressWindow::RegisterClassOnce(HINSTANCE instance) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, kClassName, &existing)) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TProgressWindow::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_WAIT);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassExA(&wc) != 0;
}

TProgressWindow* TProgressWindow::Current() {
    return current;
}

void __cdecl TProgressWindow::Report(int32 done, int32 total) {
    try {
        if (!current) {
            // A range of 0 or less would divide by zero; such a report gets the default range.
            auto* window = new TProgressWindow(total > 0 ? total : 100);
            if (!window->window_) {
                delete window;
                return;
            }
            current = window;
            ShowWindow(window->window_.get(), SW_SHOWNOACTIVATE);
            UpdateWindow(window->window_.get());
            window->SetPosition(done);
        } else if (done == 0) {
            CloseCurrent();
        } else {
            current->SetPosition(std::min(done, current->rangeMax_));
        }
    } catch (...) {
        // Called from the filter's code: nothing may unwind into it.
    }
}

void TProgressWindow::CloseCurrent() {
    delete std::exchange(current, nullptr);
}

void TProgressWindow::Unregister() {
    CloseCurrent();
    UnregisterClassA(kClassName, ThisModule());
}

TProgressWindow::TProgressWindow(int32 rangeMax) : rangeMax_(rangeMax) {
    HINSTANCE instance = ThisModule();
    if (!RegisterClassOnce(instance)) return;
    const DWORD style = WS_POPUP | WS_CAPTION;
    const DWORD exStyle = WS_EX_TOPMOST;
    RECT r{0, 0, 0, kBarHeight + 2 * (kMargin + kEdge)};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int width = std::max(screenWidth / 4, 200);
    const int height = r.bottom - r.top;
    window_.reset(CreateWindowExA(exStyle, kClassName, kTitle, style, (screenWidth - width) / 2,
                                  (screenHeight - height) / 2, width, height, nullptr, nullptr, instance,
                                  nullptr));
    if (!window_) return;
    SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TProgressWindow::~TProgressWindow() {
    // No message of the window's last ones may reach the object that is going.
    if (window_) SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK TProgressWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TProgressWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    try {
        if (self && msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            self->PaintFrame(dc);
            self->PaintBar(dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        // The window goes when the filter says so; Alt+F4 must not take it from under the reports.
        if (msg == WM_CLOSE) return 0;
    } catch (...) {
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

RECT TProgressWindow::BarRect() const {
    RECT client{};
    GetClientRect(window_.get(), &client);
    const int inset = kMargin + kEdge;
    return RECT{inset, inset, std::max<LONG>(inset, client.right - inset), inset + kBarHeight};
}

int TProgressWindow::FilledWidth() const {
    const RECT bar = BarRect();
    const int64_t width = bar.right - bar.left;
    const int64_t position = std::clamp<int64_t>(position_, 0, rangeMax_);
    return static_cast<int>(position * width / rangeMax_);
}

void TProgressWindow::SetPosition(int32 position) {
    position_ = position;
    const int width = FilledWidth();
    if (width == shownWidth_) return;
    WindowDC dc(window_.get());
    PaintBar(dc.get());
    // The filter keeps the thread busy until it is done, so the bar has to reach the screen now.
    // A look at the window's messages (none is taken) is when Wine passes drawing on to X.
    GdiFlush();
    MSG msg;
    PeekMessageA(&msg, window_.get(), 0, 0, PM_NOREMOVE | PM_NOYIELD);
}

void TProgressWindow::PaintFrame(HDC dc) const {
    RECT edge = BarRect();
    InflateRect(&edge, kEdge, kEdge);
    DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
}

void TProgressWindow::PaintBar(HDC dc) {
    const RECT bar = BarRect();
    const int filled = FilledWidth();
    RECT done{bar.left, bar.top, bar.left + filled, bar.bottom};
    RECT rest{bar.left + filled, bar.top, bar.right, bar.bottom};
    FillRect(dc, &done, GetSysColorBrush(COLOR_HIGHLIGHT));
    FillRect(dc, &rest, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    shownWidth_ = filled;
}

} // namespace xfbridge
