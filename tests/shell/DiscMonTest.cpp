#include "shell/DiscMon.h"

#include "kovalin/Application.h"
#include "kovalin/Exceptions.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace kovalin;
using namespace shell;
using namespace testsupport;
using enum TMonitorFilter;

namespace {

void Append(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

void SetWriteTime(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SYSTEMTIME st{};
    st.wYear = 2001;
    st.wMonth = 5;
    st.wDay = 4;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
}

class DiscMonTest : public ::testing::Test {
protected:
    TempDir temp;
    std::string folder = temp / "watched";
    std::unique_ptr<TDiscMonitor> monitor;
    // Shared with the handlers, which may outlive the monitor in the tests that free it.
    std::shared_ptr<std::atomic<int>> changes = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> invalids = std::make_shared<std::atomic<int>>(0);
    DWORD handlerThread = 0;
    TDiscMonitor* sender = nullptr;

    void SetUp() override {
        Application().Initialize();
        CreateDirectoryA(folder.c_str(), nullptr);
        monitor = std::make_unique<TDiscMonitor>();
        monitor->SetChangeDelay(100);
        monitor->SetDirectory(folder);
        monitor->OnChange = [this, c = changes](TDiscMonitor& s) {
            ++*c;
            handlerThread = GetCurrentThreadId();
            sender = &s;
        };
        monitor->OnInvalid = [i = invalids](TDiscMonitor&) { ++*i; };
    }

    // Runs messages until the count reaches `expected`, then a little longer to catch extras.
    int Await(const std::atomic<int>& count, int expected, DWORD settleMs = 300) {
        PumpUntil([&] { return count >= expected; }, 5000);
        PumpMessages(settleMs);
        return count;
    }
    // Starts counting afresh once whatever is on its way has arrived.
    void Settle() {
        PumpMessages(300);
        *changes = 0;
        *invalids = 0;
    }
    std::string In(const std::string& name) const { return folder + "\\" + name; }
};

} // namespace

TEST_F(DiscMonTest, DefaultsAndFilterBits) {
    TDiscMonitor fresh;
    EXPECT_EQ(fresh.Directory(), "");
    EXPECT_EQ(fresh.Filters(), TMonitorFilters{moFilename});
    EXPECT_TRUE(fresh.SubTree());
    EXPECT_FALSE(fresh.Active());
    EXPECT_EQ(fresh.ChangeDelay(), 500);
    EXPECT_FALSE(fresh.ShowDesignMsg());
    EXPECT_EQ(MonitorFilterBits({moFilename}), 0x001u);
    EXPECT_EQ(MonitorFilterBits({moDirName}), 0x002u);
    EXPECT_EQ(MonitorFilterBits({moAttributes}), 0x004u);
    EXPECT_EQ(MonitorFilterBits({moSize}), 0x008u);
    EXPECT_EQ(MonitorFilterBits({moLastWrite}), 0x010u);
    EXPECT_EQ(MonitorFilterBits({moSecurity}), 0x100u);
    EXPECT_EQ(MonitorFilterBits({moFilename, moSize, moSecurity}), 0x109u);
}

TEST_F(DiscMonTest, ReportsCreationDeletionAndRenamingOnTheUIThread) {
    monitor->Open();
    Settle();
    WriteFileBytes(In("new.txt"), "x");
    EXPECT_EQ(Await(*changes, 1), 1);
    EXPECT_EQ(handlerThread, GetCurrentThreadId());
    EXPECT_EQ(sender, monitor.get());

    *changes = 0;
    MoveFileA(In("new.txt").c_str(), In("renamed.txt").c_str());
    EXPECT_EQ(Await(*changes, 1), 1);

    *changes = 0;
    DeleteFileA(In("renamed.txt").c_str());
    EXPECT_EQ(Await(*changes, 1), 1);
    EXPECT_EQ(*invalids, 0);
}

TEST_F(DiscMonTest, ReportsSizeAttributeWriteTimeAndFolderChangesByFilter) {
    WriteFileBytes(In("data.bin"), "1234");
    monitor->SetFilters({moSize});
    monitor->Open();
    Settle();
    Append(In("data.bin"), "5678");
    EXPECT_GE(Await(*changes, 1), 1) << "size";

    // Each new filter set moves the watch over without closing the monitor.
    monitor->SetFilters({moAttributes});
    Settle();
    SetFileAttributesA(In("data.bin").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_GE(Await(*changes, 1), 1) << "attributes";

    monitor->SetFilters({moLastWrite});
    Settle();
    SetFileAttributesA(In("data.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetWriteTime(In("data.bin"));
    EXPECT_GE(Await(*changes, 1), 1) << "last write";

    monitor->SetFilters({moDirName});
    Settle();
    CreateDirectoryA(In("sub").c_str(), nullptr);
    EXPECT_GE(Await(*changes, 1), 1) << "folder name";
    EXPECT_TRUE(monitor->Active());
}

TEST_F(DiscMonTest, IgnoresKindsOfChangeOutsideItsFilters) {
    WriteFileBytes(In("data.bin"), "1234");
    monitor->Open(); // file names only
    Settle();
    Append(In("data.bin"), "5678");
    SetFileAttributesA(In("data.bin").c_str(), FILE_ATTRIBUTE_HIDDEN);
    CreateDirectoryA(In("sub").c_str(), nullptr);
    PumpMessages(600);
    EXPECT_EQ(*changes, 0);
}

TEST_F(DiscMonTest, ABurstIsFoldedByTheDelay) {
    monitor->SetChangeDelay(500);
    monitor->Open();
    Settle();
    for (int i = 0; i < 10; ++i) {
        WriteFileBytes(In("burst" + std::to_string(i) + ".txt"), "x");
        Sleep(10);
    }
    PumpUntil([&] { return *changes >= 1; }, 5000);
    PumpMessages(1500);
    EXPECT_GE(*changes, 1);
    EXPECT_LE(*changes, 2);
}

TEST_F(DiscMonTest, AWatchedFolderThatGoesAwayIsInvalid) {
    monitor->Open();
    Settle();
    // The folder's own notification says nothing about its renaming.
    std::string moved = temp / "moved";
    ASSERT_TRUE(MoveFileA(folder.c_str(), moved.c_str()));
    EXPECT_EQ(Await(*invalids, 1), 1);

    // Removed the way the browser removes folders: watching stops for the operation and starts
    // again after it. (Removed while watched, Wine keeps the folder until the watch lets go.)
    ASSERT_TRUE(MoveFileA(moved.c_str(), folder.c_str()));
    monitor->Close();
    monitor->Open();
    Settle();
    monitor->Close();
    DeleteTree(folder);
    ASSERT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    monitor->Open();
    EXPECT_EQ(Await(*invalids, 1), 1);
    EXPECT_EQ(*changes, 0);
}

TEST_F(DiscMonTest, AFolderThatCannotBeWatchedIsReportedOnceUntilNewParameters) {
    monitor->SetDirectory(temp / "missing");
    monitor->Open();
    EXPECT_EQ(Await(*invalids, 1, 500), 1);
    EXPECT_TRUE(monitor->Active());

    monitor->SetDirectory("");
    EXPECT_EQ(Await(*invalids, 2, 500), 2);

    monitor->SetDirectory(folder);
    Settle();
    WriteFileBytes(In("new.txt"), "x");
    EXPECT_EQ(Await(*changes, 1), 1);
    EXPECT_EQ(*invalids, 0);
}

TEST_F(DiscMonTest, ChangingTheDirectoryWhileActiveMovesTheWatch) {
    std::string other = temp / "other";
    CreateDirectoryA(other.c_str(), nullptr);
    monitor->Open();
    monitor->SetDirectory(other);
    Settle();
    EXPECT_TRUE(monitor->Active());
    EXPECT_EQ(monitor->Directory(), other);
    WriteFileBytes(In("old-place.txt"), "x");
    PumpMessages(500);
    EXPECT_EQ(*changes, 0);
    WriteFileBytes(other + "\\new-place.txt", "x");
    EXPECT_EQ(Await(*changes, 1), 1);
}

TEST_F(DiscMonTest, AnEmptyFilterSetIsRefusedAndWatchingGoesOn) {
    monitor->Open();
    try {
        monitor->SetFilters({});
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Some filter condition must be set.");
    }
    EXPECT_EQ(monitor->Filters(), TMonitorFilters{moFilename});
    Settle();
    WriteFileBytes(In("new.txt"), "x");
    EXPECT_EQ(Await(*changes, 1), 1);
}

TEST_F(DiscMonTest, AClosedMonitorReportsNothingAndReopensOnAFreshWatch) {
    monitor->Open();
    Settle();
    monitor->Close();
    WriteFileBytes(In("while-closed.txt"), "x");
    PumpMessages(500);
    EXPECT_EQ(*changes, 0);

    monitor->Open();
    PumpMessages(500);
    EXPECT_EQ(*changes, 0) << "what changed while closed is not reported";
    WriteFileBytes(In("after.txt"), "x");
    EXPECT_EQ(Await(*changes, 1), 1);
}

TEST_F(DiscMonTest, SubTreeDecidesWhetherChangesInSubfoldersCount) {
    // Wine sees changes only in subfolders made after the watch began, so the tests make theirs
    // then.
    monitor->Open();
    Settle();
    CreateDirectoryA(In("sub").c_str(), nullptr);
    PumpMessages(300);
    *changes = 0;
    WriteFileBytes(In("sub\\deep.txt"), "x");
    EXPECT_EQ(Await(*changes, 1), 1);

    monitor->SetSubTree(false);
    Settle();
    CreateDirectoryA(In("sub2").c_str(), nullptr);
    PumpMessages(300);
    WriteFileBytes(In("sub2\\deep.txt"), "x");
    PumpMessages(500);
    EXPECT_EQ(*changes, 0);
}

TEST_F(DiscMonTest, FreeingAMonitorWhileChangesArriveReturnsPromptly) {
    monitor->SetChangeDelay(20);
    monitor->Open();
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            std::string name = In("churn" + std::to_string(i % 20) + ".txt");
            WriteFileBytes(name, "x");
            DeleteFileA(name.c_str());
        }
    });
    PumpUntil([&] { return *changes >= 3; }, 5000);
    DWORD start = GetTickCount();
    monitor.reset();
    DWORD took = GetTickCount() - start;
    int seen = *changes;
    PumpMessages(300);
    stop = true;
    writer.join();
    EXPECT_GE(seen, 3);
    EXPECT_LT(took, 1000u);
    EXPECT_EQ(*changes, seen) << "nothing is reported once freeing has begun";
}

TEST_F(DiscMonTest, FreeingAMonitorWhoseReportWaitsForTheUIThreadDropsIt) {
    monitor->SetChangeDelay(0);
    monitor->Open();
    Settle();
    WriteFileBytes(In("new.txt"), "x");
    // No messages run: the worker signals and then waits for this thread to take its report.
    Sleep(500);
    DWORD start = GetTickCount();
    monitor.reset();
    EXPECT_LT(GetTickCount() - start, 1000u);
    PumpMessages(200);
    EXPECT_EQ(*changes, 0);
}

TEST_F(DiscMonTest, AHandlerMayFreeItsMonitor) {
    monitor->OnChange = [this](TDiscMonitor&) {
        ++*changes;
        monitor.reset();
    };
    monitor->Open();
    Settle();
    WriteFileBytes(In("new.txt"), "x");
    EXPECT_TRUE(PumpUntil([&] { return !monitor; }, 5000));
    EXPECT_EQ(*changes, 1);
}

TEST_F(DiscMonTest, AHandlerMayCloseItsMonitor) {
    // As the drive tree answers a folder it cannot watch.
    monitor->SetDirectory(temp / "missing");
    monitor->OnInvalid = [i = invalids](TDiscMonitor& m) {
        ++*i;
        m.Close();
    };
    monitor->Open();
    EXPECT_EQ(Await(*invalids, 1), 1);
    EXPECT_FALSE(monitor->Active());

    monitor->SetDirectory(folder);
    monitor->Open();
    Settle();
    WriteFileBytes(In("new.txt"), "x");
    EXPECT_EQ(Await(*changes, 1), 1);
}
