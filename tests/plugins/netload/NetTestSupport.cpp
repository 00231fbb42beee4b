#include "tests/plugins/netload/NetTestSupport.h"

#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace nettest {

std::string TestServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

const TestServer& Server() {
    static TestServer server = [] {
        TestServer s;
        const char* file = std::getenv("NETLOAD_TEST_SERVER");
        if (!file) return s;
        std::string text;
        for (int i = 0; i < 100 && text.empty(); ++i) {
            try {
                text = testsupport::ReadFileBytes(file);
            } catch (...) {
                Sleep(50);
            }
        }
        std::sscanf(text.c_str(), "%d %d", &s.port, &s.closedPort);
        return s;
    }();
    return server;
}

std::string Pattern(size_t n, int seed) {
    std::string block(256, '\0');
    for (int i = 0; i < 256; ++i)
        block[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    std::string out;
    out.reserve(n);
    while (out.size() < n)
        out += block;
    out.resize(n);
    return out;
}

namespace {
std::map<UINT_PTR, WhileWindowShows*>& Watchers() {
    static std::map<UINT_PTR, WhileWindowShows*> watchers;
    return watchers;
}
} // namespace

WhileWindowShows::WhileWindowShows(std::string caption, std::function<bool(HWND)> step, DWORD limitMs)
    : caption_(std::move(caption)), step_(std::move(step)), started_(GetTickCount()), limitMs_(limitMs) {
    timer_ = SetTimer(nullptr, 0, 20, Tick);
    Watchers()[timer_] = this;
}

WhileWindowShows::~WhileWindowShows() {
    KillTimer(nullptr, timer_);
    Watchers().erase(timer_);
}

void CALLBACK WhileWindowShows::Tick(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Watchers().find(id);
    if (it == Watchers().end() || it->second->timedOut_) return;
    WhileWindowShows* self = it->second;
    HWND h = testsupport::FindTopWindow(self->caption_);
    if (!h) return;
    self->seen_ = true;
    if (GetTickCount() - self->started_ > self->limitMs_) {
        self->timedOut_ = true;
        SendMessageA(testsupport::FindChild(h, "Button", "Cancel"), BM_CLICK, 0, 0);
        return;
    }
    if (!self->done_ && self->step_(h)) self->done_ = true;
}

size_t MemoryInUse() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    // Wine leaves PrivateUsage at zero; the working set is what it does count.
    return pmc.WorkingSetSize;
}

} // namespace nettest
