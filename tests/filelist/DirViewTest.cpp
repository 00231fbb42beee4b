#include "drivetree/DriveView.h"
#include "filelist/DirView.h"
#include "kovalin/Application.h"
#include "kovalin/ComPtr.h"
#include "kovalin/Form.h"
#include "shell/NameCase.h"
#include "tests/support/Drives.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <objidl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace filelist;
using namespace kovalin;
using namespace testsupport;

namespace {

// Built with a format rather than string concatenation, which GCC 12 misreads as an overlap.
std::string Numbered(const char* pattern, int n) {
    char name[64];
    std::snprintf(name, sizeof name, pattern, n);
    return name;
}

void SetWriteTime(const std::string& path, WORD year) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = 6;
    st.wDay = 15;
    st.wHour = 12;
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
    CloseHandle(h);
}

// A shell shortcut to the target, as the shell's own "create shortcut" writes one.
void MakeShortcut(const std::string& link, const std::string& target) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        kovalin::ComPtr<IShellLinkA> shortcut;
        ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   shortcut.put_void()),
                  S_OK);
        ASSERT_EQ(shortcut->SetPath(target.c_str()), S_OK);
        kovalin::ComPtr<IPersistFile> file;
        ASSERT_EQ(shortcut->QueryInterface(IID_IPersistFile, file.put_void()), S_OK);
        std::wstring wide(link.begin(), link.end());
        ASSERT_EQ(file->Save(wide.c_str(), TRUE), S_OK);
    }
    CoUninitialize();
}

bool FolderExists(const std::string& path) {
    const DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

// A user's double click on an item: the first click selects it, the second one executes.
void DoubleClickItem(TListView& list, const TListItem& item) {
    RECT r{};
    r.left = LVIR_LABEL;
    SendMessageA(list.Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(item.Index()),
                 reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM(r.left + 3, (r.top + r.bottom) / 2);
    // The list waits for the release to tell a click from a drag, so it is queued first.
    PostMessageA(list.Handle(), WM_LBUTTONUP, 0, at);
    SendMessageA(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    RunUntilIdle();
    SendMessageA(list.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
}

void PressEnter(TListView& list) {
    SendMessageA(list.Handle(), WM_KEYDOWN, VK_RETURN, 0);
}

class DirViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize();
        form =
            std::make_unique<TForm>(TFormParams{.caption = "Files", .clientWidth = 400, .clientHeight = 300});
        view = std::make_unique<TDirView>(
            *form,
            TListView::Params{
                .width = 400, .height = 300, .viewStyle = TViewStyle::vsReport, .multiSelect = true},
            drives);
        view->OnLoaded = [this](TDirView&) { ++loaded; };
        view->OnDirUpdated = [this](TDirView&) { ++updated; };
    }
    void TearDown() override {
        view.reset();
        form.reset();
    }

    void File(const std::string& name, const std::string& bytes = "x") const {
        WriteFileBytes(dir / name, bytes);
    }
    void Folder(const std::string& name) const {
        ASSERT_TRUE(CreateDirectoryA((dir / name).c_str(), nullptr));
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (int i = 0; i < view->ItemCount(); ++i)
            out.push_back(view->ItemData(i)->FileName);
        return out;
    }
    std::vector<std::string> Selected() const {
        std::vector<std::string> out;
        for (TListItem* i = view->GetNextItem(nullptr, LVNI_SELECTED); i;
             i = view->GetNextItem(i, LVNI_SELECTED))
            out.push_back(TDirView::ItemData(i)->FileName);
        return out;
    }

    shell::TDriveInfo drives;
    TempDir dir;
    std::unique_ptr<TForm> form;
    std::unique_ptr<TDirView> view;
    int loaded = 0, updated = 0;
};

TEST_F(DirViewTest, LoadsFoldersFilesAndParentItemWithTheirRecords) {
    const std::string longName = std::string(196, 'n') + ".jpeg";
    File("a b c.txt", "12345");
    File(longName);
    File("README");
    Folder("sub dir");
    int started = 0;
    view->OnStartLoading = [&](TDirView& v) {
        ++started;
        EXPECT_TRUE(v.Loading());
    };

    view->SetPath(dir.Path() + "\\\\");
    EXPECT_EQ(view->Path(), dir.Path());
    EXPECT_EQ(view->GetPathName(), dir.Path());
    EXPECT_TRUE(view->DirOK());
    EXPECT_FALSE(view->Loading());
    EXPECT_TRUE(view->LoadCompleted());
    EXPECT_FALSE(view->Updating());
    EXPECT_EQ(started, 1);
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(updated, 1);
    ASSERT_EQ(Names(), (std::vector<std::string>{"..", "sub dir", "a b c.txt", longName, "README"}));

    const TFileRec* parent = view->ItemData(0);
    EXPECT_TRUE(parent->IsParentDir && parent->IsDirectory);
    EXPECT_EQ(parent->TypeName, "\xDC"
                                "bergeordneter Dateiordner");
    EXPECT_FALSE(parent->InfoPending || parent->IconPending);
    EXPECT_NE(parent->Attr & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(view->ItemData(1)->Size, -1);
    EXPECT_TRUE(view->ItemData(1)->IsDirectory);
    const TFileRec* text = view->ItemData(2);
    EXPECT_EQ(text->Size, 5);
    EXPECT_EQ(text->FileExt, "TXT");
    EXPECT_TRUE(text->InfoPending && text->IconPending);
    EXPECT_EQ(view->Item(2).Caption(), "a b c.txt");
    EXPECT_EQ(view->ItemData(3)->FileExt, "JPE");
    EXPECT_EQ(view->ItemFileExt(&view->Item(3)), ".jpeg");
    EXPECT_EQ(view->ItemData(4)->FileExt, "");
    EXPECT_EQ(view->ItemFileExt(&view->Item(4)), "");
    EXPECT_EQ(view->ItemFullFileName(&view->Item(2)), dir / "a b c.txt");
    EXPECT_EQ(view->ItemFullFileName(nullptr), "");
    EXPECT_EQ(view->ItemData(5), nullptr);
    EXPECT_EQ(view->FindFileItem("README"), &view->Item(4));
    EXPECT_EQ(view->FindFileItem("readme"), nullptr);
}

TEST_F(DirViewTest, DriveRootHasNoParentItemAndMissingFolderLoadsEmpty) {
    view->SetPath("C:\\");
    EXPECT_EQ(view->Path(), "C:");
    EXPECT_EQ(view->GetPathName(), "C:\\");
    EXPECT_TRUE(view->DirOK());
    EXPECT_GT(view->ItemCount(), 0);
    EXPECT_EQ(view->FindFileItem(".."), nullptr);

    view->SetPath(dir / "missing");
    EXPECT_FALSE(view->DirOK());
    EXPECT_EQ(view->ItemCount(), 0);
    EXPECT_EQ(loaded, 2);
    EXPECT_EQ(updated, 1);
    EXPECT_TRUE(view->LoadCompleted());
}

TEST_F(DirViewTest, MasksAndFiltersApplyToFilesOnly) {
    File("a.jpg");
    File("b.jpeg");
    File("c.txt");
    File("old.jpg");
    File("future.jpg");
    File("hidden.jpg");
    File("big.jpg", std::string(100, 'b'));
    Folder("hidden folder");
    Folder("plain.txt.d");
    SetFileAttributesA((dir / "hidden.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((dir / "hidden folder").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetWriteTime(dir / "old.jpg", 1979);
    SetWriteTime(dir / "future.jpg", 2100);
    view->SetMask("*.jpg; *.JP*");
    view->SetSelHidden(SelNo);
    view->SetSelFileSizeTo(50);
    int offered = 0;
    view->OnAddFile = [&](TDirView&, const WIN32_FIND_DATAA& entry, bool&) {
        offered += std::string(entry.cFileName) == "a.jpg";
    };

    view->SetPath(dir.Path());
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "hidden folder", "plain.txt.d", "a.jpg", "b.jpeg"}));
    EXPECT_EQ(offered, 1);

    // Setters apply at once to the loaded folder.
    view->SetSelHidden(SelYes);
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "hidden folder", "plain.txt.d", "hidden.jpg"}));
    view->SetShowDirectories(false);
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "hidden.jpg"}));
}

TEST_F(DirViewTest, AttributeFiltersAndTheExactEdgesOfTheRanges) {
    File("plain.txt");
    File("readonly.txt");
    File("system.txt");
    File("archive.txt");
    SetFileAttributesA((dir / "plain.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA((dir / "readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((dir / "system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesA((dir / "archive.txt").c_str(), FILE_ATTRIBUTE_ARCHIVE);
    view->SetPath(dir.Path());
    using Names_ = std::vector<std::string>;
    auto files = [&] {
        Names_ out;
        for (const std::string& n : Names())
            if (n != "..") out.push_back(n);
        return out;
    };
    ASSERT_EQ(files(), (Names_{"archive.txt", "plain.txt", "readonly.txt", "system.txt"}));
    // The files as the system reports them (Wine marks every file for archiving): with the
    // filter on an attribute, "yes" lists those that have it, "no" those that do not.
    auto having = [&](DWORD bit, bool wanted) {
        Names_ out;
        for (const char* n : {"archive.txt", "plain.txt", "readonly.txt", "system.txt"})
            if (((GetFileAttributesA((dir / n).c_str()) & bit) != 0) == wanted) out.push_back(n);
        return out;
    };
    ASSERT_EQ(having(FILE_ATTRIBUTE_READONLY, true), Names_{"readonly.txt"});
    ASSERT_EQ(having(FILE_ATTRIBUTE_SYSTEM, true), Names_{"system.txt"});
    const struct {
        void (TDirView::*set)(TSelAttr);
        DWORD bit;
    } filters[] = {{&TDirView::SetSelReadOnly, FILE_ATTRIBUTE_READONLY},
                   {&TDirView::SetSelSysFile, FILE_ATTRIBUTE_SYSTEM},
                   {&TDirView::SetSelArchive, FILE_ATTRIBUTE_ARCHIVE}};
    for (const auto& f : filters) {
        (view.get()->*f.set)(SelYes);
        EXPECT_EQ(files(), having(f.bit, true)) << f.bit;
        (view.get()->*f.set)(SelNo);
        EXPECT_EQ(files(), having(f.bit, false)) << f.bit;
        (view.get()->*f.set)(SelDontCare);
    }
    // Two filters at once: both must hold.
    view->SetSelReadOnly(SelNo);
    view->SetSelSysFile(SelNo);
    EXPECT_EQ(files(), (Names_{"archive.txt", "plain.txt"}));
    view->SetSelReadOnly(SelDontCare);
    view->SetSelSysFile(SelDontCare);
    for (const char* n : {"plain.txt", "readonly.txt", "system.txt", "archive.txt"}) {
        SetFileAttributesA((dir / n).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((dir / n).c_str());
    }

    // Sizes: both limits belong to the range.
    for (int size : {9, 10, 12, 13})
        File(Numbered("size%d.dat", size), std::string(static_cast<size_t>(size), 's'));
    view->SetSelFileSizeFrom(10);
    view->SetSelFileSizeTo(12);
    view->Reload(false);
    EXPECT_EQ(files(), (Names_{"size10.dat", "size12.dat"}));
    view->SetSelFileSizeFrom(0);
    view->SetSelFileSizeTo(2147483647);

    // Dates and times, packed as the file system packs local times (two-second steps): a file
    // exactly at either limit is listed, one step beyond is not.
    SYSTEMTIME st{};
    st.wYear = 2001;
    st.wMonth = 2;
    st.wDay = 3;
    st.wHour = 10;
    st.wMinute = 20;
    st.wSecond = 30;
    FILETIME at{};
    ASSERT_TRUE(SystemTimeToFileTime(&st, &at));
    auto shifted = [](FILETIME ft, int seconds) {
        ULARGE_INTEGER v{{ft.dwLowDateTime, ft.dwHighDateTime}};
        v.QuadPart += static_cast<LONGLONG>(seconds) * 10000000;
        return FILETIME{v.LowPart, v.HighPart};
    };
    auto stamp = [&](const std::string& name, FILETIME ft) {
        File(name);
        HANDLE h =
            CreateFileA((dir / name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
        CloseHandle(h);
    };
    for (const auto& s :
         std::vector<std::pair<std::string, int>>{{"early.dat", -2}, {"edge.dat", 0}, {"late.dat", 2}})
        stamp(s.first, shifted(at, s.second));
    for (int i : {9, 10, 12, 13})
        DeleteFileA((dir / Numbered("size%d.dat", i)).c_str());
    FILETIME local{};
    FileTimeToLocalFileTime(&at, &local);
    WORD date = 0, time = 0;
    ASSERT_TRUE(FileTimeToDosDateTime(&local, &date, &time));
    view->SetSelFileDateTo(date);
    view->SetSelFileTimeTo(time);
    view->Reload(false);
    EXPECT_EQ(files(), (Names_{"early.dat", "edge.dat"}));
    view->SetSelFileDateTo(61343);
    view->SetSelFileTimeTo(49152);
    view->SetSelFileDateFrom(date);
    view->SetSelFileTimeFrom(time);
    view->Reload(false);
    EXPECT_EQ(files(), (Names_{"edge.dat", "late.dat"}));
}

TEST_F(DirViewTest, ReturningToTheParentFocusesTheFolderOneCameFrom) {
    Folder("a");
    Folder("b");
    Folder("b\\c");
    File("b\\c\\f.txt");
    view->SetPath(dir / "b\\c");
    view->SetPath(dir.Path());
    ASSERT_NE(view->ItemFocused(), nullptr);
    EXPECT_EQ(TDirView::ItemData(view->ItemFocused())->FileName, "b");
    EXPECT_EQ(view->LastPath(), dir / "b\\c");
}

TEST_F(DirViewTest, SecondPathDuringALoadWinsAndTheFirstStopsEarly) {
    Folder("many");
    Folder("few");
    for (int i = 0; i < 300; ++i)
        File(Numbered("many\\f%d.txt", i));
    File("few\\one.txt");
    File("few\\two.txt");
    int seen = 0;
    view->OnAddFile = [&](TDirView& v, const WIN32_FIND_DATAA&, bool&) {
        if (++seen == 10) v.SetPath(dir / "few");
        EXPECT_FALSE(v.LoadCompleted());
    };
    view->SetPath(dir / "many");
    EXPECT_LT(seen, 20);
    EXPECT_EQ(view->Path(), dir / "few");
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "one.txt", "two.txt"}));
    EXPECT_FALSE(view->Loading() || view->LoadPending() || view->AbortLoad());
    EXPECT_FALSE(view->Updating());
}

TEST_F(DirViewTest, PathPostedDuringTheMessagePumpOfALongLoadWins) {
    Folder("many");
    Folder("few");
    for (int i = 0; i < 400; ++i)
        File(Numbered("many\\f%d.txt", i));
    File("few\\one.txt");
    // A message that arrives while the load lets the user interface run, as a click would.
    static TDirView* target = nullptr;
    static std::string next;
    target = view.get();
    next = dir / "few";
    struct Timer {
        static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            target->SetPath(next);
        }
    };
    bool armed = false;
    view->OnAddFile = [&](TDirView&, const WIN32_FIND_DATAA&, bool&) {
        if (armed) return;
        armed = true;
        SetTimer(nullptr, 0, 0, &Timer::Fire);
        Sleep(20);
    };
    view->SetPath(dir / "many");
    EXPECT_EQ(view->Path(), dir / "few");
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "one.txt"}));
    EXPECT_FALSE(view->Loading() || view->LoadPending());
}

TEST_F(DirViewTest, RefreshTouchesOnlyWhatChangedOnDisk) {
    File("keep.txt", "k");
    File("grow.txt", "g");
    File("gone.txt");
    File("x");
    Folder("old dir");
    view->SetPath(dir.Path());
    TListItem* kept = view->FindFileItem("keep.txt");
    ASSERT_NE(kept, nullptr);
    const int before = updated;

    File("grow.txt", "grown");
    DeleteFileA((dir / "gone.txt").c_str());
    DeleteFileA((dir / "x").c_str());
    Folder("x");
    Folder("new dir");
    File("new.txt");
    std::vector<std::string> grown;
    view->OnFileSizeChanged = [&](TDirView&, TListItem& item) {
        grown.push_back(TDirView::ItemData(&item)->FileName);
    };
    view->RefreshDirectory();

    EXPECT_EQ(grown, std::vector<std::string>{"grow.txt"});
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"..", "new dir", "old dir", "x", "grow.txt", "keep.txt", "new.txt"}));
    EXPECT_EQ(view->FindFileItem("keep.txt"), kept); // the same item, untouched
    EXPECT_EQ(view->ItemData(view->FindFileItem("grow.txt")->Index())->Size, 5);
    EXPECT_TRUE(view->ItemData(view->FindFileItem("x")->Index())->IsDirectory);
    EXPECT_EQ(updated, before + 1);

    view->RefreshDirectory(); // nothing changed since
    EXPECT_EQ(updated, before + 1);
    EXPECT_EQ(grown.size(), 1u);

    // With a narrow mask the ".." item is never returned by the listing, yet stays.
    view->SetMask("*.txt");
    view->SetShowDirectories(false);
    view->RefreshDirectory();
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "grow.txt", "keep.txt", "new.txt"}));

    DeleteTree(dir.Path());
    view->RefreshDirectory();
    EXPECT_EQ(view->ItemCount(), 0);
    EXPECT_FALSE(view->DirOK());
    CreateDirectoryA(dir.Path().c_str(), nullptr);
}

TEST_F(DirViewTest, ReloadKeepsSelectionFocusAndPerFileIcons) {
    File("a.txt");
    File("b.txt");
    File("prog.exe");
    File("doc.txt");
    view->SetPath(dir.Path());
    view->FindFileItem("b.txt")->SetSelected(true);
    view->FindFileItem("prog.exe")->SetSelected(true);
    view->FindFileItem("doc.txt")->SetFocused(true);
    for (const char* name : {"prog.exe", "doc.txt"}) {
        TFileRec* rec = TDirView::ItemData(view->FindFileItem(name));
        rec->ImageIndex = 42;
        rec->IconPending = false;
    }
    File("0new.txt");

    view->Reload(true);
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "0new.txt", "a.txt", "b.txt", "doc.txt", "prog.exe"}));
    EXPECT_EQ(Selected(), (std::vector<std::string>{"b.txt", "prog.exe"}));
    EXPECT_EQ(TDirView::ItemData(view->ItemFocused())->FileName, "doc.txt");
    const TFileRec* exe = TDirView::ItemData(view->FindFileItem("prog.exe"));
    EXPECT_EQ(exe->ImageIndex, 42);
    EXPECT_FALSE(exe->IconPending);
    EXPECT_TRUE(TDirView::ItemData(view->FindFileItem("doc.txt"))->IconPending); // no icon of its own

    view->Reload(false);
    EXPECT_TRUE(TDirView::ItemData(view->FindFileItem("prog.exe"))->IconPending);
}

TEST_F(DirViewTest, DisabledLoadingIsRememberedAndRunsWhenEnabled) {
    File("a.txt");
    view->SetLoadEnabled(false);
    view->SetPath(dir.Path());
    EXPECT_EQ(view->ItemCount(), 0);
    EXPECT_TRUE(view->LoadPending());
    EXPECT_EQ(loaded, 0);
    view->SetLoadEnabled(true);
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "a.txt"}));
    EXPECT_FALSE(view->LoadPending());
    EXPECT_EQ(loaded, 1);

    view->SetLoadEnabled(false);
    File("b.txt");
    view->Reload(true);
    EXPECT_EQ(view->FindFileItem("b.txt"), nullptr);
    view->ResumeLoading(true);
    EXPECT_NE(view->FindFileItem("b.txt"), nullptr);
    EXPECT_TRUE(view->LoadEnabled());
}

TEST_F(DirViewTest, ExceptionInALoadRestoresCursorBracketAndLoadingFlag) {
    for (int i = 0; i < 5; ++i)
        File(Numbered("f%d.txt", i));
    HCURSOR arrow = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    SetCursor(arrow);
    int calls = 0;
    view->OnAddFile = [&](TDirView&, const WIN32_FIND_DATAA&, bool&) {
        if (++calls == 3) throw std::runtime_error("refused");
    };
    EXPECT_THROW(view->SetPath(dir.Path()), std::runtime_error);
    EXPECT_FALSE(view->Loading());
    EXPECT_TRUE(view->LoadCompleted());
    EXPECT_FALSE(view->Updating());
    EXPECT_EQ(GetCursor(), arrow);

    view->OnAddFile = nullptr;
    view->Reload(false);
    EXPECT_EQ(view->ItemCount(), 6);
}

// Thousands of files made here cost a folder scan each under Wine; the large folders (10 000 and
// 100 000 files, made on the host side) are timed by bench/dir_view_bench.cpp instead.
TEST_F(DirViewTest, ThousandsOfFilesLoadSortedAndRefreshQuietly) {
    const int n = 2000;
    for (int i = 0; i < n; ++i) {
        HANDLE h = CreateFileA((dir / Numbered("f%d.dat", n - i)).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    view->SetPath(dir.Path());
    ASSERT_EQ(view->ItemCount(), n + 1);
    EXPECT_EQ(ListView_GetItemCount(view->Handle()), n + 1);
    for (int i = 2; i < view->ItemCount(); ++i)
        ASSERT_LT(view->ItemData(i - 1)->FileName, view->ItemData(i)->FileName);
    const int before = updated;
    view->RefreshDirectory();
    EXPECT_EQ(updated, before);
    EXPECT_EQ(view->ItemCount(), n + 1);
}

// Wine's recycle bin gives its items no physical path, so only the way there is checked here.
TEST_F(DirViewTest, RecycledFolderOfADriveRootGoesThroughTheShellsRecycleBin) {
    const std::string recycled = "C:\\RECYCLED";
    const bool made = CreateDirectoryA(recycled.c_str(), nullptr) != FALSE;
    view->SetPath(recycled);
    EXPECT_TRUE(view->RecycleBinMode());
    EXPECT_TRUE(view->DirOK());
    EXPECT_NE(view->ShellFolder(), nullptr);
    ASSERT_GE(view->ItemCount(), 1);
    EXPECT_TRUE(view->ItemData(0)->IsParentDir);

    view->SetPath(dir.Path());
    EXPECT_FALSE(view->RecycleBinMode());
    if (made) RemoveDirectoryA(recycled.c_str());
}

// The folder a shell folder stands for, empty when it does not say.
std::string ShellFolderPath(IShellFolder* folder) {
    kovalin::ComPtr<IPersistFolder2> persist;
    if (!folder || FAILED(folder->QueryInterface(IID_IPersistFolder2, persist.put_void()))) return "";
    LPITEMIDLIST list = nullptr;
    if (FAILED(persist->GetCurFolder(&list)) || !list) return "";
    char path[MAX_PATH] = "";
    SHGetPathFromIDListA(list, path);
    CoTaskMemFree(list);
    return shell::LowerCase(path);
}

// The shell folder is bound when first asked for, not by the load: it must still be the loaded
// folder's, and never one kept from a folder loaded before.
TEST_F(DirViewTest, TheShellFolderIsTheLoadedFoldersWhenFirstAskedFor) {
    Folder("one");
    Folder("two");
    view->SetPath(dir / "one");
    ASSERT_TRUE(view->DirOK());
    EXPECT_EQ(ShellFolderPath(view->ShellFolder()), shell::LowerCase(dir / "one"));
    EXPECT_EQ(view->ShellFolder(), view->ShellFolder()); // bound once
    view->SetPath(dir / "two");
    EXPECT_EQ(ShellFolderPath(view->ShellFolder()), shell::LowerCase(dir / "two"));
    // Not asked for in between: the load before leaves nothing behind either.
    view->SetPath(dir / "one");
    view->SetPath(dir.Path());
    EXPECT_EQ(ShellFolderPath(view->ShellFolder()), shell::LowerCase(dir.Path()));

    view->SetPath(dir / "gone");
    EXPECT_FALSE(view->DirOK());
    EXPECT_EQ(view->ShellFolder(), nullptr);
}

TEST_F(DirViewTest, LinkedDriveTreeDecidesRecycleBinModeAndLearnsOfEmptyNetworkFolders) {
    drivetree::TDriveView tree(*form, drivetree::TDriveView::Params{.width = 100, .height = 100}, drives);
    tree.Loaded();
    view->SetDriveView(&tree);
    Folder("bin");
    TTreeNode* bin = tree.FindNodeToPath(dir / "bin");
    ASSERT_NE(bin, nullptr);
    drivetree::TDriveView::NodeData(bin)->IsRecycleBin = true;
    view->SetPath(dir / "bin");
    EXPECT_TRUE(view->RecycleBinMode());
    view->SetPath(dir.Path());
    EXPECT_FALSE(view->RecycleBinMode());

    // M: is the network drive that the test fixture gives the Wine prefix.
    if (testsupport::HasDrive('M', DRIVE_REMOTE)) {
        const std::string share = Numbered("M:\\dirview-%d", static_cast<int>(GetCurrentProcessId()));
        ASSERT_TRUE(CreateDirectoryA(share.c_str(), nullptr));
        CreateDirectoryA((share + "\\leaf").c_str(), nullptr);
        WriteFileBytes(share + "\\leaf\\only a file.txt", "x");
        TTreeNode* leaf = tree.FindNodeToPath(share + "\\leaf");
        ASSERT_NE(leaf, nullptr);
        EXPECT_FALSE(drivetree::TDriveView::NodeData(leaf)->Scanned);
        view->SetPath(share + "\\leaf");
        EXPECT_EQ(view->DriveType(), DRIVE_REMOTE);
        EXPECT_TRUE(drivetree::TDriveView::NodeData(leaf)->Scanned);
        EXPECT_FALSE(leaf->HasChildren());
        view->SetPath(dir.Path());
        DeleteTree(share);
    }
    view->SetDriveView(nullptr);
}

TEST_F(DirViewTest, TreeSelectionLoadsTheListAndTheLinkHoldsBothWays) {
    Folder("sub");
    File("sub\\inside.txt");
    auto tree = std::make_unique<drivetree::TDriveView>(*form, drivetree::TDriveView::Params{}, drives);
    tree->Loaded();
    view->SetDriveView(tree.get());
    EXPECT_EQ(tree->DirView(), view.get());
    tree->SetDirectory(dir / "sub");
    EXPECT_EQ(view->Path(), dir / "sub");
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "inside.txt"}));
    int loads = loaded;
    tree->SetDirectory(dir / "sub\\"); // the same folder: no second load
    EXPECT_EQ(loaded, loads);

    drivetree::TDriveView other(*form, drivetree::TDriveView::Params{}, drives);
    view->SetDriveView(&other);
    EXPECT_EQ(tree->DirView(), nullptr);
    EXPECT_EQ(other.DirView(), view.get());
    tree.reset();
    EXPECT_EQ(view->DriveView(), &other);
    view.reset(); // the list goes first: the tree forgets it
    EXPECT_EQ(other.DirView(), nullptr);
}

TEST_F(DirViewTest, NamesShowInTheChosenLetterCase) {
    File("AUTOEXEC.BAT");
    File("Long File Name.TXT");
    view->SetPath(dir.Path());
    view->SetFileNameDisplay(shell::fndNice);
    EXPECT_EQ(TDirView::ItemData(view->FindFileItem("AUTOEXEC.BAT"))->DisplayName, "Autoexec.bat");
    EXPECT_EQ(TDirView::ItemData(view->FindFileItem("Long File Name.TXT"))->DisplayName,
              "Long File Name.TXT");
    view->SetFileNameDisplay(shell::fndNoCap);
    EXPECT_EQ(TDirView::ItemData(view->FindFileItem("AUTOEXEC.BAT"))->DisplayName, "autoexec.bat");
    EXPECT_EQ(view->FindFileItem("AUTOEXEC.BAT")->Caption(), "AUTOEXEC.BAT"); // the name, as stored
}

// --- commands ----------------------------------------------------------------------------------

TEST_F(DirViewTest, DoubleClickAndEnterEnterFoldersThroughTheTreeAndTheParentItemGoesUp) {
    Folder("one");
    Folder("one\\two");
    File("one\\two\\leaf.txt");
    drivetree::TDriveView tree(*form, drivetree::TDriveView::Params{}, drives);
    tree.Loaded();
    view->SetDriveView(&tree);
    view->SetViewStyle(TViewStyle::vsList); // as the main window shows it: names without columns
    tree.SetDirectory(dir.Path());
    ASSERT_EQ(view->Path(), dir.Path());
    int doubleClicks = 0;
    view->OnDblClick = [&] { ++doubleClicks; };
    std::vector<std::string> executed;
    view->OnExecFile = [&](TDirView&, TListItem& item, bool& allow) {
        EXPECT_TRUE(allow);
        executed.push_back(TDirView::ItemData(&item)->FileName);
    };

    ASSERT_NE(view->FindFileItem("one"), nullptr);
    DoubleClickItem(*view, *view->FindFileItem("one"));
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(tree.Directory(), dir / "one");
    EXPECT_EQ(view->Path(), dir / "one");
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "two"}));

    // Enter enters a folder that only has the focus.
    view->ClearSelection();
    ASSERT_NE(view->FindFileItem("two"), nullptr);
    view->FindFileItem("two")->SetFocused(true);
    PressEnter(*view);
    EXPECT_EQ(tree.Directory(), dir / "one\\two");
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "leaf.txt"}));

    // The focused ".." goes up even with nothing selected, and is no item to execute.
    view->ClearSelection();
    view->FindFileItem("..")->SetFocused(true);
    PressEnter(*view);
    EXPECT_EQ(tree.Directory(), dir / "one");
    EXPECT_EQ(view->Path(), dir / "one");
    EXPECT_EQ(executed, (std::vector<std::string>{"one", "two"}));
    view->SetDriveView(nullptr);
}

TEST_F(DirViewTest, WithoutATreeFoldersLoadHereUnlessTheHandlerRefuses) {
    Folder("sub");
    view->SetPath(dir.Path());
    bool allow = false;
    view->OnExecFile = [&](TDirView&, TListItem&, bool& a) { a = allow; };
    view->SetSelected(view->FindFileItem("sub"));
    view->Execute();
    EXPECT_EQ(view->Path(), dir.Path());

    allow = true;
    view->Execute();
    EXPECT_EQ(view->Path(), dir / "sub");
    view->SetSelected(view->FindFileItem(".."));
    view->Execute();
    EXPECT_EQ(view->Path(), dir.Path());
}

TEST_F(DirViewTest, AVanishedFolderRefreshesListAndTreeInsteadOfBeingEntered) {
    Folder("gone");
    Folder("kept");
    drivetree::TDriveView tree(*form, drivetree::TDriveView::Params{}, drives);
    tree.Loaded();
    view->SetDriveView(&tree);
    tree.SetDirectory(dir.Path());
    ASSERT_NE(tree.FindNodeToPath(dir / "gone"), nullptr);
    ASSERT_TRUE(RemoveDirectoryA((dir / "gone").c_str()));

    view->SetSelected(view->FindFileItem("gone"));
    view->Execute();
    EXPECT_EQ(view->Path(), dir.Path());
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "kept"}));
    EXPECT_EQ(tree.Directory(), dir.Path());
    EXPECT_EQ(tree.FindNodeToPath(dir / "gone"), nullptr);
    view->SetDriveView(nullptr);
}

TEST_F(DirViewTest, AShortcutToAFolderIsFollowedEvenWhereTheTreeHasNotSeenItYet) {
    Folder("list");
    Folder("far");
    Folder("far\\near");
    drivetree::TDriveView tree(*form, drivetree::TDriveView::Params{}, drives);
    tree.Loaded();
    view->SetDriveView(&tree);
    tree.SetDirectory(dir / "list");
    ASSERT_NE(tree.FindNodeToPath(dir / "far\\near"), nullptr); // "far" is read now
    Folder("far\\away");
    MakeShortcut(dir / "list\\away.lnk", dir / "far\\away");
    Folder("gone");
    MakeShortcut(dir / "list\\dangling.lnk", dir / "gone");
    ASSERT_TRUE(RemoveDirectoryA((dir / "gone").c_str()));
    view->RefreshDirectory();

    view->SetSelected(view->FindFileItem("dangling.lnk"));
    view->Execute(); // a shortcut to nothing does nothing
    EXPECT_EQ(view->Path(), dir / "list");

    view->SetSelected(view->FindFileItem("away.lnk"));
    view->Execute();
    EXPECT_EQ(tree.Directory(), dir / "far\\away");
    EXPECT_EQ(view->Path(), dir / "far\\away");
    view->SetDriveView(nullptr);
}

TEST_F(DirViewTest, CreateDirectoryAddsAndFocusesTheFolderOrTellsWhyNot) {
    Folder("old");
    File("taken.txt");
    drivetree::TDriveView tree(*form, drivetree::TDriveView::Params{}, drives);
    tree.Loaded();
    view->SetDriveView(&tree);
    tree.SetDirectory(dir.Path());
    ASSERT_NE(tree.FindNodeToPath(dir / "old"), nullptr); // the tree has read the folder
    const int updates = updated;

    TListItem* item = view->CreateDirectory("New Folder");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(TDirView::LastIOError(), 0u);
    EXPECT_TRUE(FolderExists(dir / "New Folder"));
    EXPECT_TRUE(TDirView::ItemData(item)->IsDirectory);
    EXPECT_EQ(TDirView::ItemData(item)->FileName, "New Folder");
    EXPECT_EQ(view->ItemFocused(), item);
    EXPECT_EQ(updated, updates + 1);
    EXPECT_NE(tree.FindNodeToPath(dir / "New Folder"), nullptr);

    const int count = view->ItemCount();
    EXPECT_EQ(view->CreateDirectory("new folder"), nullptr);
    EXPECT_EQ(TDirView::LastIOError(), 183u);
    EXPECT_EQ(view->CreateDirectory("taken.txt"), nullptr);
    EXPECT_EQ(TDirView::LastIOError(), 183u);
    EXPECT_EQ(view->CreateDirectory("what?"), nullptr);
    EXPECT_EQ(TDirView::LastIOError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    // A name with a separator would make a folder elsewhere than the list shows it.
    EXPECT_EQ(view->CreateDirectory("old\\inner"), nullptr);
    EXPECT_FALSE(FolderExists(dir / "old\\inner"));
    // The caller can have the error itself, leaving the program-wide value alone.
    const TDirView::TCreatedFolder taken = view->CreateFolder("New Folder");
    EXPECT_EQ(taken.item, nullptr);
    EXPECT_EQ(taken.error, 183u);
    EXPECT_EQ(TDirView::LastIOError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(view->ItemCount(), count);
    view->SetDriveView(nullptr);
}

// Sorting, driven through the column headers as a user sorts.
class DirViewSortTest : public DirViewTest {
protected:
    void SetUp() override {
        DirViewTest::SetUp();
        // All five headers within the view's width, where a click can reach them.
        for (int i = 0; i < view->ColumnCount(); ++i)
            view->Column(i).SetWidth(60);
    }
    void ClickHeader(int index) const {
        RECT r{};
        SendMessageA(view->HeaderHandle(), HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(view->HeaderHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(view->HeaderHandle(), WM_LBUTTONUP, 0, at);
    }
    void SortBy(int column, bool ascending) const {
        ClickHeader(column);
        if (view->SortAscending() != ascending) ClickHeader(column);
        ASSERT_EQ(view->SortColumn(), static_cast<unsigned>(column));
        ASSERT_EQ(view->SortAscending(), ascending);
    }
    using NameList = std::vector<std::string>;
};

TEST_F(DirViewSortTest, ParentItemLeadsEveryOrderAndFoldersFollowDirsOnTop) {
    File("b.txt", "bbb");
    File("a.txt", "a");
    File("d.dat", "dd");
    File("e.dat", "ee");
    Folder("zdir");
    Folder("adir");
    view->SetPath(dir.Path());
    for (bool onTop : {false, true}) {
        view->SetDirsOnTop(onTop);
        for (int column = 0; column < 5; ++column)
            for (bool ascending : {true, false}) {
                SortBy(column, ascending);
                const NameList names = Names();
                ASSERT_EQ(names.size(), 7u);
                EXPECT_EQ(names[0], "..") << column << ascending;
                const bool foldersFirst = onTop || ascending;
                EXPECT_TRUE(view->ItemData(foldersFirst ? 1 : 5)->IsDirectory)
                    << column << ascending << onTop;
                EXPECT_TRUE(view->ItemData(foldersFirst ? 2 : 6)->IsDirectory)
                    << column << ascending << onTop;
            }
    }
    // Equal sizes go by name in the same direction.
    SortBy(1, false);
    EXPECT_EQ(Names(), (NameList{"..", "zdir", "adir", "b.txt", "e.dat", "d.dat", "a.txt"}));
    view->SetDirsOnTop(false); // sorts again at once
    EXPECT_EQ(Names(), (NameList{"..", "b.txt", "e.dat", "d.dat", "a.txt", "zdir", "adir"}));
    EXPECT_TRUE(view->LoadCompleted());
    EXPECT_FALSE(view->Updating());
}

TEST_F(DirViewSortTest, EqualDatesStayInAscendingNameOrderInBothDirections) {
    for (const char* name : {"c.txt", "a.txt", "b.txt"}) {
        File(name);
        SetWriteTime(dir / name, 2001);
    }
    File("old.txt");
    SetWriteTime(dir / "old.txt", 1999);
    File("new.txt");
    SetWriteTime(dir / "new.txt", 2005);
    view->SetPath(dir.Path());
    SortBy(3, true);
    EXPECT_EQ(Names(), (NameList{"..", "old.txt", "a.txt", "b.txt", "c.txt", "new.txt"}));
    SortBy(3, false);
    EXPECT_EQ(Names(), (NameList{"..", "new.txt", "a.txt", "b.txt", "c.txt", "old.txt"}));
}

TEST_F(DirViewSortTest, TypeExtensionAndAttributeOrders) {
    File("b.jpg");
    File("a.jpeg");
    File("c.gif");
    File("README");
    File("a.jpg");
    SetFileAttributesA((dir / "a.jpg").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    view->SetPath(dir.Path());

    SortBy(2, true); // by type: every type name is fetched first
    for (int i = 0; i < view->ItemCount(); ++i)
        EXPECT_FALSE(view->ItemData(i)->InfoPending) << i;
    view->SetSortByExtension(true); // sorts again, the type column being the sort column
    EXPECT_EQ(Names(), (NameList{"..", "README", "c.gif", "a.jpeg", "a.jpg", "b.jpg"}));
    SortBy(2, false);
    EXPECT_EQ(Names(), (NameList{"..", "b.jpg", "a.jpg", "a.jpeg", "c.gif", "README"}));

    // Equal attributes go by name; the read-only one has the larger value.
    SortBy(4, true);
    EXPECT_EQ(Names(), (NameList{"..", "a.jpeg", "b.jpg", "c.gif", "README", "a.jpg"}));
    view->SetSortByExtension(false); // not the sort column: the order stays
    EXPECT_EQ(Names(), (NameList{"..", "a.jpeg", "b.jpg", "c.gif", "README", "a.jpg"}));
}

TEST_F(DirViewSortTest, NamesFollowTheLocalesComparisonWithoutRegardToCase) {
    const NameList names = {"a-b.txt",
                            "ab.txt",
                            "AC.txt",
                            "\xC4"
                            "b.txt",
                            "b.txt",
                            "10.txt",
                            "9.txt",
                            "~x.txt",
                            "a b.txt",
                            "ab'c.txt",
                            "_u.txt",
                            "B1.TXT"};
    for (const std::string& name : names)
        File(name);
    view->SetPath(dir.Path());
    NameList expected = names;
    std::stable_sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
        return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
               CSTR_LESS_THAN;
    });
    expected.insert(expected.begin(), "..");
    EXPECT_EQ(Names(), expected);
    SortBy(0, false);
    std::reverse(expected.begin() + 1, expected.end());
    EXPECT_EQ(Names(), expected);
}

TEST_F(DirViewSortTest, AColumnClickScrollsTheSelectedItemBackIntoView) {
    for (int i = 0; i < 60; ++i)
        File(Numbered("f%02d.txt", i));
    view->SetPath(dir.Path());
    view->FindFileItem("f00.txt")->SetSelected(true);
    SortBy(0, false);
    const TListItem* selected = view->Selected();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->Index(), 60);
    ASSERT_NE(view->TopItem(), nullptr);
    EXPECT_GT(view->TopItem()->Index(), 0);
    EXPECT_LT(selected->Index(), view->TopItem()->Index() + view->VisibleRowCount());
}
TEST_F(DirViewTest, SelectItemNewTellsWhichItemTheUserSelectedAndLeft) {
    File("one.jpg");
    File("two.jpg");
    view->SetPath(dir.Path());
    std::vector<std::string> events;
    const TDirView* sender = nullptr;
    int plain = 0; // the list view's own event still comes too
    view->OnSelectItem = [&](TListItem*, bool) { ++plain; };
    view->OnSelectItemNew = [&](TDirView& v, TListItem* item, bool selected) {
        sender = &v;
        events.push_back((selected ? "+" : "-") + (item ? TDirView::ItemData(item)->FileName : "?"));
    };
    ClickListItem(view->Handle(), view->FindFileItem("one.jpg")->Index());
    RunUntilIdle();
    ClickListItem(view->Handle(), view->FindFileItem("two.jpg")->Index());
    RunUntilIdle();
    EXPECT_EQ(sender, view.get());
    EXPECT_EQ(plain, 3);
    // The control may report the deselection for all items at once, without naming one.
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], "+one.jpg");
    EXPECT_TRUE(events[1] == "-one.jpg" || events[1] == "-?") << events[1];
    EXPECT_EQ(events[2], "+two.jpg");
}

} // namespace
