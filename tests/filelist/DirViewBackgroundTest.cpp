// The file list's background work: change watching, the icon update thread and folder sizes.
// The whole group runs 20 times in one process as well (its own ctest entry), to shake out races.
#include "filelist/DirView.h"
#include "filelist/IconUpdateThread.h"
#include "kovalin/Application.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Form.h"
#include "shell/DiscMon.h"
#include "tests/support/HostFiles.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace filelist;
using namespace kovalin;
using namespace testsupport;

namespace {

constexpr int64_t kBig = 5368709120; // 5 GB

std::string Numbered(const char* pattern, int n) {
    char name[64];
    std::snprintf(name, sizeof name, pattern, n);
    return name;
}

// The text the control shows in a cell.
std::string CellText(TListView& list, int index, int column) {
    char buffer[128] = "";
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(list.Handle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
    return buffer;
}

std::string Grouped(int64_t value) {
    char separator[8] = ",";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof separator);
    const std::string digits = std::to_string(value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
        out += digits[i];
    }
    return out;
}

class DirViewBackgroundTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize();
        form = std::make_unique<TForm>(
            TFormParams{.caption = "Background", .clientWidth = 400, .clientHeight = 300});
        view = std::make_unique<TDirView>(
            *form, TListView::Params{.width = 400, .height = 300, .viewStyle = TViewStyle::vsReport}, drives);
        view->OnChangeDetected = [this](TDirView&) {
            ++detected;
            detectedTick = GetTickCount();
        };
        view->OnChangeInvalid = [this](TDirView&) { ++invalid; };
        view->OnFileSizeChanged = [this](TDirView& v, TListItem& item) {
            sizeReports.push_back(v.ItemFullFileName(&item));
        };
    }
    void TearDown() override {
        view.reset();
        form.reset();
    }
    void Folder(const std::string& path) const {
        ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
    }
    const TFileRec* Rec(const std::string& name) const {
        TListItem* item = view->FindFileItem(name);
        return item ? TDirView::ItemData(item) : nullptr;
    }
    // Rows from the top one, as many as the list shows.
    std::vector<int> VisibleRows() const {
        std::vector<int> rows;
        const TListItem* top = view->TopItem();
        const int first = top ? top->Index() : 0;
        for (int i = first; i < std::min(view->ItemCount(), first + view->VisibleRowCount()); ++i)
            rows.push_back(i);
        return rows;
    }
    // KOVALIN_HOLD_MS keeps the window up for a screenshot taken from outside.
    static void HoldForALook() {
        if (const char* ms = std::getenv("KOVALIN_HOLD_MS")) PumpMessages(static_cast<DWORD>(std::atoi(ms)));
    }
    bool VisibleIconsKnown() const {
        for (int i : VisibleRows())
            if (view->ItemData(i)->IconPending) return false;
        return true;
    }

    shell::TDriveInfo drives;
    TempDir dir;
    std::unique_ptr<TForm> form;
    std::unique_ptr<TDirView> view;
    int detected = 0, invalid = 0;
    DWORD detectedTick = 0;
    std::vector<std::string> sizeReports;
};

} // namespace

TEST_F(DirViewBackgroundTest, ABurstOfChangesGivesOneRefreshOneIntervalAfterTheLast) {
    constexpr UINT kInterval = 250;
    view->SetChangeInterval(0);
    EXPECT_EQ(view->ChangeInterval(), 1000u);
    view->SetChangeInterval(kInterval);
    view->SetWatchForChanges(true);
    view->SetPath(dir.Path());
    ASSERT_TRUE(view->WatchThreadActive());
    int updates = 0;
    view->OnDirUpdated = [&](TDirView&) { ++updates; };

    DWORD lastChange = 0;
    for (int i = 0; i < 10; ++i) {
        WriteFileBytes(dir / Numbered("new%d.txt", i), "x");
        lastChange = GetTickCount();
        PumpMessages(20);
    }
    ASSERT_TRUE(PumpUntil([&] { return detected > 0; }, 5000));
    EXPECT_GE(detectedTick - lastChange, kInterval - 20);
    PumpMessages(2 * kInterval);
    EXPECT_EQ(detected, 1);
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(view->ItemCount(), 11); // the new files and ".."
    // The refresh took up what the change asked for.
    EXPECT_FALSE(view->LoadPending());
    EXPECT_TRUE(view->WatchThreadActive());
}

TEST_F(DirViewBackgroundTest, ADriveInNoCheckDrivesIsNeverWatchedAndACommandsOwnChangeNeedsNoRefresh) {
    view->SetChangeInterval(100);
    view->SetNoCheckDrives(std::string(1, static_cast<char>(std::tolower(dir.Path()[0]))));
    view->SetWatchForChanges(true);
    view->SetPath(dir.Path());
    EXPECT_EQ(view->ChangeMonitor(), nullptr);
    EXPECT_FALSE(view->WatchThreadActive());
    WriteFileBytes(dir / "unseen.txt", "x");
    PumpMessages(300);
    EXPECT_EQ(detected, 0);
    EXPECT_EQ(view->FindFileItem("unseen.txt"), nullptr);

    view->SetNoCheckDrives("");
    view->Reload(true);
    ASSERT_TRUE(view->WatchThreadActive());
    ASSERT_NE(view->CreateDirectory("made"), nullptr);
    EXPECT_TRUE(view->WatchThreadActive());
    PumpMessages(300);
    EXPECT_EQ(detected, 0);

    view->SetWatchForChanges(false);
    EXPECT_EQ(view->ChangeMonitor(), nullptr);
}

TEST_F(DirViewBackgroundTest, AWatchedFolderThatGoesAwayRaisesOnChangeInvalid) {
    const std::string watched = dir / "watched";
    Folder(watched);
    view->SetWatchForChanges(true);
    view->SetPath(watched);
    ASSERT_TRUE(view->WatchThreadActive());
    PumpMessages(100);
    ASSERT_TRUE(MoveFileA(watched.c_str(), (dir / "moved").c_str()));
    ASSERT_TRUE(PumpUntil([&] { return invalid > 0; }, 5000));
    EXPECT_EQ(invalid, 1);
    EXPECT_FALSE(view->WatchThreadActive());
}

TEST_F(DirViewBackgroundTest, TheIconThreadFetchesTheRowsInViewAndFollowsAScroll) {
    constexpr int kFiles = 80;
    for (int i = 0; i < kFiles; ++i)
        WriteFileBytes(dir / Numbered("p%03d.exe", i), "MZ");
    std::mutex lock;
    std::map<int, int> queries;
    view->OnIconQuery = [&](int index) {
        std::lock_guard<std::mutex> guard(lock);
        ++queries[index];
    };
    view->SetUseIconUpdateThread(true);
    form->Show();
    view->SetPath(dir.Path());
    ASSERT_NE(view->IconThread(), nullptr);
    auto settled = [&] { return VisibleIconsKnown() && view->IconThread()->Waiting(); };
    ASSERT_TRUE(PumpUntil(settled, 10000));
    const int rows = view->VisibleRowCount();
    ASSERT_GT(rows, 5);
    {
        std::lock_guard<std::mutex> guard(lock);
        ASSERT_FALSE(queries.empty());
        for (const auto& [index, count] : queries) {
            EXPECT_EQ(count, 1) << index;
            EXPECT_LE(index, 2 * rows) << "far below the rows in view";
        }
        queries.clear();
    }
    HoldForALook();

    view->Item(kFiles).MakeVisible(false); // the last file, after ".."
    ASSERT_TRUE(PumpUntil(settled, 10000));
    std::lock_guard<std::mutex> guard(lock);
    const int top = view->TopItem()->Index();
    EXPECT_GT(top, kFiles / 2);
    for (int i : VisibleRows())
        EXPECT_EQ(queries[i], 1) << i;
    for (const auto& [index, count] : queries) {
        EXPECT_LE(count, 1) << index;
        EXPECT_GE(index, top - rows) << "rows scrolled past were not asked for";
    }
}

TEST_F(DirViewBackgroundTest, FolderSizesAppearWithShowSubDirSizeAndGoWhenItIsOff) {
    Folder(dir / "s1");
    Folder(dir / "s1\\inner");
    WriteFileBytes(dir / "s1\\a.bin", std::string(100, 'a'));
    WriteFileBytes(dir / "s1\\inner\\b.bin", std::string(250, 'b'));
    Folder(dir / "s2");
    MakeSparseFile(dir / "s2\\big.bin", kBig);
    Folder(dir / "s3");
    view->SetSortColumn(1);
    form->Show();
    view->SetPath(dir.Path());
    EXPECT_EQ(view->SubDirScannerCount(), 0);

    view->SetShowSubDirSize(true);
    EXPECT_EQ(view->SubDirScannerCount(), 3);
    ASSERT_TRUE(PumpUntil([&] { return view->SubDirScannerCount() == 0; }, 10000));
    EXPECT_EQ(Rec("s1")->Size, 350);
    EXPECT_EQ(Rec("s2")->Size, kBig);
    EXPECT_EQ(Rec("s3")->Size, 0);
    std::sort(sizeReports.begin(), sizeReports.end());
    EXPECT_EQ(sizeReports, (std::vector<std::string>{dir / "s1", dir / "s2", dir / "s3"}));
    const int big = view->FindFileItem("s2")->Index();
    EXPECT_EQ(CellText(*view, big, 1), Grouped(kBig));
    // Sorted by size once the last size came in.
    EXPECT_LT(view->FindFileItem("s3")->Index(), view->FindFileItem("s1")->Index());
    EXPECT_LT(view->FindFileItem("s1")->Index(), big);
    HoldForALook();

    view->SetShowSubDirSize(false);
    EXPECT_EQ(view->SubDirScannerCount(), 0);
    EXPECT_EQ(CellText(*view, big, 1), "");
}

TEST_F(DirViewBackgroundTest, LeavingAFolderWhileItsScannersRunLeavesTheNewFolderAlone) {
    const std::string old = dir / "old";
    Folder(old);
    Folder(old + "\\same");
    for (int i = 0; i < 30; ++i) {
        const std::string sub = old + "\\same\\" + std::to_string(i);
        Folder(sub);
        WriteFileBytes(sub + "\\f", "12345");
    }
    const std::string other = dir / "other";
    Folder(other);
    Folder(other + "\\same");
    WriteFileBytes(other + "\\same\\g", "1");

    view->SetShowSubDirSize(true);
    view->SetPath(old);
    EXPECT_EQ(view->SubDirScannerCount(), 1);
    view->SetPath(other);
    ASSERT_TRUE(PumpUntil([&] { return view->SubDirScannerCount() == 0; }, 10000));
    PumpMessages(50);
    EXPECT_EQ(Rec("same")->Size, 1);
    EXPECT_EQ(sizeReports, std::vector<std::string>{other + "\\same"});
}

TEST_F(DirViewBackgroundTest, CommandsAndSortsHoldTheBackgroundWorkAndStartItAgain) {
    Folder(dir / "f");
    WriteFileBytes(dir / "f\\x", "123");
    WriteFileBytes(dir / "p.exe", "MZ");
    view->SetUseIconUpdateThread(true);
    view->SetShowSubDirSize(true);
    view->SetPath(dir.Path());
    ASSERT_NE(view->IconThread(), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return view->SubDirScannerCount() == 0; }, 10000));
    EXPECT_EQ(Rec("f")->Size, 3);

    view->SortItems();
    EXPECT_NE(view->IconThread(), nullptr);
    EXPECT_FALSE(view->IconThreadDone());

    WriteFileBytes(dir / "f\\y", "4567");
    view->FindFileItem("p.exe")->SetSelected(true);
    view->SetConfirmDelete(false);
    ASSERT_TRUE(view->DeleteSelectedFiles(false));
    EXPECT_EQ(view->FindFileItem("p.exe"), nullptr);
    EXPECT_NE(view->IconThread(), nullptr);
    // The scanners started again after the delete and count what came meanwhile.
    ASSERT_TRUE(PumpUntil([&] { return view->SubDirScannerCount() == 0 && Rec("f")->Size == 7; }, 10000));
}

// Not in the repeated group: stopping a thread that does not end takes its two seconds.
TEST(DirViewStuckIconThreadTest, AThreadThatNeverEndsGivesTheErrorAndIsLetGo) {
    Application().Initialize();
    shell::TDriveInfo drives;
    TempDir dir;
    WriteFileBytes(dir / "stuck.exe", "MZ");
    TForm form(TFormParams{.caption = "Stuck", .clientWidth = 300, .clientHeight = 200});
    auto view = std::make_unique<TDirView>(
        form, TListView::Params{.width = 300, .height = 200, .viewStyle = TViewStyle::vsReport}, drives);
    HANDLE entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    view->OnIconQuery = [&](int) {
        SetEvent(entered);
        WaitForSingleObject(release, 60000);
    };
    view->SetUseIconUpdateThread(true);
    form.Show();
    view->SetPath(dir.Path());
    ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(entered, 0) == WAIT_OBJECT_0; }, 10000));

    const DWORD start = GetTickCount();
    try {
        view->StopIconUpdateThread();
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Can't terminate icon update thread.");
    }
    EXPECT_GE(GetTickCount() - start, 1900u);
    EXPECT_EQ(view->IconThread(), nullptr);
    EXPECT_TRUE(view->IconThreadDone());
    // The list goes on without it, and with a new one; the old one ends once the shell returns.
    view->OnIconQuery = nullptr;
    view->Reload(true);
    EXPECT_NE(view->IconThread(), nullptr);
    view.reset();
    SetEvent(release);
    Sleep(100);
    CloseHandle(entered);
    CloseHandle(release);
}
