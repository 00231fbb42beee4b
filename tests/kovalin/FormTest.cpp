#include "kovalin/Application.h"
#include "kovalin/Bevel.h"
#include "kovalin/Button.h"
#include "kovalin/Edit.h"
#include "kovalin/Form.h"
#include "kovalin/Label.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace kovalin;
using namespace testsupport;

namespace {

struct TestDialog : TForm {
    std::unique_ptr<TBevel> bevel;
    std::unique_ptr<TLabel> label;
    std::unique_ptr<TButton> ok;
    std::unique_ptr<TButton> other;
    int clicks = 0;

    explicit TestDialog(HWND owner = nullptr)
        : TForm({.caption = "Test Dialog",
                 .borderStyle = TFormBorderStyle::bsDialog,
                 .position = TPosition::poOwnerFormCenter,
                 .clientWidth = 237,
                 .clientHeight = 72,
                 .owner = owner}) {
        bevel =
            std::make_unique<TBevel>(*this, TBevel::Params{.left = 5, .top = 4, .width = 228, .height = 37});
        label =
            std::make_unique<TLabel>(*this, TLabel::Params{.caption = "Some text", .left = 18, .top = 15});
        other = std::make_unique<TButton>(*this, TButton::Params{.caption = "Other", .left = 78, .top = 45});
        ok = std::make_unique<TButton>(
            *this, TButton::Params{.caption = "OK", .left = 158, .top = 45, .isDefault = true});
        ok->OnClick = [this] {
            ++clicks;
            SetModalResult(mrOk);
        };
    }
};

class FormTest : public ::testing::Test {
protected:
    void SetUp() override { Application().Initialize(); }
};

TEST_F(FormTest, DialogBorderAndClientSize) {
    TestDialog dlg;
    EXPECT_EQ(dlg.ClientWidth(), 237);
    EXPECT_EQ(dlg.ClientHeight(), 72);
    LONG style = GetWindowLongA(dlg.Handle(), GWL_STYLE);
    LONG ex = GetWindowLongA(dlg.Handle(), GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(ex & WS_EX_DLGMODALFRAME);
    EXPECT_EQ(dlg.Owner(), Application().Handle());
    EXPECT_EQ(dlg.ok->Left(), 158);
    EXPECT_EQ(dlg.ok->Top(), 45);
    EXPECT_EQ(dlg.ok->Width(), 75);
    EXPECT_EQ(dlg.ok->Height(), 25);
    EXPECT_EQ(dlg.DefaultButton(), dlg.ok.get());
    EXPECT_TRUE(GetWindowLongA(dlg.ok->Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON);
}

TEST_F(FormTest, LabelSizesItselfToItsCaption) {
    TestDialog dlg;
    int w = dlg.label->Width();
    EXPECT_GT(w, 20);
    EXPECT_GT(dlg.label->Height(), 5);
    dlg.label->SetCaption("Some much longer text than before");
    EXPECT_GT(dlg.label->Width(), w);
    EXPECT_EQ(dlg.label->Caption(), "Some much longer text than before");
    EXPECT_EQ(dlg.label->Left(), 18);
}

TEST_F(FormTest, ShowModalEndsWithTheButtonsResult) {
    TestDialog dlg;
    bool disabledWhileModal = true;
    WhenWindowAppears press("Test Dialog", [&](HWND h) {
        disabledWhileModal = !IsWindowEnabled(Application().Handle());
        SendMessageA(FindChild(h, "Button", "OK"), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(dlg.ShowModal(), mrOk);
    EXPECT_TRUE(press.Fired());
    EXPECT_EQ(dlg.clicks, 1);
    EXPECT_TRUE(disabledWhileModal);
    EXPECT_TRUE(IsWindowEnabled(Application().Handle()));
    EXPECT_FALSE(dlg.Visible());
}

TEST_F(FormTest, EnterPressesTheDefaultButton) {
    TestDialog dlg;
    WhenWindowAppears press("Test Dialog", [&](HWND) {
        // The key goes through the modal loop's dialog navigation, as a real key press does.
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    });
    TModalResult r = dlg.ShowModal();
    EXPECT_TRUE(press.Fired());
    EXPECT_EQ(r, mrOk);
}

TEST_F(FormTest, ClosingTheWindowCancels) {
    TestDialog dlg;
    WhenWindowAppears close("Test Dialog", [](HWND h) { PostMessageA(h, WM_CLOSE, 0, 0); });
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
    EXPECT_EQ(dlg.clicks, 0);
}

TEST_F(FormTest, CentredOnAVisibleOwner) {
    TForm owner({.caption = "Owner", .left = 100, .top = 120, .clientWidth = 500, .clientHeight = 400});
    owner.Show();
    TestDialog dlg(owner.Handle());
    RECT o{}, d{};
    WhenWindowAppears look("Test Dialog", [&](HWND h) {
        GetWindowRect(owner.Handle(), &o);
        GetWindowRect(h, &d);
        PostMessageA(h, WM_CLOSE, 0, 0);
    });
    dlg.ShowModal();
    ASSERT_TRUE(look.Fired());
    EXPECT_NEAR((d.left + d.right) / 2, (o.left + o.right) / 2, 1);
    EXPECT_NEAR((d.top + d.bottom) / 2, (o.top + o.bottom) / 2, 1);
}

TEST_F(FormTest, BevelIsPaintedAsALoweredBox) {
    TestDialog dlg;
    COLORREF topLeft = 0, bottomRight = 0, inside = 0;
    WhenWindowAppears look("Test Dialog", [&](HWND h) {
        UpdateWindow(h);
        HDC dc = GetDC(h);
        topLeft = GetPixel(dc, 20, 4);
        bottomRight = GetPixel(dc, 20, 40);
        inside = GetPixel(dc, 8, 30);
        ReleaseDC(h, dc);
        PostMessageA(h, WM_CLOSE, 0, 0);
    });
    dlg.ShowModal();
    EXPECT_EQ(topLeft, GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(bottomRight, GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(inside, GetSysColor(COLOR_BTNFACE));
}

TEST_F(FormTest, QuitDuringAModalLoopReachesTheOuterLoop) {
    TestDialog dlg;
    WhenWindowAppears quit("Test Dialog", [](HWND) { PostQuitMessage(7); });
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(FormTest, ProcessMessagesRunsWhatIsWaiting) {
    TestDialog dlg;
    PostMessageA(dlg.ok->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(dlg.clicks, 0);
    Application().ProcessMessages();
    EXPECT_EQ(dlg.clicks, 1);
}

int g_timerTicks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) {
    ++g_timerTicks;
}

// Letting messages run first asks whether any wait: what another thread sends, a timer that came
// due and a message posted to the thread itself count as waiting as much as posted window messages.
TEST_F(FormTest, ProcessMessagesRunsSentMessagesTimersAndThreadMessages) {
    TestDialog dlg;
    HANDLE sending = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread sender([&] {
        SetEvent(sending);
        SendMessageA(dlg.ok->Handle(), BM_CLICK, 0, 0);
    });
    WaitForSingleObject(sending, 5000);
    for (DWORD start = GetTickCount(); dlg.clicks == 0 && GetTickCount() - start < 5000;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_SENDMESSAGE);
        Application().ProcessMessages();
    }
    sender.join();
    CloseHandle(sending);
    EXPECT_EQ(dlg.clicks, 1);

    g_timerTicks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 1, CountTick);
    // A wake-up for a timer may come before its message can be taken: wait until one is run.
    for (DWORD start = GetTickCount(); g_timerTicks == 0 && GetTickCount() - start < 5000;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_TIMER);
        Application().ProcessMessages();
    }
    KillTimer(nullptr, timer);
    EXPECT_GE(g_timerTicks, 1);

    PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
    Application().ProcessMessages();
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_APP, WM_APP, PM_NOREMOVE));
}

} // namespace

TEST_F(FormTest, TheKeyboardReturnsToItsControlAfterAMessageBox) {
    TForm form({.caption = "Focus", .left = 80, .top = 80, .clientWidth = 300, .clientHeight = 120});
    TEdit first(form, TEdit::Params{.text = "1", .left = 10, .top = 10});
    TEdit second(form, TEdit::Params{.text = "2", .left = 10, .top = 50});
    form.Show();
    SetForegroundWindow(form.Handle());
    second.SetFocus();
    RunUntilIdle();
    ASSERT_EQ(GetFocus(), second.Handle());
    {
        MessageBoxAnswerer answer;
        MessageBoxA(form.Handle(), "Done.", "Box", MB_OK);
        ASSERT_EQ(answer.Boxes().size(), 1u);
    }
    RunUntilIdle();
    EXPECT_EQ(GetFocus(), second.Handle());
}
