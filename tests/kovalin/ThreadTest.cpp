#include "kovalin/Application.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Synchronizer.h"
#include "kovalin/Thread.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <array>
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace kovalin;
using namespace testsupport;

namespace {

// A thread whose work is given by the test.
class TestThread : public TThread {
public:
    explicit TestThread(std::function<void(TestThread&)> body,
                        TThreadRunner runner = TThreadRunner::OwnThread)
        : TThread(runner), body_(std::move(body)) {}
    ~TestThread() override {
        Terminate();
        WaitFor();
    }
    using TThread::Queue;
    using TThread::SetReturnValue;
    using TThread::Synchronize;
    using TThread::TerminateEvent;

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(TestThread&)> body_;
};

// A raw worker that makes one call with a cancel event.
struct RawCaller {
    TSynchronizer* sync;
    HANDLE cancel;
    bool ran = false;
    std::atomic<int> result{-1};

    static DWORD WINAPI Run(void* param) {
        auto* self = static_cast<RawCaller*>(param);
        self->result = self->sync->Call([self] { self->ran = true; }, self->cancel) ? 1 : 0;
        return 0;
    }
};

class ThreadTest : public ::testing::Test {
protected:
    void SetUp() override { Application().Initialize(); }
};

} // namespace

TEST_F(ThreadTest, SynchronizeRunsOnTheUIThreadAndWaitsUntilDone) {
    DWORD ranOn = 0;
    int value = 0, seenAfterwards = -1;
    bool delivered = false;
    TestThread t([&](TestThread& self) {
        delivered = self.Synchronize([&] {
            ranOn = GetCurrentThreadId();
            Sleep(50);
            value = 42;
        });
        seenAfterwards = value;
    });
    t.Start();
    ASSERT_TRUE(PumpUntil([&] { return t.Finished(); }, 5000));
    EXPECT_TRUE(delivered);
    EXPECT_EQ(ranOn, GetCurrentThreadId());
    EXPECT_EQ(seenAfterwards, 42);
    EXPECT_EQ(t.FatalError(), "");
}

TEST_F(ThreadTest, AnExceptionInTheCallIsRaisedAgainInTheThread) {
    MessageBoxAnswerer boxes; // the user is told too
    TestThread t([](TestThread& self) {
        self.Synchronize([] { throw Exception("bad handler"); });
        self.SetReturnValue(7); // not reached
    });
    t.Start();
    ASSERT_TRUE(PumpUntil([&] { return t.Finished(); }, 5000));
    EXPECT_EQ(t.FatalError(), "bad handler");
    EXPECT_EQ(t.WaitFor(), 0u);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "bad handler");
}

TEST_F(ThreadTest, TerminateReleasesAWaitingCallWhichNeverRuns) {
    std::atomic<bool> calling{false};
    bool ran = false, delivered = true;
    TestThread t([&](TestThread& self) {
        calling = true;
        delivered = self.Synchronize([&] { ran = true; });
    });
    t.Start();
    // No messages run here, so the call stays queued.
    while (!calling)
        Sleep(1);
    Sleep(50);
    DWORD start = GetTickCount();
    t.Terminate();
    t.WaitFor();
    EXPECT_LT(GetTickCount() - start, 1000u);
    PumpMessages(50);
    EXPECT_FALSE(ran);
    EXPECT_FALSE(delivered);
}

TEST_F(ThreadTest, WaitForOnTheUIThreadKeepsCallsRunning) {
    int calls = 0;
    TestThread t([&](TestThread& self) {
        for (int i = 0; i < 3; ++i)
            self.Synchronize([&] { ++calls; });
    });
    t.Start();
    // Without pumping: a worker blocked on the UI thread must not block this wait.
    t.WaitFor();
    EXPECT_EQ(calls, 3);
}

TEST_F(ThreadTest, ACallMayStopItsOwnThread) {
    int calls = 0;
    std::unique_ptr<TestThread> t;
    t = std::make_unique<TestThread>([&](TestThread& self) {
        while (!self.Terminated())
            self.Synchronize([&] {
                if (++calls == 2) t.reset();
            });
    });
    t->Start();
    ASSERT_TRUE(PumpUntil([&] { return !t; }, 5000));
    PumpMessages(50);
    EXPECT_EQ(calls, 2);
}

TEST_F(ThreadTest, AThreadNeverStartedEndsWithoutRunning) {
    bool ran = false;
    DWORD start = GetTickCount();
    {
        TestThread t([&](TestThread&) { ran = true; });
        EXPECT_FALSE(t.Started());
    }
    EXPECT_FALSE(ran);
    EXPECT_LT(GetTickCount() - start, 1000u);
}

TEST_F(ThreadTest, ShutdownReleasesWaitingCallersAndRefusesNewCalls) {
    TSynchronizer sync;
    bool ranHere = false;
    EXPECT_TRUE(sync.Call([&] { ranHere = true; }));
    EXPECT_TRUE(ranHere) << "a call from the user-interface thread runs at once";

    std::atomic<int> result{-1};
    bool ran = false;
    std::thread worker([&] { result = sync.Call([&] { ran = true; }) ? 1 : 0; });
    // The worker's call is queued; instead of running it, the thread shuts down.
    WaitForSingleObject(sync.PendingEvent(), 5000);
    sync.Shutdown();
    worker.join();
    EXPECT_EQ(result, 0);
    RunUntilIdle();
    EXPECT_FALSE(ran);

    std::thread late([&] { result = sync.Call([&] { ran = true; }) ? 1 : 0; });
    late.join();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(ran);
}

TEST_F(ThreadTest, AQueuedCallWhoseCallerWasToldToStopIsDropped) {
    TSynchronizer sync;
    UniqueHandleObj cancel(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    RawCaller caller{&sync, cancel.get()};
    UniqueHandleObj worker(CreateThread(nullptr, 0, RawCaller::Run, &caller, 0, nullptr));
    WaitForSingleObject(sync.PendingEvent(), 5000);
    Sleep(50);
    // Held where it cannot withdraw its call itself: the queue must not run it once told to stop.
    SuspendThread(worker.get());
    SetEvent(cancel.get());
    sync.RunPending();
    EXPECT_FALSE(caller.ran);
    ResumeThread(worker.get());
    WaitForSingleObject(worker.get(), 5000);
    EXPECT_EQ(caller.result, 0);
    EXPECT_FALSE(caller.ran);
}

TEST_F(ThreadTest, TheEndHandlerRunsOnTheUIThreadAfterExecuteAlsoWhenTerminated) {
    for (bool terminate : {false, true}) {
        HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::atomic<bool> executed{false};
        DWORD endedOn = 0;
        int ends = 0;
        TestThread t([&](TestThread& self) {
            WaitForMultipleObjects(2, std::array<HANDLE, 2>{release, self.TerminateEvent()}.data(), FALSE,
                                   5000);
            executed = true;
        });
        t.OnTerminate = [&] {
            EXPECT_TRUE(executed.load());
            endedOn = GetCurrentThreadId();
            ++ends;
        };
        t.Start();
        if (terminate)
            t.Terminate();
        else
            SetEvent(release);
        t.WaitFor();
        EXPECT_EQ(ends, 1) << terminate;
        EXPECT_EQ(endedOn, GetCurrentThreadId());
        CloseHandle(release);
    }
}

TEST_F(ThreadTest, SharedWorkersRunEveryThreadOffTheUIThreadWithItsCallsAndEndHandlerInOrder) {
    constexpr int kThreads = 60;
    std::vector<std::unique_ptr<TestThread>> threads;
    std::vector<std::string> events(kThreads);
    std::mutex lock;
    std::set<DWORD> workers;
    int ended = 0;
    for (int i = 0; i < kThreads; ++i) {
        threads.push_back(std::make_unique<TestThread>(
            [&, i](TestThread& self) {
                {
                    std::lock_guard<std::mutex> guard(lock);
                    workers.insert(GetCurrentThreadId());
                }
                self.Queue([&, i] { events[i] += "queued "; });
                self.Synchronize([&, i] { events[i] += "synchronized "; });
                self.Queue([&, i] { events[i] += "queued-last "; });
            },
            TThreadRunner::SharedWorkers));
        threads.back()->OnTerminate = [&, i] {
            events[i] += "ended";
            ++ended;
        };
    }
    // Each one's end handler has run by the time it counts as finished.
    for (auto& t : threads)
        t->Start();
    ASSERT_TRUE(PumpUntil([&] { return ended == kThreads; }, 20000));
    for (auto& t : threads) {
        t->WaitFor();
        EXPECT_TRUE(t->Finished());
        EXPECT_EQ(t->Handle(), nullptr);
    }
    for (int i = 0; i < kThreads; ++i)
        EXPECT_EQ(events[i], "queued synchronized queued-last ended") << i;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    EXPECT_FALSE(workers.count(GetCurrentThreadId()));
    EXPECT_LE(workers.size(), std::max<size_t>(2, info.dwNumberOfProcessors)) << "a few shared threads";
}

TEST_F(ThreadTest, ASharedThreadStoppedBeforeItsTurnStillEndsAndDropsWhatItQueued) {
    // Every worker is held busy, so the threads behind wait in the queue.
    UniqueHandleObj release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::vector<std::unique_ptr<TestThread>> blockers;
    for (int i = 0; i < 16; ++i) {
        blockers.push_back(std::make_unique<TestThread>(
            [&](TestThread&) { WaitForSingleObject(release.get(), 10000); }, TThreadRunner::SharedWorkers));
        blockers.back()->Start();
    }
    bool terminatedSeen = false, queuedRan = false, ended = false;
    auto waiting = std::make_unique<TestThread>(
        [&](TestThread& self) {
            terminatedSeen = self.Terminated();
            self.Queue([&] { queuedRan = true; });
        },
        TThreadRunner::SharedWorkers);
    waiting->OnTerminate = [&] { ended = true; };
    waiting->Start();
    waiting->Terminate();
    SetEvent(release.get());
    // Freeing it waits for its turn and its end, with calls running meanwhile.
    waiting.reset();
    EXPECT_TRUE(terminatedSeen);
    EXPECT_TRUE(ended);
    PumpMessages(20);
    EXPECT_FALSE(queuedRan);
    blockers.clear();
    // A shared thread runs at its own priority, also when changed while it runs.
    std::atomic<int> before{0}, after{0};
    UniqueHandleObj changed(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    TestThread lowered(
        [&](TestThread&) {
            before = GetThreadPriority(GetCurrentThread());
            WaitForSingleObject(changed.get(), 5000);
            after = GetThreadPriority(GetCurrentThread());
        },
        TThreadRunner::SharedWorkers);
    lowered.SetPriority(THREAD_PRIORITY_BELOW_NORMAL);
    lowered.Start();
    ASSERT_TRUE(PumpUntil([&] { return before != 0; }, 5000));
    lowered.SetPriority(THREAD_PRIORITY_ABOVE_NORMAL);
    SetEvent(changed.get());
    lowered.WaitFor();
    EXPECT_EQ(before, THREAD_PRIORITY_BELOW_NORMAL);
    EXPECT_EQ(after, THREAD_PRIORITY_ABOVE_NORMAL);

    // A shared thread never started is freed at once.
    bool ran = false;
    {
        TestThread never([&](TestThread&) { ran = true; }, TThreadRunner::SharedWorkers);
    }
    EXPECT_FALSE(ran);
}

TEST_F(ThreadTest, QueuedCallsRunInOrderWithoutTheCallerWaitingAndShutdownSignalsTheirEnd) {
    TSynchronizer sync;
    std::string order;
    UniqueHandleObj lastDone(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread worker([&] {
        for (char c : std::string("abc"))
            sync.Queue([&, c] { order += c; });
        sync.Call([&] { order += 'D'; });
        sync.Queue([&] { order += 'e'; }, nullptr, lastDone.get());
    });
    // The caller returns from its queued calls at once; only the Call waits for them.
    ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(lastDone.get(), 0) == WAIT_OBJECT_0; }, 5000));
    worker.join();
    EXPECT_EQ(order, "abcDe");

    UniqueHandleObj dropped(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    bool ran = false;
    std::thread late([&] { EXPECT_TRUE(sync.Queue([&] { ran = true; }, nullptr, dropped.get())); });
    late.join();
    sync.Shutdown();
    EXPECT_EQ(WaitForSingleObject(dropped.get(), 0), WAIT_OBJECT_0) << "its waiter is released";
    EXPECT_FALSE(ran);
    UniqueHandleObj refused(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread after([&] { EXPECT_FALSE(sync.Queue([&] { ran = true; }, nullptr, refused.get())); });
    after.join();
    EXPECT_EQ(WaitForSingleObject(refused.get(), 0), WAIT_OBJECT_0);
    EXPECT_FALSE(ran);
}
