#include "drivetree/DriveView.h"
#include "dragdrop/DragDropError.h"
#include "filelist/DirView.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "shell/ShellLink.h"
#include "tests/filelist/DirViewCommandsFixture.h"

#include <gtest/gtest.h>

using namespace filelist;
using namespace kovalin;
using namespace testsupport;
using dragdrop::deCopy;
using dragdrop::deLink;
using dragdrop::deMove;

namespace {

class DirViewFileOperationTest : public DirViewCommandsFixture {
protected:
    void Drag(const std::vector<std::string>& paths) {
        view->DragDropFilesEx().FileList().Clear();
        for (const std::string& p : paths)
            view->DragDropFilesEx().FileList().Add(p);
    }
};

TEST_F(DirViewFileOperationTest, CopyMoveAndLinkIntoAFolderShowWhatIsOnDisk) {
    TempDir other;
    WriteFileBytes(other / "a.txt", "alpha");
    WriteFileBytes(other / "b.txt", "beta");
    Folder("target");
    Load();
    std::vector<std::string> events;
    view->OnDDFileOperation = [&](TDirView&, dragdrop::TDropEffects effect, bool& allow,
                                  const std::string& target, const std::string& source) {
        events.push_back("op " + std::to_string(effect) + " " + target + " " + source);
        EXPECT_TRUE(allow);
    };
    view->OnDDFileOperationExecuted = [&](TDirView&, dragdrop::TDropEffects effect, const std::string&,
                                          const std::string&) {
        events.push_back("done " + std::to_string(effect));
    };

    Drag({other / "a.txt"});
    EXPECT_TRUE(view->PerformDragDropFileOperation(dir.Path(), deCopy, false));
    EXPECT_EQ(ReadFileBytes(dir / "a.txt"), "alpha");
    EXPECT_EQ(ReadFileBytes(other / "a.txt"), "alpha");
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "target", "a.txt"}));
    EXPECT_TRUE(view->FileOperator().CanUndo());

    Drag({other / "b.txt"});
    EXPECT_TRUE(view->PerformDragDropFileOperation(dir / "target", deMove, false));
    EXPECT_EQ(ReadFileBytes(dir / "target\\b.txt"), "beta");
    EXPECT_FALSE(shell::FileOrDirExists(other / "b.txt"));
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0], "op 1 " + dir.Path() + " " + other.Path());
    EXPECT_EQ(events[3], "done 2");

    Drag({other / "a.txt"});
    EXPECT_TRUE(view->PerformDragDropFileOperation(dir.Path() + "\\", deLink, false));
    EXPECT_EQ(shell::ResolveShortcut(nullptr, dir / "a.txt.lnk"), other / "a.txt");
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "target", "a.txt", "a.txt.lnk"}));
}

TEST_F(DirViewFileOperationTest, CopyOntoItsOwnFolderRenamesAndVetoKeepsEverything) {
    File("same.txt", "original");
    Load();
    Drag({dir / "same.txt"});
    EXPECT_TRUE(view->PerformDragDropFileOperation(dir.Path(), deCopy, true));
    EXPECT_EQ(ReadFileBytes(dir / "same.txt"), "original");
    ASSERT_EQ(view->ItemCount(), 3);
    const std::string copy =
        view->ItemData(2)->FileName == "same.txt" ? view->ItemData(1)->FileName : view->ItemData(2)->FileName;
    EXPECT_NE(copy, "same.txt");
    EXPECT_EQ(ReadFileBytes(dir / copy), "original");

    TempDir other;
    WriteFileBytes(other / "same.txt", "replacement");
    view->OnDDFileOperation = [](TDirView&, dragdrop::TDropEffects, bool& allow, const std::string&,
                                 const std::string&) { allow = false; };
    Drag({other / "same.txt"});
    EXPECT_FALSE(view->PerformDragDropFileOperation(dir.Path(), deMove, false));
    EXPECT_EQ(ReadFileBytes(dir / "same.txt"), "original");
    EXPECT_EQ(ReadFileBytes(other / "same.txt"), "replacement");
}

TEST_F(DirViewFileOperationTest, RefusedTargetsLoseNothing) {
    Folder("outer");
    Folder("outer\\inner");
    File("outer\\inner\\keep.txt", "keep");
    Load();
    // Into itself and into its own sub-folder.
    Drag({dir / "outer"});
    EXPECT_THROW(view->PerformDragDropFileOperation(dir / "outer", deMove, false), kovalin::Exception);
    EXPECT_THROW(view->PerformDragDropFileOperation(dir / "outer\\inner", deCopy, false), kovalin::Exception);
    EXPECT_EQ(ReadFileBytes(dir / "outer\\inner\\keep.txt"), "keep");
    EXPECT_FALSE(shell::FileOrDirExists(dir / "outer\\inner\\outer"));

    // A target folder that vanished reloads the list and reports drag-and-drop error 1.
    Folder("gone");
    Load();
    ASSERT_TRUE(RemoveDirectoryA((dir / "gone").c_str()));
    Drag({dir / "outer\\inner\\keep.txt"});
    try {
        view->PerformDragDropFileOperation(dir / "gone", deCopy, false);
        ADD_FAILURE() << "no error";
    } catch (const dragdrop::EDragDrop& e) {
        EXPECT_EQ(e.Code(), 1);
        EXPECT_STREQ(e.what(), "DragDrop Error: 1");
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "outer"}));
    EXPECT_EQ(ReadFileBytes(dir / "outer\\inner\\keep.txt"), "keep");

    // Nothing to do without files.
    view->DragDropFilesEx().FileList().Clear();
    EXPECT_FALSE(view->PerformDragDropFileOperation(dir.Path(), deCopy, false));
}

} // namespace
