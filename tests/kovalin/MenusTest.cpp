#include "kovalin/Form.h"
#include "kovalin/ImageList.h"
#include "kovalin/Menus.h"
#include "kovalin/ToolBar.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

using namespace kovalin;
using namespace testsupport;

namespace {

std::string Text(HMENU menu, int pos) {
    char buf[64] = "";
    GetMenuStringA(menu, static_cast<UINT>(pos), buf, sizeof buf, MF_BYPOSITION);
    return buf;
}

} // namespace

TEST(MenusTest, SubmenusSeparatorsAndCommandOrder) {
    TPopupMenu menu;
    std::string chosen;
    menu.Add("One", [&] { chosen = "One"; });
    menu.Add("-");
    TMenuItem& sub = menu.Add("More");
    sub.Add("Two", [&] { chosen = "Two"; });
    sub.Add("-");
    sub.Add("Three", [&] { chosen = "Three"; }).Enabled = false;
    menu.Add("Four").Checked = true;

    std::vector<TMenuItem*> commands = menu.Commands();
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[1]->Caption, "Two");
    EXPECT_EQ(commands[3]->Caption, "Four");

    HMENU h = menu.CreateHandle();
    ASSERT_EQ(GetMenuItemCount(h), 4);
    EXPECT_EQ(Text(h, 0), "One");
    EXPECT_EQ(GetMenuState(h, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    HMENU more = GetSubMenu(h, 2);
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(GetMenuItemCount(more), 3);
    EXPECT_EQ(Text(more, 2), "Three");
    EXPECT_TRUE(GetMenuState(more, 2, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(h, 3, MF_BYPOSITION) & MF_CHECKED);
    // Command ids are the positions in Commands(), from 1.
    EXPECT_EQ(GetMenuItemID(more, 0), 2u);
    EXPECT_EQ(GetMenuItemID(h, 3), 4u);
    DestroyMenu(h);

    // Chosen from the shown menu with the keyboard: the item runs after the menu has closed.
    TForm form{{.caption = "Menu owner", .clientWidth = 200, .clientHeight = 100}};
    form.Show();
    WhenWindowAppears open(
        "",
        [](HWND m) {
            PostMessageA(m, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageA(m, WM_KEYDOWN, VK_RETURN, 0);
        },
        "#32768");
    TMenuItem* item = menu.Popup(form.Handle(), 20, 20);
    EXPECT_TRUE(open.Fired());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(chosen, item->Caption);
}

TEST(MenusTest, ToolButtonDropsItsMenuDown) {
    TForm form{{.caption = "Bar owner", .clientWidth = 300, .clientHeight = 100}};
    form.Show();
    TToolBar bar(form, {.buttonWidth = 40, .caption = ""});
    TToolButton& plain = bar.AddButton("Plain", -1, "", true);
    TToolButton& drop = bar.AddButton("Drop", -1, "", true);
    int plainClicks = 0;
    plain.OnClick = [&] { ++plainClicks; };
    TPopupMenu menu;
    bool picked = false;
    menu.Add("Pick", [&] { picked = true; });
    drop.SetDropdownMenu(&menu);
    TBBUTTONINFOA info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_STYLE;
    SendMessageA(bar.Handle(), TB_GETBUTTONINFOA, static_cast<WPARAM>(drop.Id()),
                 reinterpret_cast<LPARAM>(&info));
    EXPECT_TRUE(info.fsStyle & BTNS_WHOLEDROPDOWN);

    POINT where{};
    WhenWindowAppears open(
        "",
        [&](HWND m) {
            RECT r;
            GetWindowRect(m, &r);
            where = {r.left, r.top};
            PostMessageA(m, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageA(m, WM_KEYDOWN, VK_RETURN, 0);
        },
        "#32768");
    drop.Click();
    EXPECT_TRUE(open.Fired());
    EXPECT_TRUE(picked);
    // Below the button, at its left edge.
    RECT b = drop.BoundsRect();
    MapWindowPoints(bar.Handle(), nullptr, reinterpret_cast<POINT*>(&b), 2);
    EXPECT_NEAR(where.x, b.left, 2);
    EXPECT_NEAR(where.y, b.bottom, 2);
    plain.Click();
    EXPECT_EQ(plainClicks, 1);
}
