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

// The listing's own data stands for the disk: the item, its attributes and its names must be the
// ones a lookup of the name would give, or the tree would show or act on a different folder.
TEST_F(PIDLTest, AListedEntryParsesToTheItemALookupGives) {
    TempDir dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "Plain folder").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((dir / "Hidden Read Only").c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesA((dir / "Hidden Read Only").c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryA((dir / "Plain folder\\inner").c_str(), nullptr));
    testsupport::WriteFileBytes(dir / "note.txt", "x");
    UniquePidl folderList(PidlFromPath(dir.Path()));
    kovalin::ComPtr<IShellFolder> folder;
    ASSERT_TRUE(BindFolder(folderList.get(), folder));

    for (const char* name : {"Plain folder", "Hidden Read Only", "note.txt"}) {
        SCOPED_TRACE(name);
        WIN32_FIND_DATAA entry{};
        HANDLE find = FindFirstFileA((dir / name).c_str(), &entry);
        ASSERT_NE(find, INVALID_HANDLE_VALUE);
        FindClose(find);
        UniquePidl looked(PidlFromName(folder.get(), name));
        UniquePidl listed(PidlFromListedEntry(folder.get(), entry.cFileName, entry.cAlternateFileName,
                                              entry.dwFileAttributes));
        ASSERT_TRUE(looked && listed);
        EXPECT_EQ(HRESULT_CODE(folder->CompareIDs(0, looked.get(), listed.get())), 0);
        const ULONG mask = 0x800F0000 | SFGAO_FOLDER | SFGAO_FILESYSTEM;
        ULONG a = mask, b = mask;
        LPCITEMIDLIST la = looked.get(), lb = listed.get();
        ASSERT_HRESULT_SUCCEEDED(folder->GetAttributesOf(1, &la, &a));
        ASSERT_HRESULT_SUCCEEDED(folder->GetAttributesOf(1, &lb, &b));
        EXPECT_EQ(a & mask, b & mask);
        char parsing[MAX_PATH], shown[MAX_PATH];
        ASSERT_TRUE(StrRetToString(folder.get(), listed.get(), SHGDN_FORPARSING, parsing, sizeof parsing));
        EXPECT_EQ(parsing, dir / name);
        ASSERT_TRUE(StrRetToString(folder.get(), listed.get(), SHGDN_INFOLDER, shown, sizeof shown));
        char shownLooked[MAX_PATH];
        ASSERT_TRUE(
            StrRetToString(folder.get(), looked.get(), SHGDN_INFOLDER, shownLooked, sizeof shownLooked));
        EXPECT_STREQ(shown, shownLooked);
        // The folder's item binds to the folder itself.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            kovalin::ComPtr<IShellFolder> sub;
            ASSERT_HRESULT_SUCCEEDED(
                folder->BindToObject(listed.get(), nullptr, IID_IShellFolder, sub.put_void()));
            UniquePidl inner(PidlFromName(sub.get(), "inner"));
            EXPECT_EQ(static_cast<bool>(inner), std::string(name) == "Plain folder");
        }
    }
    EXPECT_EQ(PidlFromListedEntry(nullptr, "x", "", FILE_ATTRIBUTE_DIRECTORY), nullptr);
    EXPECT_EQ(PidlFromListedEntry(folder.get(), "", "", FILE_ATTRIBUTE_DIRECTORY), nullptr);
    // A name longer than an entry can hold goes to the disk, where it is not found.
    EXPECT_EQ(PidlFromListedEntry(folder.get(), std::string(300, 'a'), "", FILE_ATTRIBUTE_DIRECTORY),
              nullptr);
}

} // namespace
