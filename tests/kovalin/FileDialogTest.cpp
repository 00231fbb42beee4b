#include "kovalin/Application.h"
#include "kovalin/FileDialog.h"
#include "kovalin/Form.h"
#include "tests/support/FileDialogDriver.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <string>

using namespace kovalin;
using namespace testsupport;

namespace {

struct Answer {
    std::string offered;
    HWND owner = nullptr;
    int filters = 0;
};

// Types `name` into the dialog with the caption and confirms it, as a user would.
void TypeAndConfirm(HWND dlg, const std::string& name, Answer& seen) {
    seen.offered = WindowText(FileDialogNameBox(dlg));
    seen.owner = GetWindow(dlg, GW_OWNER);
    HWND types = GetDlgItem(dlg, 0x470); // cmb1, the file types
    seen.filters = types ? static_cast<int>(SendMessageA(types, CB_GETCOUNT, 0, 0)) : -1;
    ConfirmFileDialog(dlg, name);
}

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize();
        host.Show();
        RunUntilIdle();
    }
    TForm host{{.caption = "Dialog Owner", .left = 100, .top = 100, .clientWidth = 300, .clientHeight = 200}};
    TempDir dir;
};

TEST_F(FileDialogTest, SaveOffersTheNameAddsTheExtensionAndTakesAnExistingFileWithoutAsking) {
    TSaveDialog dlg;
    dlg.Title = "Save Picture ...";
    dlg.DefaultExt = "jpg";
    dlg.FileName = "Untitled.jpg";
    dlg.InitialDir = dir.Path();
    dlg.Filter = "JPEG Images (*.jpg; *.jpeg)|*.jpg; *.jpeg|All files|*.*";
    Answer seen;
    {
        WhenWindowAppears answer("Save Picture ...",
                                 [&](HWND h) { TypeAndConfirm(h, dir / "holiday", seen); });
        ASSERT_TRUE(dlg.Execute(host.Handle()));
        EXPECT_TRUE(answer.Fired());
    }
    EXPECT_EQ(seen.offered, "Untitled.jpg");
    EXPECT_EQ(seen.owner, host.Handle());
    EXPECT_EQ(seen.filters, 2);
    EXPECT_EQ(dlg.FileName, dir / "holiday.jpg");
    EXPECT_EQ(dlg.FilterIndex, 1);

    // Without the overwrite prompt an existing name comes straight back.
    WriteFileBytes(dir / "old.jpg", "x");
    {
        WhenWindowAppears answer("Save Picture ...",
                                 [&](HWND h) { TypeAndConfirm(h, dir / "old.jpg", seen); });
        ASSERT_TRUE(dlg.Execute(host.Handle()));
    }
    EXPECT_EQ(dlg.FileName, dir / "old.jpg");
    EXPECT_EQ(FindTopWindow("Save Picture ..."), nullptr);
}

TEST_F(FileDialogTest, CancelKeepsTheNameAndOpenFindsTheFile) {
    TSaveDialog save;
    save.Title = "Cancel Me";
    save.FileName = "keep.txt";
    WhenWindowAppears cancel("Cancel Me", [](HWND h) { CancelFileDialog(h); });
    // The owner is the active window of this thread when none is given.
    SetActiveWindow(host.Handle());
    EXPECT_FALSE(save.Execute());
    EXPECT_TRUE(cancel.Fired());
    EXPECT_EQ(save.FileName, "keep.txt");

    WriteFileBytes(dir / "data.bin", "0123");
    TOpenDialog open;
    open.Title = "Open Something";
    open.InitialDir = dir.Path();
    open.Options += {TOpenOption::ofFileMustExist};
    Answer seen;
    WhenWindowAppears answer("Open Something", [&](HWND h) { TypeAndConfirm(h, "data.bin", seen); });
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(seen.owner, host.Handle());
    EXPECT_EQ(open.FileName, dir / "data.bin");
}

} // namespace
