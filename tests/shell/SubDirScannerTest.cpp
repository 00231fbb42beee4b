#include "shell/SubDirScanner.h"

#include "kovalin/Application.h"
#include "tests/support/HostFiles.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

using namespace shell;
using namespace testsupport;

namespace {

constexpr int64_t kBig = 5368709120; // 5 GB, beyond what 32 bits hold

class SubDirScannerTest : public ::testing::Test {
protected:
    void SetUp() override { kovalin::Application().Initialize(); }

    // a\1.bin, a\b\2.bin, a\b\c\ (empty), a\b\d\3.bin, a\empty.bin: 1000 + 2345 + 77 bytes.
    std::string SmallTree() {
        const std::string a = dir / "a";
        CreateDirectoryA(a.c_str(), nullptr);
        CreateDirectoryA((a + "\\b").c_str(), nullptr);
        CreateDirectoryA((a + "\\b\\c").c_str(), nullptr);
        CreateDirectoryA((a + "\\b\\d").c_str(), nullptr);
        WriteFileBytes(a + "\\1.bin", std::string(1000, 'x'));
        WriteFileBytes(a + "\\b\\2.bin", std::string(2345, 'y'));
        WriteFileBytes(a + "\\b\\d\\3.bin", std::string(77, 'z'));
        WriteFileBytes(a + "\\empty.bin", "");
        return a;
    }

    TempDir dir;
};

} // namespace

TEST_F(SubDirScannerTest, SumsEveryFileBelowTheFolderInSixtyFourBits) {
    const std::string a = SmallTree();
    ASSERT_FALSE(HostPath(a).empty());
    MakeSparseFile(a + "\\b\\c\\big.bin", kBig);
    for (const std::string& start : {a, a + "\\"}) {
        bool completed = false;
        EXPECT_EQ(SumFolderSizes(
                      start, [] { return false; }, completed),
                  1000 + 2345 + 77 + kBig);
        EXPECT_TRUE(completed);
    }
}

TEST_F(SubDirScannerTest, AFolderThatCannotBeListedAddsNothingButAStopLeavesTheWalkIncomplete) {
    bool completed = false;
    EXPECT_EQ(SumFolderSizes(
                  dir / "missing", [] { return false; }, completed),
              0);
    EXPECT_TRUE(completed);

    const std::string a = SmallTree();
    // Asked before and after each entry: stopping at any of those points ends the walk there.
    for (int stopAt : {1, 2, 5, 9}) {
        int asked = 0;
        completed = true;
        const int64_t partial = SumFolderSizes(
            a, [&] { return ++asked >= stopAt; }, completed);
        EXPECT_FALSE(completed) << stopAt;
        EXPECT_EQ(asked, stopAt);
        EXPECT_LT(partial, 1000 + 2345 + 77);
    }
}

TEST_F(SubDirScannerTest, HandsTheTotalOverOnTheUIThreadThenEnds) {
    const std::string a = SmallTree();
    DWORD handedOn = 0, endedOn = 0;
    int64_t handed = -1;
    bool ended = false;
    auto scanner = std::make_unique<TSubDirScanner>(
        a, "a",
        [&](TSubDirScanner& s) {
            handedOn = GetCurrentThreadId();
            handed = s.Total();
            EXPECT_EQ(s.Path(), a);
            EXPECT_EQ(s.Caption(), "a");
        },
        [&](TSubDirScanner&) {
            endedOn = GetCurrentThreadId();
            ended = true;
        });
    EXPECT_EQ(scanner->Priority(), THREAD_PRIORITY_BELOW_NORMAL);
    ASSERT_TRUE(PumpUntil([&] { return ended; }, 10000));
    EXPECT_EQ(handed, 1000 + 2345 + 77);
    EXPECT_EQ(handedOn, GetCurrentThreadId());
    EXPECT_EQ(endedOn, GetCurrentThreadId());
    scanner.reset();
}

TEST_F(SubDirScannerTest, AScannerToldToStopReportsNothingButStillEnds) {
    const std::string root = dir / "many";
    CreateDirectoryA(root.c_str(), nullptr);
    for (int i = 0; i < 20; ++i) {
        const std::string sub = root + "\\" + std::to_string(i);
        CreateDirectoryA(sub.c_str(), nullptr);
        WriteFileBytes(sub + "\\f", "1234");
    }
    bool handed = false;
    int ends = 0;
    // The hand-over needs this thread, which is not pumping: a stop before the pump always wins.
    TSubDirScanner scanner(
        root, "many", [&](TSubDirScanner&) { handed = true; }, [&](TSubDirScanner&) { ++ends; });
    scanner.Terminate();
    scanner.WaitFor();
    EXPECT_FALSE(handed);
    EXPECT_EQ(ends, 1);
}
