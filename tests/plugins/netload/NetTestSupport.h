// What the web loader's tests share: the scripted server's address, and a watcher that acts on
// the download window while its modal loop runs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace nettest {

// The scripted HTTP server that the test fixture started; its port file is named by the
// NETLOAD_TEST_SERVER environment variable.
struct TestServer {
    int port = 0;
    int closedPort = 0; // nothing listens there
    bool Running() const { return port != 0; }
    std::string Url(const std::string& path) const;
};
const TestServer& Server();

// Body bytes as the server makes them.
std::string Pattern(size_t n, int seed);

// Calls `step` with the window every 20 ms while a visible window with the caption exists,
// until it answers true. A window still there after the time limit is cancelled with its
// Cancel button, so that a download that never ends fails its test instead of hanging it.
class WhileWindowShows {
public:
    WhileWindowShows(std::string caption, std::function<bool(HWND)> step, DWORD limitMs = 30000);
    WhileWindowShows(const WhileWindowShows&) = delete;
    WhileWindowShows& operator=(const WhileWindowShows&) = delete;
    ~WhileWindowShows();
    bool Done() const { return done_; }
    // Whether the window was seen at all.
    bool Seen() const { return seen_; }
    bool TimedOut() const { return timedOut_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
    std::string caption_;
    std::function<bool(HWND)> step_;
    UINT_PTR timer_;
    bool done_ = false;
    bool seen_ = false;
    bool timedOut_ = false;
    DWORD started_;
    DWORD limitMs_;
};

// Memory this process occupies now.
size_t MemoryInUse();

} // namespace nettest
