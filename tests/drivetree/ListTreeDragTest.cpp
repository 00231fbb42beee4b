// Files dragged out of the real file list onto a node of the tree beside it: the tree moves them
// and the list, which was the drag's source, lets go of them.
#include "tests/drivetree/TreeFixture.h"

#include "dragdrop/DDInterfacedObject.h"
#include "filelist/DirView.h"
#include "tests/dragdrop/InputScript.h"

#include <commctrl.h>

using namespace drivetree;
using namespace kovalin;
using namespace testsupport;
using namespace treetest;
using ddtest::InputScript;

namespace {

// The file list, noting how often its change watching is held.
class WatchedList : public filelist::TDirView {
public:
    using TDirView::TDirView;
    void StopWatchThread() override {
        ++held;
        TDirView::StopWatchThread();
    }
    void StartWatchThread() override {
        --held;
        TDirView::StartWatchThread();
    }
    int held = 0;
};

class ListTreeDragTest : public TreeFixture {
protected:
    static constexpr int kListW = 420;

    void SetUp() override {
        TreeFixture::SetUp();
        RECT frame;
        GetWindowRect(form->Handle(), &frame);
        SetWindowPos(form->Handle(), nullptr, 0, 0, frame.right - frame.left + kListW,
                     frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
        files = std::make_unique<WatchedList>(*form,
                                              filelist::TDirView::Params{.left = kFormW,
                                                                         .width = kListW,
                                                                         .height = 300,
                                                                         .viewStyle = TViewStyle::vsReport,
                                                                         .multiSelect = true},
                                              drives);
        files->SetDriveView(view.get());
        RunUntilIdle();
    }
    void TearDown() override {
        files.reset();
        TreeFixture::TearDown();
        EXPECT_TRUE(PumpUntil([] { return dragdrop::TDDInterfacedObject::LiveObjects() == 0; }, 3000));
        INPUT up{};
        up.type = INPUT_MOUSE;
        up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(1, &up, sizeof up);
    }

    POINT OnItem(const std::string& name) {
        TListItem* item = files->FindFileItem(name);
        EXPECT_NE(item, nullptr) << name;
        RECT r{};
        r.left = LVIR_LABEL;
        SendMessageA(files->Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(item ? item->Index() : 0),
                     reinterpret_cast<LPARAM>(&r));
        POINT p{r.left + 12, (r.top + r.bottom) / 2};
        ClientToScreen(files->Handle(), &p);
        return p;
    }

    std::unique_ptr<WatchedList> files;
};

} // namespace

TEST_F(ListTreeDragTest, FilesDraggedFromTheListOntoAFolderOfTheSameDriveMoveAndLeaveTheList) {
    TTreeNode* top = Top({"src", "dst"});
    WriteFileBytes(temp / "src\\a.txt", "alpha");
    WriteFileBytes(temp / "src\\b.txt", "beta");
    WriteFileBytes(temp / "src\\c.txt", "gamma");
    // The tree's selection puts the list on the folder.
    view->SetSelected(ChildNamed(top, "src"));
    ASSERT_TRUE(PumpUntil([&] { return files->FindFileItem("c.txt") != nullptr; }, 5000));
    ASSERT_EQ(files->Path(), temp / "src");
    files->FindFileItem("a.txt")->SetSelected(true);
    files->FindFileItem("b.txt")->SetSelected(true);

    bool listHeld = false, listWasSource = false, itemsGoneAtOnce = false;
    DWORD dropped = 0;
    view->OnDDFileOperation = [&](TDriveView&, DWORD effect, const std::string&, const std::string&, bool&) {
        dropped = effect;
        listHeld = files->held > 0;
    };
    view->OnDDDrop = [&](TDriveView&, DWORD, POINT, DWORD&) { listWasSource = files->DraggingFiles(); };
    // Before the watch that follows a move out of the list could have seen the files go.
    view->OnDDExecuted = [&](TDriveView&, DWORD) {
        itemsGoneAtOnce = !files->FindFileItem("a.txt") && !files->FindFileItem("b.txt");
    };

    TTreeNode* dst = ChildNamed(top, "dst");
    RECT line = dst->DisplayRect(true);
    POINT to{(line.left + line.right) / 2, (line.top + line.bottom) / 2};
    ClientToScreen(view->Handle(), &to);
    const POINT from = OnItem("a.txt");
    InputScript input;
    input.MoveTo(from, 4).Down().MoveTo(POINT{from.x + 40, from.y + 60}, 4).MoveTo(to, 12).Wait(300);
    input.MoveTo(POINT{to.x + 2, to.y}, 2).Wait(200).Up();
    input.Start();
    ASSERT_TRUE(input.Finish());
    ASSERT_TRUE(PumpUntil([&] { return dropped != 0; }, 5000));
    RunUntilIdle();

    EXPECT_EQ(dropped, static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_TRUE(listWasSource);
    EXPECT_TRUE(listHeld);
    EXPECT_EQ(files->held, 0);
    EXPECT_TRUE(itemsGoneAtOnce);
    EXPECT_FALSE(files->DraggingFiles());
    // Nothing is lost on the way.
    EXPECT_EQ(ReadFileBytes(temp / "dst\\a.txt"), "alpha");
    EXPECT_EQ(ReadFileBytes(temp / "dst\\b.txt"), "beta");
    EXPECT_FALSE(Exists(temp / "src\\a.txt"));
    EXPECT_FALSE(Exists(temp / "src\\b.txt"));
    EXPECT_NE(files->FindFileItem("c.txt"), nullptr);
    EXPECT_EQ(files->Path(), temp / "src");
}
