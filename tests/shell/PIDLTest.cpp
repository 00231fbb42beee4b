#include "shell/PIDL.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace shell;
using testsupport::TempDir;

namespace {

class PIDLTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(PIDLTest, SizesCopiesAndConcatenation) {
    EXPECT_EQ(PidlSize(nullptr), 0u);
    UniquePidl empty(PidlAlloc(2));
    ASSERT_TRUE(empty);
    EXPECT_EQ(PidlSize(empty.get()), 2u);
    EXPECT_EQ(PidlNext(empty.get()), nullptr);

    TempDir dir;
    UniquePidl folder(PidlFromPath(dir.Path()));
    ASSERT_TRUE(folder);
    UniquePidl copy(PidlCopy(folder.get()));
    EXPECT_NE(copy.get(), folder.get());
    EXPECT_TRUE(PidlCompare(copy.get(), folder.get()));
    EXPECT_FALSE(PidlCompare(copy.get(), nullptr));
    EXPECT_FALSE(PidlCompare(nullptr, nullptr));

    UniquePidl joined(PidlConcat(nullptr, folder.get()));
    EXPECT_TRUE(PidlCompare(joined.get(), folder.get()));
    UniquePidl same(PidlConcat(folder.get(), empty.get()));
    EXPECT_TRUE(PidlCompare(same.get(), folder.get()));
    EXPECT_EQ(PidlSize(same.get()), PidlSize(folder.get()));
}

TEST_F(PIDLTest, SplitAndRejoinAFilesList) {
    TempDir dir;
    testsupport::WriteFileBytes(dir / "file.txt", "x");
    UniquePidl full(PidlFromPath(dir / "file.txt"));
    ASSERT_TRUE(full);
    LPITEMIDLIST parent = nullptr, item = nullptr;
    PidlSplit(full.get(), parent, item);
    UniquePidl parentOwner(parent), itemOwner(item);
    ASSERT_TRUE(parent && item);
    UniquePidl folder(PidlFromPath(dir.Path()));
    EXPECT_TRUE(PidlCompare(parent, folder.get()));
    EXPECT_EQ(PidlNext(PidlNext(item)), nullptr); // one item only
    UniquePidl rejoined(PidlConcat(parent, item));
    EXPECT_TRUE(PidlCompare(rejoined.get(), full.get()));

    kovalin::ComPtr<IShellFolder> shellFolder;
    ASSERT_TRUE(BindFolder(parent, shellFolder));
    char name[MAX_PATH];
    ASSERT_TRUE(
        StrRetToString(shellFolder.get(), item, SHGDN_INFOLDER | SHGDN_FORPARSING, name, sizeof name));
    EXPECT_STREQ(name, "file.txt");
    UniquePidl byName(PidlFromName(shellFolder.get(), "file.txt"));
    EXPECT_TRUE(PidlCompare(byName.get(), item));
    // A tiny buffer still gets a terminated prefix.
    char tiny[4];
    ASSERT_TRUE(
        StrRetToString(shellFolder.get(), item, SHGDN_INFOLDER | SHGDN_FORPARSING, tiny, sizeof tiny));
    EXPECT_STREQ(tiny, "fil");

    LPITEMIDLIST p2 = nullptr, i2 = nullptr;
    PidlSplit(nullptr, p2, i2);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(i2, nullptr);
}

TEST_F(PIDLTest, DesktopAndUnparsablePaths) {
    UniquePidl empty(PidlAlloc(2));
    kovalin::ComPtr<IShellFolder> desktop;
    ASSERT_TRUE(BindFolder(empty.get(), desktop));
    EXPECT_TRUE(desktop);
    EXPECT_FALSE(BindFolder(nullptr, desktop));

    TempDir dir;
    EXPECT_EQ(PidlFromPath(""), nullptr);
    EXPECT_EQ(PidlFromPath(dir / "missing\\deeper"), nullptr);
    EXPECT_EQ(PidlFromPath("C:\\bad<>|name"), nullptr);
    EXPECT_EQ(PidlFromPath(std::string(5000, 'a')), nullptr);
    EXPECT_EQ(PidlFromName(nullptr, "x"), nullptr);
}

} // namespace
