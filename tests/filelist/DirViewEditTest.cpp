#include "dragdrop/DragDropError.h"
#include "filelist/DirView.h"
#include "shell/ClipboardMode.h"
#include "tests/filelist/DirViewCommandsFixture.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdio>
#include <set>

using namespace filelist;
using namespace kovalin;
using namespace testsupport;

namespace {

std::string Numbered(const char* pattern, int n) {
    char name[64];
    std::snprintf(name, sizeof name, pattern, n);
    return name;
}

class DirViewEditTest : public DirViewCommandsFixture {
protected:
    void SetUp() override {
        DirViewCommandsFixture::SetUp();
        view->SetConfirmDelete(false);
        OleInitialize(nullptr);
    }
    void TearDown() override {
        view->EmptyClipBoard();
        DirViewCommandsFixture::TearDown();
        OleUninitialize();
    }
    bool ClipboardHasFiles() const { return IsClipboardFormatAvailable(CF_HDROP) != FALSE; }
};

TEST_F(DirViewEditTest, CreateCommandsReportAnExistingNameThroughLastIOError) {
    Folder("taken");
    File("file.txt");
    Load();
    EXPECT_EQ(view->CreateDirectory("taken"), nullptr);
    EXPECT_EQ(TDirView::LastIOError(), 183u);
    EXPECT_EQ(view->CreateFile("file.txt"), nullptr);
    EXPECT_EQ(TDirView::LastIOError(), 183u);

    TListItem* folder = view->CreateDirectory("fresh");
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(folder->Focused());
    EXPECT_EQ(TDirView::LastIOError(), 0u);
    TListItem* file = view->CreateFile("empty.dat");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->Focused());
    EXPECT_EQ(ReadFileBytes(dir / "empty.dat"), "");
    EXPECT_NE(GetFileAttributesA((dir / "empty.dat").c_str()) & FILE_ATTRIBUTE_ARCHIVE, 0u);
    // A file over a folder's name is refused by the system and the folder stays.
    EXPECT_EQ(view->CreateFile("taken"), nullptr);
    EXPECT_NE(TDirView::LastIOError(), 0u);
    EXPECT_TRUE(shell::DirExists(dir / "taken"));
    EXPECT_EQ(view->ItemCount(), 5);
}

TEST_F(DirViewEditTest, DeletingTwelveItemsSelectsTheItemAtTheOldIndex) {
    for (int i = 0; i < 15; ++i)
        File(Numbered("f%02d.txt", i));
    Load();
    std::vector<std::string> twelve;
    for (int i = 2; i < 14; ++i)
        twelve.push_back(Numbered("f%02d.txt", i));
    Select(twelve);
    const int firstIndex = view->FindFileItem("f02.txt")->Index();
    const int before = updated;
    EXPECT_TRUE(view->DeleteSelectedFiles(false));
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "f00.txt", "f01.txt", "f14.txt"}));
    EXPECT_FALSE(view->Updating());
    EXPECT_EQ(updated, before + 1);
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"f14.txt"}));
    EXPECT_EQ(view->Selected()->Index(), firstIndex);

    // Into the recycle bin; the last item goes and the new last one is selected.
    Select({"f14.txt"});
    EXPECT_TRUE(view->DeleteSelectedFiles(true));
    EXPECT_FALSE(shell::FileOrDirExists(dir / "f14.txt"));
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"f01.txt"}));
}

TEST_F(DirViewEditTest, AFileHeldOpenStaysInTheListAndOnDisk) {
    File("held.txt", "mine");
    File("free.txt");
    Load();
    HANDLE held = ::CreateFileA((dir / "held.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Select({"held.txt", "free.txt"});
    view->DeleteSelectedFiles(false);
    CloseHandle(held);
    EXPECT_EQ(ReadFileBytes(dir / "held.txt"), "mine");
    EXPECT_FALSE(shell::FileOrDirExists(dir / "free.txt"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "held.txt"}));
}

TEST_F(DirViewEditTest, ADeleteThatLeavesSomeOfManyFilesShowsExactlyWhatIsOnDisk) {
    // Enough files that the check after the delete reads the folder once instead of asking for
    // each file. Files held open stay (Wine's shell stops at the first of them, others go on).
    for (int i = 0; i < 60; ++i)
        File(Numbered("f%02d.txt", i), Numbered("mine %d", i));
    Folder("empty");
    Load();
    view->SelectAll();
    view->Item(0).SetSelected(false); // ".."
    std::vector<HANDLE> held;
    for (int i : {17, 31, 58}) {
        held.push_back(::CreateFileA((dir / Numbered("f%02d.txt", i)).c_str(), GENERIC_READ | GENERIC_WRITE,
                                     0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_NE(held.back(), INVALID_HANDLE_VALUE);
    }
    // One goes behind the list's back: the command cannot call itself a success.
    ASSERT_TRUE(DeleteFileA((dir / "f20.txt").c_str()));
    EXPECT_FALSE(view->DeleteSelectedFiles(false));
    for (HANDLE h : held)
        CloseHandle(h);

    std::set<std::string> onDisk;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((dir / "*").c_str(), &entry);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do
        if (entry.cFileName[0] != '.') onDisk.insert(entry.cFileName);
    while (FindNextFileA(find, &entry));
    FindClose(find);
    const std::vector<std::string> shown = Names();
    EXPECT_EQ(std::set<std::string>(shown.begin() + 1, shown.end()), onDisk);
    EXPECT_EQ(shown.size(), onDisk.size() + 1);
    for (int i : {17, 31, 58})
        EXPECT_EQ(ReadFileBytes(dir / Numbered("f%02d.txt", i)), Numbered("mine %d", i));
    EXPECT_FALSE(shell::FileOrDirExists(dir / "f00.txt"));
    view->RefreshDirectory();
    EXPECT_EQ(Names(), shown);
}

TEST_F(DirViewEditTest, TheClipboardCarriesIdListsForAFewFilesAndTheNamesAloneForMany) {
    const UINT idLists = RegisterClipboardFormatA(CFSTR_SHELLIDLIST);
    Folder("into");
    for (int i = 0; i < 101; ++i)
        File(Numbered("c%03d.txt", i), Numbered("%d", i));
    Load();
    Select({"c000.txt", "c001.txt", "c002.txt"});
    ASSERT_TRUE(view->CopyToClipBoard());
    EXPECT_TRUE(ClipboardHasFiles());
    EXPECT_TRUE(IsClipboardFormatAvailable(idLists));

    // Asking the shell for 101 id lists costs more than the paste itself; the names do.
    view->SelectAll();
    view->Item(0).SetSelected(false); // ".."
    view->Item(1).SetSelected(false); // "into"
    ASSERT_TRUE(view->CopyToClipBoard());
    EXPECT_TRUE(ClipboardHasFiles());
    EXPECT_FALSE(IsClipboardFormatAvailable(idLists));
    EXPECT_TRUE(view->PasteFromClipBoard(dir / "into"));
    EXPECT_EQ(ReadFileBytes(dir / "into\\c100.txt"), "100");
}

TEST_F(DirViewEditTest, CutAndPasteMovesTheFilesAndClearsMarksAndClipboard) {
    File("a.txt", "A");
    File("b.txt", "B");
    Folder("sub");
    Load();
    Select({"a.txt", "b.txt"});
    ASSERT_TRUE(view->CutToClipBoard());
    EXPECT_EQ(shell::ClipboardMode(), shell::TClipboardMode::Cut);
    EXPECT_TRUE(view->FindFileItem("a.txt")->Cut());
    EXPECT_TRUE(view->CanPasteFromClipBoard());
    EXPECT_TRUE(view->PasteFromClipBoard(dir / "sub"));
    EXPECT_EQ(ReadFileBytes(dir / "sub\\a.txt"), "A");
    EXPECT_EQ(ReadFileBytes(dir / "sub\\b.txt"), "B");
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "sub"}));
    EXPECT_EQ(shell::ClipboardMode(), shell::TClipboardMode::None);
    EXPECT_FALSE(ClipboardHasFiles());
    EXPECT_FALSE(view->PasteFromClipBoard());

    // Undo brings them back.
    EXPECT_TRUE(view->UndoCopyMove());
    EXPECT_EQ(ReadFileBytes(dir / "a.txt"), "A");
    EXPECT_FALSE(shell::FileOrDirExists(dir / "sub\\a.txt"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "sub", "a.txt", "b.txt"}));
}

TEST_F(DirViewEditTest, PasteOntoAnExistingNameAndIntoAVanishedFolderLoseNothing) {
    TempDir other;
    WriteFileBytes(other / "same.txt", "theirs");
    File("same.txt", "mine");
    Folder("gone");
    Load();
    // Files another program put there, copied; the user says No to replacing.
    {
        TDirView source(*form, TListView::Params{.viewStyle = TViewStyle::vsReport, .multiSelect = true},
                        drives);
        source.SetPath(other.Path());
        source.FindFileItem("same.txt")->SetSelected(true);
        ASSERT_TRUE(source.CopyToClipBoard());
    }
    shell::SetClipboardMode(shell::TClipboardMode::None);
    {
        WhenWindowAppears no(
            "", [](HWND box) { PostMessageA(box, WM_COMMAND, IDNO, 0); }, "#32770");
        view->PasteFromClipBoard();
        PumpMessages(200);
    }
    EXPECT_EQ(ReadFileBytes(dir / "same.txt"), "mine");
    EXPECT_EQ(ReadFileBytes(other / "same.txt"), "theirs");
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "gone", "same.txt"}));

    ASSERT_TRUE(RemoveDirectoryA((dir / "gone").c_str()));
    EXPECT_THROW(view->PasteFromClipBoard(dir / "gone"), dragdrop::EDragDrop);
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "same.txt"}));
    EXPECT_EQ(ReadFileBytes(other / "same.txt"), "theirs");
}

TEST_F(DirViewEditTest, DuplicateOfOneFileLeavesTheCopySelectedInEditMode) {
    File("photo.jpg", "pixels");
    Load();
    Select({"photo.jpg"});
    view->DuplicateSelectedFiles();
    ASSERT_EQ(view->ItemCount(), 3);
    const std::vector<std::string> selected = SelectedNames();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_NE(selected[0], "photo.jpg");
    EXPECT_EQ(ReadFileBytes(dir / selected[0]), "pixels");
    EXPECT_EQ(ReadFileBytes(dir / "photo.jpg"), "pixels");
    EXPECT_NE(SendMessageA(view->Handle(), LVM_GETEDITCONTROL, 0, 0), 0);
    EXPECT_FALSE(view->SelectNewItems());
    EXPECT_EQ(shell::ClipboardMode(), shell::TClipboardMode::None);
    SendMessageA(view->Handle(), LVM_CANCELEDITLABEL, 0, 0);
}

TEST_F(DirViewEditTest, AThousandFilesCopiedMovedUndoneAndDeleted) {
    Folder("many");
    Folder("into");
    for (int i = 0; i < 1000; ++i)
        File(Numbered("many\\n%04d.txt", i), Numbered("%d", i));
    view->SetPath(dir / "many");
    view->SelectAll();
    view->Item(0).SetSelected(false); // ".."
    ASSERT_TRUE(view->CopyToClipBoard());
    EXPECT_TRUE(view->PasteFromClipBoard(dir / "into"));
    EXPECT_EQ(ReadFileBytes(dir / "into\\n0999.txt"), "999");
    ASSERT_TRUE(view->UndoCopyMove());
    EXPECT_FALSE(shell::FileOrDirExists(dir / "into\\n0000.txt"));

    ASSERT_TRUE(view->CutToClipBoard());
    EXPECT_TRUE(view->PasteFromClipBoard(dir / "into"));
    EXPECT_EQ(view->ItemCount(), 1);
    EXPECT_EQ(ReadFileBytes(dir / "into\\n0500.txt"), "500");
    ASSERT_TRUE(view->UndoCopyMove());
    EXPECT_EQ(view->ItemCount(), 1001);
    EXPECT_EQ(ReadFileBytes(dir / "many\\n0500.txt"), "500");

    view->SelectAll();
    view->Item(0).SetSelected(false);
    EXPECT_TRUE(view->DeleteSelectedFiles(false));
    EXPECT_EQ(view->ItemCount(), 1);
    EXPECT_FALSE(shell::FileOrDirExists(dir / "many\\n0000.txt"));
}

} // namespace
