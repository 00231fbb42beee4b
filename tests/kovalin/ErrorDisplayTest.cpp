// Errors thrown by event handlers reach the user in one message box each and the program goes on.
#include "kovalin/Application.h"
#include "kovalin/Button.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Form.h"
#include "kovalin/ListView.h"
#include "kovalin/Thread.h"
#include "kovalin/Timer.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace kovalin;
using namespace testsupport;

namespace {

const char kTitle[] = "Error Display Test";

class ErrorDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize();
        Application().SetTitle(kTitle);
        form = std::make_unique<TForm>(
            TFormParams{.caption = "Handlers", .clientWidth = 300, .clientHeight = 200});
        form->Show();
        SetActiveWindow(form->Handle());
        RunUntilIdle();
    }
    void TearDown() override {
        form.reset();
        Application().SetTitle("");
    }

    // The one box that the failure brought up: the handler's text, owned by the active form,
    // with the error icon, under the application's title.
    void ExpectOneErrorBox(const MessageBoxAnswerer& boxes, const std::string& text) {
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        const auto& box = boxes.Boxes()[0];
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, kTitle);
        EXPECT_EQ(box.owner, form->Handle());
        EXPECT_TRUE(box.errorIcon);
    }

    std::unique_ptr<TForm> form;
};

// A thread whose work is given by the test.
class Worker : public TThread {
public:
    explicit Worker(std::function<void(Worker&)> body) : body_(std::move(body)) {}
    ~Worker() override {
        Terminate();
        WaitFor();
    }
    using TThread::Synchronize;

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(Worker&)> body_;
};

TEST_F(ErrorDisplayTest, AButtonClickThatThrowsShowsItsMessageAndTheFormGoesOn) {
    TButton button(*form, {.caption = "Go", .left = 10, .top = 10});
    int clicks = 0;
    button.OnClick = [&] {
        if (++clicks == 1) throw Exception("The disk is full");
    };
    MessageBoxAnswerer boxes;
    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
    ExpectOneErrorBox(boxes, "The disk is full");

    // The same button works the next time, and the form still answers its messages.
    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(WindowText(form->Handle()), "Handlers");
}

TEST_F(ErrorDisplayTest, AListNotificationThatThrowsShowsOneBox) {
    TListView list(*form, {.width = 300, .height = 200, .viewStyle = TViewStyle::vsReport});
    list.AddColumn({.caption = "Name", .width = 120});
    list.AddItem("first");
    list.AddItem("second");
    int selections = 0;
    list.OnSelectItem = [&](TListItem* item, bool selected) {
        if (!selected) return;
        ++selections;
        if (item->Caption() == "first") throw Exception("first cannot be chosen");
    };
    MessageBoxAnswerer boxes;
    ClickListItem(list.Handle(), 0);
    PumpUntil([&] { return !boxes.Boxes().empty(); }, 3000);
    RunUntilIdle();
    ExpectOneErrorBox(boxes, "first cannot be chosen");

    ClickListItem(list.Handle(), 1);
    PumpUntil([&] { return selections == 2; }, 3000);
    EXPECT_EQ(selections, 2);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(list.Item(1).Selected());
}

TEST_F(ErrorDisplayTest, ATimerThatKeepsFailingShowsOneBoxAtATime) {
    TTimer timer;
    timer.SetInterval(10);
    int ticks = 0;
    bool stop = false;
    timer.SetOnTimer([&] {
        ++ticks;
        if (!stop) throw Exception("tick failed");
    });
    // The box stays up for a while: the timer goes on ticking behind it and fails each time,
    // but the user has only the one box to answer.
    int ticksBehindTheBox = 0;
    MessageBoxAnswerer boxes([&](HWND) {
        int before = ticks;
        PumpMessages(200);
        ticksBehindTheBox = ticks - before;
        stop = true;
    });
    PumpUntil([&] { return !boxes.Boxes().empty() && stop; }, 3000);
    int afterwards = ticks;
    PumpUntil([&] { return ticks > afterwards; }, 3000);
    timer.SetEnabled(false);
    RunUntilIdle();
    ExpectOneErrorBox(boxes, "tick failed");
    EXPECT_GT(ticksBehindTheBox, 0);
    EXPECT_GT(ticks, afterwards) << "the timer still runs";
}

TEST_F(ErrorDisplayTest, APostedCommandThatThrowsShowsOneBox) {
    std::vector<UINT> commands;
    form->OnMenuCommand = [&](UINT id) {
        commands.push_back(id);
        if (id == 7) throw Exception("Command 7 failed");
    };
    MessageBoxAnswerer boxes;
    PostMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(7, 0), 0);
    PostMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(8, 0), 0);
    PumpUntil([&] { return commands.size() == 2; }, 3000);
    ExpectOneErrorBox(boxes, "Command 7 failed");
    EXPECT_EQ(commands, (std::vector<UINT>{7, 8}));
}

TEST_F(ErrorDisplayTest, ASynchronisedCallThatThrowsIsShownOnTheUIThreadAndStopsTheWorker) {
    DWORD shownOn = 0;
    bool reachedAfterwards = false;
    Worker worker([&](Worker& self) {
        self.Synchronize([] { throw Exception("The folder went away"); });
        reachedAfterwards = true;
    });
    MessageBoxAnswerer boxes([&](HWND box) { shownOn = GetWindowThreadProcessId(box, nullptr); });
    worker.Start();
    ASSERT_TRUE(PumpUntil([&] { return worker.Finished(); }, 5000));
    ExpectOneErrorBox(boxes, "The folder went away");
    EXPECT_EQ(shownOn, GetCurrentThreadId());
    EXPECT_FALSE(reachedAfterwards);
    EXPECT_EQ(worker.FatalError(), "The folder went away");
}

TEST_F(ErrorDisplayTest, AbortIsSilentAndOnExceptionTakesOverTheDisplay) {
    TButton button(*form, {.caption = "Go", .left = 10, .top = 10});
    button.OnClick = [] { throw EAbort(); };
    MessageBoxAnswerer boxes;
    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
    PumpMessages(60);
    EXPECT_TRUE(boxes.Boxes().empty());

    std::vector<std::string> seen;
    Application().OnException = [&](const std::exception& e) { seen.push_back(e.what()); };
    button.OnClick = [] { throw Exception("kept for the log"); };
    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
    button.OnClick = [] { throw 42; }; // not even an exception class
    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
    Application().OnException = nullptr;
    PumpMessages(60);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(seen, (std::vector<std::string>{"kept for the log", "An unknown error occurred"}));
}

// A control whose creation handler fails is not made: its constructor raises that very error.
class FailingWindow : public TWinControl {
public:
    explicit FailingWindow(UINT failOn) : TWinControl(nullptr), failOn_(failOn) {
        CreateParams cp;
        cp.style = WS_POPUP;
        CreateHandle(cp);
    }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == failOn_) throw ERangeError("no room for the window");
        return DefaultHandler(msg, wParam, lParam);
    }

private:
    UINT failOn_;
};

TEST_F(ErrorDisplayTest, AnErrorWhileAWindowIsMadeGoesToWhoeverMadeIt) {
    MessageBoxAnswerer boxes;
    for (UINT msg : {WM_NCCREATE, WM_CREATE}) {
        try {
            FailingWindow w(msg);
            ADD_FAILURE() << "the window was made";
        } catch (const ERangeError& e) {
            EXPECT_STREQ(e.what(), "no room for the window");
        }
    }
    PumpMessages(60);
    EXPECT_TRUE(boxes.Boxes().empty());
    // The class is still good for the next window.
    FailingWindow fine(WM_APP);
    EXPECT_NE(fine.Handle(), nullptr);
}

} // namespace
