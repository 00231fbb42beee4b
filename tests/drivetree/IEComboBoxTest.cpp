#include "drivetree/DriveView.h"
#include "drivetree/IEComboBox.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "kovalin/Registry.h"
#include "tests/support/TestFiles.h"
#include "tests/support/Drives.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace drivetree;
using namespace shell;
using namespace kovalin;
using namespace testsupport;

namespace {

const char* const kPolicyKey = kDrivePolicyKey;

std::string Letters(const TComboBox& combo) {
    std::string s;
    for (int i = 0; i < combo.ItemCount(); ++i)
        s += combo.Item(i)[0];
    return s;
}

// An item is its drive's letter followed by the drive's name.
std::string ItemText(char drive, const std::string& name) {
    std::string s(1, drive);
    s += name;
    return s;
}

char SelectedLetter(const TComboBox& combo) {
    return combo.ItemIndex() < 0 ? 0 : combo.Item(combo.ItemIndex())[0];
}

class IEComboBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        Application().Initialize();
        form = std::make_unique<TForm>(
            TFormParams{.caption = "Drives", .clientWidth = 300, .clientHeight = 200});
    }
    void TearDown() override {
        combo.reset();
        form.reset();
        CoUninitialize();
    }
    void MakeCombo(int width = 145) {
        combo = std::make_unique<TIEDriveComboBox>(*form, TIEDriveComboBox::Params{.width = width}, drives);
    }
    TDriveInfo drives;
    std::unique_ptr<TForm> form;
    std::unique_ptr<TIEDriveComboBox> combo;
};

TEST_F(IEComboBoxTest, ItemsFollowDriveTypesAndDisplayStyleAndSetDriveTakesOnlyListedDrives) {
    MakeCombo();
    std::string expected, fixed;
    for (char d = 'A'; d <= 'Z'; ++d) {
        TDriveInfoRec rec = drives.GetDriveData(d);
        if (rec.Valid && rec.DriveType >= DRIVE_REMOVABLE && rec.DriveType <= DRIVE_RAMDISK) expected += d;
        if (rec.Valid && rec.DriveType == DRIVE_FIXED) fixed += d;
    }
    EXPECT_EQ(Letters(*combo), expected);
    EXPECT_EQ(combo->Drive(), 'C');
    EXPECT_EQ(SelectedLetter(*combo), 'C');
    EXPECT_EQ(combo->Item(combo->ItemIndex()), ItemText('C', drives.GetPrettyName('C')));
    EXPECT_GE(combo->ItemHeight(), 12);
    // A larger font makes taller items.
    int before = combo->ItemHeight();
    HFONT big = CreateFontA(-30, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
    SendMessageA(combo->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(big), FALSE);
    EXPECT_GT(combo->ItemHeight(), before + 10);
    SendMessageA(combo->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    DeleteObject(big);
    EXPECT_EQ(combo->ItemHeight(), before);

    // The selection field shows the drive's icon and, right of it, its name.
    form->Show();
    UpdateWindow(combo->Handle());
    RunUntilIdle();
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &info));
    auto inked = [&](int left, int right) {
        HDC dc = GetDC(combo->Handle());
        int n = 0;
        for (int y = info.rcItem.top; y < info.rcItem.bottom; ++y)
            for (int x = info.rcItem.left + left; x < info.rcItem.left + right && x < info.rcItem.right;
                 ++x) {
                COLORREF c = GetPixel(dc, x, y);
                n += c != GetSysColor(COLOR_WINDOW) && c != GetSysColor(COLOR_HIGHLIGHT);
            }
        ReleaseDC(combo->Handle(), dc);
        return n;
    };
    EXPECT_GT(inked(2, 18), 10);  // icon
    EXPECT_GT(inked(24, 80), 10); // text

    combo->SetDisplayStyle(doDisplayName);
    EXPECT_EQ(combo->Item(combo->ItemIndex()), ItemText('C', drives.GetDriveDisplayName('C')));
    if (HasDrive('M', DRIVE_REMOTE)) {
        // The network drive in every style: its share's last part, the whole share, the shell's name.
        const std::string share = RemoteName('M');
        const int m = static_cast<int>(Letters(*combo).find('M'));
        combo->SetDisplayStyle(doLongPrettyName);
        EXPECT_EQ(combo->Item(m), ItemText('M', drives.GetLongPrettyName('M')));
        EXPECT_EQ(combo->Item(m), ItemText('M', "M: " + share));
        combo->SetDisplayStyle(doPrettyName);
        EXPECT_EQ(combo->Item(m), ItemText('M', "M: " + ShareLeaf(share)));
        combo->SetDisplayStyle(doDisplayName);
        EXPECT_EQ(combo->Item(m), ItemText('M', drives.GetDriveDisplayName('M')));
    }
    if (HasDrive('S', DRIVE_CDROM)) {
        combo->SetDrive('s');
        EXPECT_EQ(combo->Drive(), 'S');
        EXPECT_EQ(SelectedLetter(*combo), 'S');
        combo->SetDrive('C');
    }

    combo->SetDriveTypes({dtFixed});
    EXPECT_EQ(Letters(*combo), fixed);
    EXPECT_EQ(SelectedLetter(*combo), 'C');
    for (char d : {'M', 'R', 'S', 'Q', '?'}) {
        combo->SetDrive(d); // a tree selection on a drive the combo does not list
        EXPECT_EQ(combo->Drive(), 'C') << d;
        EXPECT_EQ(SelectedLetter(*combo), 'C') << d;
    }
}

TEST_F(IEComboBoxTest, UserChoiceSetsDriveAndOpenListFitsLongestItem) {
    MakeCombo(40); // narrower than any item, so the fitted width shows
    form->Show();
    RunUntilIdle();
    ASSERT_GE(combo->ItemCount(), 2);
    int changes = 0;
    combo->OnChange = [&] { ++changes; };
    int closeUps = 0;
    bool closedOK = true;
    combo->OnCloseUp = [&](TIECustomComboBox& sender, bool ok) {
        EXPECT_EQ(&sender, combo.get());
        ++closeUps;
        closedOK = ok;
    };

    combo->SetItemIndex(0);
    combo->SetFocus();
    SendMessageA(combo->Handle(), WM_KEYDOWN, VK_DOWN, 0); // the user steps to the next drive
    RunUntilIdle();
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Drive(), combo->Item(1)[0]);
    EXPECT_EQ(changes, 1);

    HDC dc = GetDC(combo->Handle());
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(combo->Handle(), WM_GETFONT, 0, 0)));
    int widest = 0;
    for (int i = 0; i < combo->ItemCount(); ++i) {
        SIZE size{};
        std::string text = combo->Item(i);
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        widest = std::max<int>(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(combo->Handle(), dc);

    combo->SetDroppedDown(true);
    RunUntilIdle();
    EXPECT_TRUE(combo->DroppedDown());
    EXPECT_EQ(combo->LastDropDownWidth(), widest + 30);
    EXPECT_EQ(combo->DroppedWidth(), widest + 30);
    combo->SetDroppedDown(false); // closed without a choice
    RunUntilIdle();
    EXPECT_EQ(closeUps, 1);
    EXPECT_FALSE(closedOK);
    EXPECT_FALSE(combo->SelectionOK());

    combo->SetDropDownFixedWidth(300);
    combo->SetDroppedDown(true);
    RunUntilIdle();
    EXPECT_EQ(combo->DroppedWidth(), 300);
    SendMessageA(combo->Handle(), WM_KEYDOWN, VK_RETURN, 0); // confirmed
    RunUntilIdle();
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(closeUps, 2);
    EXPECT_TRUE(closedOK);
}

TEST_F(IEComboBoxTest, DriveHiddenByPolicyIsNeverListed) {
    if (!HasDrive('M', DRIVE_REMOTE)) GTEST_SKIP() << "needs the network drive M:";
    const char hidden = 'M';
    DWORD mask = 1u << (hidden - 'A');
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kPolicyKey, true));
        reg.WriteBinaryData("NoDrives", &mask, sizeof mask);
    }
    drives = TDriveInfo();
    MakeCombo();
    std::string letters = Letters(*combo);
    combo->SetDriveTypes({dtFixed, dtRemote});
    std::string narrowed = Letters(*combo);
    combo->SetDrive(hidden);
    char drive = combo->Drive();
    {
        TRegistry reg;
        reg.OpenKey(kPolicyKey, false);
        reg.DeleteValue("NoDrives");
    }
    drives = TDriveInfo();
    EXPECT_FALSE(letters.empty());
    EXPECT_EQ(letters.find(hidden), std::string::npos) << letters;
    EXPECT_EQ(narrowed.find(hidden), std::string::npos) << narrowed;
    EXPECT_NE(drive, hidden);
}

TEST_F(IEComboBoxTest, LinkedTreeFollowsTheChoiceAndSetsTheDrive) {
    TempDir temp;
    CreateDirectoryA((temp / "here").c_str(), nullptr);
    MakeCombo();
    auto tree = std::make_unique<TDriveView>(
        *form, TDriveView::Params{.top = 30, .width = 300, .height = 170}, drives);
    tree->Loaded();
    combo->SetDriveView(tree.get());
    EXPECT_EQ(tree->DriveCombo(), combo.get());
    form->Show();
    RunUntilIdle();
    tree->SetDirectory(temp / "here");
    EXPECT_EQ(combo->Drive(), 'C');

    // The user steps through the list with the keyboard, as each step is a choice.
    auto choose = [&](char drive) {
        int index = static_cast<int>(Letters(*combo).find(drive));
        ASSERT_GE(index, 0);
        bool up = index + 1 < combo->ItemCount();
        combo->SetItemIndex(up ? index + 1 : index - 1);
        combo->SetFocus();
        SendMessageA(combo->Handle(), WM_KEYDOWN, up ? VK_UP : VK_DOWN, 0);
        RunUntilIdle();
    };
    if (HasDrive('S', DRIVE_CDROM)) {
        choose('S');
        EXPECT_EQ(combo->Drive(), 'S');
        EXPECT_EQ(tree->Directory(), "S:\\");
        choose('C');
        EXPECT_EQ(tree->Directory(), temp / "here"); // the folder last visited on C:

        // Drives of types the combo does not list leave it where it is.
        combo->SetDriveTypes({dtFixed});
        tree->SetDirectory("S:\\");
        EXPECT_EQ(tree->Directory(), "S:\\");
        EXPECT_EQ(combo->Drive(), 'C');
        EXPECT_EQ(SelectedLetter(*combo), 'C');
    }

    // Another combo takes the tree over; destroying the tree unlinks it.
    TIEDriveComboBox second(*form, TIEDriveComboBox::Params{}, drives);
    second.SetDriveView(tree.get());
    EXPECT_EQ(combo->DriveView(), nullptr);
    EXPECT_EQ(tree->DriveCombo(), &second);
    tree.reset();
    EXPECT_EQ(second.DriveView(), nullptr);
}

} // namespace
