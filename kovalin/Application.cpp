#include "kovalin/Application.h"

#include "kovalin/Exceptions.h"
#include "kovalin/Module.h"
#include "kovalin/Synchronizer.h"

namespace kovalin {

namespace {
const char kAppClass[] = "KovalinApplication";
}

TApplication& Application() {
    static TApplication app;
    return app;
}

TApplication::~TApplication() {
    // Nothing a worker hands over may run once the program is going away.
    if (synchronizer_) synchronizer_->Shutdown();
    if (ownWindow_) {
        ownWindow_.reset();
        UnregisterClassA(kAppClass, ThisModule());
    }
}

LRESULT CALLBACK TApplication::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void TApplication::Initialize() {
    if (!synchronizer_) synchronizer_ = std::make_shared<TSynchronizer>();
    if (handle_) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = ThisModule();
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kAppClass;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        RaiseLastOSError("RegisterClassEx");
    // A zero-sized window in the middle of the screen: forms centred on it come out centred on the screen.
    int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
    ownWindow_.reset(CreateWindowExA(0, kAppClass, title_.c_str(),
                                     WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x,
                                     y, 0, 0, nullptr, nullptr, ThisModule(), nullptr));
    if (!ownWindow_) RaiseLastOSError("CreateWindowEx");
    handle_ = ownWindow_.get();
}

void TApplication::SetHandle(HWND handle) {
    if (handle == handle_) return;
    ownWindow_.reset();
    handle_ = handle;
}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    if (ownWindow_) SetWindowTextA(ownWindow_.get(), title.c_str());
}

void TApplication::SetHint(const std::string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    if (OnHint) OnHint();
}

std::string GetShortHint(const std::string& hint) {
    size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
    size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

bool TApplication::DispatchOne(const MSG& msg) {
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return false;
    }
    // Keyboard navigation (Tab, Enter for the default button, Esc) inside forms that ask for it.
    HWND active = GetActiveWindow();
    if (active && GetPropA(active, kDialogKeysProp) && IsDialogMessageA(active, const_cast<MSG*>(&msg)))
        return true;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

void TApplication::Run() {
    MSG msg;
    while (!terminated_ && GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchOne(msg);
    terminated_ = true;
}

void TApplication::ProcessMessages() {
    // Long work lets messages run often, and mostly there are none. Asking whether any wait is one
    // round trip to the window server under Wine, where a PeekMessage that finds none takes three;
    // on a busy machine each can cost a tenth of a millisecond. Input that has arrived, sent and
    // posted messages, timers and painting all count as waiting.
    if (MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_TIMEOUT) return;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!DispatchOne(msg)) {
            // Leave the quit request for the loop that owns it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
    }
}

void TApplication::HandleException(std::exception_ptr error) noexcept {
    if (!error) return;
    try {
        try {
            std::rethrow_exception(error);
        } catch (const EAbort&) {
            // The user cancelled; there is nothing to tell.
        } catch (const std::exception& e) {
            if (OnException)
                OnException(e);
            else
                ShowException(e);
        } catch (...) {
            Exception unknown("An unknown error occurred");
            if (OnException)
                OnException(unknown);
            else
                ShowException(unknown);
        }
    } catch (...) {
        // The display itself failed (no memory for the text, a throwing OnException): the error
        // is lost rather than let loose where it cannot be caught.
        OutputDebugStringA("kovalin: an error could not be shown\n");
    }
}

void TApplication::ShowException(const std::exception& error) {
    // A handler that fails again while its first error is on screen (a timer that ticks behind
    // the box) would stack box upon box; the user answers one at a time.
    if (showingError_) {
        OutputDebugStringA(error.what());
        return;
    }
    showingError_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{showingError_};
    HWND owner = GetActiveWindow();
    if (!owner) owner = handle_;
    MessageBoxA(owner, error.what(), title_.empty() ? nullptr : title_.c_str(), MB_OK | MB_ICONERROR);
}

void TApplication::Terminate() {
    terminated_ = true;
    PostQuitMessage(0);
}

} // namespace kovalin
