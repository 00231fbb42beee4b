// Driving windows from tests the way a user would: pumping messages, finding windows and
// controls, acting on a modal dialog while its loop runs, counting GDI objects.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Lets every waiting message of this thread run.
void RunUntilIdle();
// Runs messages for the given time.
void PumpMessages(DWORD milliseconds);
// Runs messages until `done` holds or the time is up; gives `done`'s last answer.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

std::string WindowText(HWND hwnd);
std::string ClassOf(HWND hwnd);
std::vector<HWND> ChildWindows(HWND parent);
// The first child of the given class whose text is `text` (any text when empty).
HWND FindChild(HWND parent, const std::string& className, const std::string& text = std::string());
// A visible top-level window of this process with the caption.
HWND FindTopWindow(const std::string& caption, DWORD processId = GetCurrentProcessId());
// A visible top-level window of this process of the class.
HWND FindTopWindowOfClass(const std::string& className);

// Calls `action` once, from a timer of the calling thread, when a visible top-level window with
// the caption (or, when className is given, of that class) appears; meant for dialogs and menus
// whose modal loop blocks the test.
class WhenWindowAppears {
public:
    WhenWindowAppears(std::string caption, std::function<void(HWND)> action, std::string className = {});
    WhenWindowAppears(const WhenWindowAppears&) = delete;
    WhenWindowAppears& operator=(const WhenWindowAppears&) = delete;
    ~WhenWindowAppears();
    bool Fired() const { return fired_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
    std::string caption_;
    std::string className_;
    std::function<void(HWND)> action_;
    UINT_PTR timer_;
    bool fired_ = false;
};

// Answers every message box that this process shows while it lives, from a timer of the calling
// thread (the box's own loop runs it): notes what each box said, lets `beforeAnswer` look at it
// (the box stays up meanwhile) and presses its OK button.
class MessageBoxAnswerer {
public:
    struct Box {
        std::string caption;
        std::string text;
        HWND owner = nullptr;
        bool errorIcon = false; // the system's error (hand) icon
    };
    explicit MessageBoxAnswerer(std::function<void(HWND)> beforeAnswer = {});
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
    ~MessageBoxAnswerer();
    const std::vector<Box>& Boxes() const { return boxes_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
    void Answer();
    std::function<void(HWND)> beforeAnswer_;
    UINT_PTR timer_;
    std::vector<HWND> answered_;
    std::vector<Box> boxes_;
};

// A left click on an item of a list-view control, as the user makes it; the messages it causes
// are left waiting.
void ClickListItem(HWND list, int index);

// GDI objects the process holds now (stock objects included).
int GdiObjectCount();

} // namespace testsupport
