// The application object: the hidden top-level window that owns every form of the program
// (or, inside a plug-in, the host's window adopted in its place) and the message loop.
#pragma once

#include "kovalin/Handles.h"

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace kovalin {

class TSynchronizer;

class TApplication {
public:
    TApplication() = default;
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;
    ~TApplication();

    // Creates the hidden application window of a program and makes the calling thread the
    // user-interface thread that worker threads synchronize with. A library adopts its host's
    // window through SetHandle instead.
    void Initialize();

    HWND Handle() const { return handle_; }
    // Adopts another window as the application window; it stays owned by whoever created it.
    void SetHandle(HWND handle);

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    // Runs the message loop until Terminate or WM_QUIT.
    void Run();
    // Lets every message waiting in this thread's queue run, then returns.
    void ProcessMessages();
    // Ends Run: posts WM_QUIT.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // The user-interface thread's synchronous call queue; null before Initialize. Threads keep a
    // reference, so it outlives the application object for a worker that is still waiting.
    std::shared_ptr<TSynchronizer> Synchronizer() const { return synchronizer_; }

    // The hint of whatever the mouse points at: "short|long", or one text for both; empty when
    // the mouse points at nothing with a hint. Setting a different hint fires OnHint.
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    std::function<void()> OnHint;

    // The error display for whatever a handler threw that nobody caught before the framework's
    // dispatch did. EAbort ends the operation silently; any other error goes to OnException when
    // one is set, else to ShowException. Never throws: it runs where nothing may unwind.
    void HandleException(std::exception_ptr error) noexcept;
    // A message box owned by the active form (the application window when no form is active)
    // with the error's message and the error icon; returns when the user has closed it.
    void ShowException(const std::exception& error);
    // Takes over the display of errors from ShowException.
    std::function<void(const std::exception&)> OnException;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool DispatchOne(const MSG& msg);

    HWND handle_ = nullptr; // the window in use: our own or one a host lent us
    UniqueHWnd ownWindow_;
    bool terminated_ = false;
    bool showingError_ = false;
    std::string title_;
    std::string hint_;
    std::shared_ptr<TSynchronizer> synchronizer_;
};

// The parts of a hint before and after its vertical bar; a hint without one is both.
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

// Window property of forms whose keyboard input gets dialog navigation in the message loop.
inline constexpr char kDialogKeysProp[] = "KovalinDialogKeys";

// The one application object of this module (the program, or each plug-in library).
TApplication& Application();

// Runs fn where an exception must not go on unwinding: inside a window procedure, a timer, a hook,
// a COM callback, a thread's start or a library's entry point. What fn throws is handed to the
// application's error display and `fallback` is returned instead; nothing reaches the system's
// frames (which the 32-bit build cannot unwind through) or another module.
template <class R, class Fn> R CallGuarded(R fallback, Fn&& fn) noexcept {
    try {
        return fn();
    } catch (...) {
        Application().HandleException(std::current_exception());
        return fallback;
    }
}

// The same for handlers without a result; true when fn returned normally.
template <class Fn> bool CallGuarded(Fn&& fn) noexcept {
    try {
        fn();
        return true;
    } catch (...) {
        Application().HandleException(std::current_exception());
        return false;
    }
}

} // namespace kovalin
