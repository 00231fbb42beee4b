#include "kovalin/Application.h"
#include "kovalin/Dialogs.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <string>

using namespace kovalin;
using namespace testsupport;

namespace {

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override { Application().Initialize(); }
};

// Typing, as the keyboard delivers it to the focused control.
void Type(HWND control, const std::string& text) {
    for (char c : text)
        SendMessageA(control, WM_CHAR, static_cast<unsigned char>(c), 0);
}

TEST_F(DialogsTest, InputQueryOkGivesWhatWasTypedOverTheOfferedText) {
    std::string value = "New Folder";
    std::string offered;
    bool promptShown = false, editFocused = false;
    WhenWindowAppears answer("Name Query", [&](HWND h) {
        HWND edit = FindChild(h, "Edit");
        offered = WindowText(edit);
        promptShown = FindChild(h, "Static", "Type new folder name") != nullptr;
        editFocused = GetFocus() == edit;
        Type(edit, "Holiday"); // the offered text is selected: typing replaces it
        SendMessageA(FindChild(h, "Button", "OK"), BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(InputQuery("Name Query", "Type new folder name", value));
    ASSERT_TRUE(answer.Fired());
    EXPECT_EQ(offered, "New Folder");
    EXPECT_TRUE(promptShown);
    EXPECT_TRUE(editFocused);
    EXPECT_EQ(value, "Holiday");

    // Enter in the edit box presses OK, the default button.
    WhenWindowAppears enter("Name Query", [&](HWND h) {
        Type(FindChild(h, "Edit"), "Work");
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_TRUE(InputQuery("Name Query", "Type new folder name", value));
    EXPECT_EQ(value, "Work");
}

TEST_F(DialogsTest, InputQueryCancelAndEscapeLeaveTheValue) {
    std::string value = "New Folder";
    WhenWindowAppears cancel("Cancel Query", [](HWND h) {
        Type(FindChild(h, "Edit"), "Other");
        SendMessageA(FindChild(h, "Button", "Cancel"), BM_CLICK, 0, 0);
    });
    EXPECT_FALSE(InputQuery("Cancel Query", "Name", value));
    EXPECT_TRUE(cancel.Fired());
    EXPECT_EQ(value, "New Folder");

    WhenWindowAppears escape("Cancel Query", [](HWND h) {
        Type(FindChild(h, "Edit"), "Other");
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_FALSE(InputQuery("Cancel Query", "Name", value));
    EXPECT_TRUE(escape.Fired());
    EXPECT_EQ(value, "New Folder");
}

} // namespace
