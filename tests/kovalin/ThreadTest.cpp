#include "kovalin/Application.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Synchronizer.h"
#include "kovalin/Thread.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

using namespace kovalin;
using namespace testsupport;

namespace {

// A thread whose work is given by the test.
class TestThread : public TThread {
public:
    explicit TestThread(std::function<void(TestThread&)> body) : body_(std::move(body)) {}
    ~TestThread() override {
        Terminate();
        WaitFor();
    }
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
