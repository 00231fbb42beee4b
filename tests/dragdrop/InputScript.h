// Mouse and keyboard input as a user makes it, sent from a worker thread while the test's
// thread runs its messages (and any drag loop that the input starts).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace ddtest {

class InputScript {
public:
    InputScript() = default;
    InputScript(const InputScript&) = delete;
    InputScript& operator=(const InputScript&) = delete;
    ~InputScript();

    // Moves in `steps` even steps from wherever the cursor is to the screen point.
    InputScript& MoveTo(POINT p, int steps = 8, DWORD stepMs = 25);
    InputScript& Down(bool right = false);
    InputScript& Up(bool right = false);
    InputScript& Key(WORD vk, bool down);
    InputScript& Wait(DWORD ms);
    // Runs fn on the worker (it must not touch windows of the test's thread).
    InputScript& Then(std::function<void()> fn);

    void Start();
    bool Done() const { return done_; }
    // Waits for the end, running the calling thread's messages meanwhile.
    bool Finish(DWORD timeoutMs = 20000);

private:
    std::vector<std::function<void()>> steps_;
    std::thread worker_;
    volatile bool done_ = false;
};

// Runs the X display's input tool with the arguments; false when it cannot be started.
bool RunXdotool(const std::string& args);
// Runs a program of the host system (Wine starts those too) and waits for it.
bool RunUnixProgram(const std::string& commandLine);
// A picture of the whole display, when KOVALIN_SCREENSHOT_DIR (or KOVALIN_SCREENSHOTS) names a
// host folder for them; `name` is the file's name there (a PNG).
void Screenshot(const std::string& name);
// Sends one absolute cursor move now.
void MoveCursor(POINT p);
POINT CursorPos();

} // namespace ddtest
