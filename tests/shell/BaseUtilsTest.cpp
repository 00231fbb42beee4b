#include "shell/BaseUtils.h"
#include "tests/support/TestFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace shell;
using testsupport::TempDir;

TEST(BaseUtilsTest, ExistenceChecksOnRealEntries) {
    TempDir dir;
    testsupport::WriteFileBytes(dir / "file.txt", "x");
    CreateDirectoryA((dir / "sub").c_str(), nullptr);
    EXPECT_TRUE(DirExists(dir.Path()));
    EXPECT_TRUE(DirExists(dir / "sub"));
    EXPECT_FALSE(DirExists(dir / "file.txt"));
    EXPECT_FALSE(DirExists(dir / "none"));
    EXPECT_FALSE(DirExists(""));
    EXPECT_TRUE(DirExists("Q:")); // drive roots count without a look
    EXPECT_TRUE(DirExists("Q:\\"));
    EXPECT_TRUE(FileOrDirExists(dir / "file.txt"));
    EXPECT_TRUE(FileOrDirExists(dir / "sub"));
    EXPECT_FALSE(FileOrDirExists(""));
    EXPECT_FALSE(FileOrDirExists(dir / "none"));
    EXPECT_TRUE(FileExistsRO(dir / "file.txt"));
    EXPECT_FALSE(FileExistsRO(dir / "none"));
    // A file someone holds open exclusively cannot be read.
    HANDLE locked = CreateFileA((dir / "file.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FileExistsRO(dir / "file.txt"));
    CloseHandle(locked);
}

TEST(BaseUtilsTest, TextHelpers) {
    EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(IncludeTrailingBackslash(""), "");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\a\\"), "C:\\a");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\"), "C:");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\a"), "C:\\a");
    EXPECT_TRUE(ContainsChars("\\/:*?", "a?b"));
    EXPECT_FALSE(ContainsChars("\\/:*?", "plain name.txt"));
    EXPECT_FALSE(ContainsChars("", "abc"));
    EXPECT_EQ(ReplaceChars("a/b:c", "/\\:_"), "a\\b_c");
    EXPECT_EQ(ReplaceChars("a/b", "/\\:"), "a/b"); // odd-length pairs do nothing
    EXPECT_EQ(FileNameWithoutExt("C:\\dir.d\\photo.final.jpg"), "photo.final");
    EXPECT_EQ(FileNameWithoutExt("C:\\dir.d\\noext"), "noext");
    EXPECT_EQ(FileNameWithoutExt("name.txt"), "name");
}

TEST(BaseUtilsTest, ThousandsUseTheLocaleSeparator) {
    char sep[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, sep, sizeof sep);
    std::string s(sep);
    EXPECT_EQ(FormatThousands(1234567), "1" + s + "234" + s + "567");
    EXPECT_EQ(FormatThousands(999), "999");
    EXPECT_EQ(FormatThousands(1000), "1" + s + "000");
    EXPECT_EQ(FormatThousands(0), "0");
    EXPECT_EQ(FormatThousands(-1234), "1" + s + "234");
    EXPECT_EQ(FormatThousands(INT64_MIN),
              "9" + s + "223" + s + "372" + s + "036" + s + "854" + s + "775" + s + "808");
}
