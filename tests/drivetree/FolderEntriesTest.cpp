#include "shell/FolderEntries.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <random>

using namespace shell;
using namespace testsupport;

namespace {

// Entries in InNameOrder must never step backwards in the locale's case-insensitive order.
void ExpectInLocaleOrder(const std::vector<std::string>& names) {
    std::vector<DirEntry> dirs;
    for (const std::string& n : names)
        dirs.push_back(DirEntry{FILE_ATTRIBUTE_DIRECTORY, {}, n});
    std::vector<size_t> order = InNameOrder(dirs);
    ASSERT_EQ(order.size(), names.size());
    for (size_t i = 1; i < order.size(); ++i) {
        const std::string& a = names[order[i - 1]];
        const std::string& b = names[order[i]];
        EXPECT_NE(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1),
                  CSTR_GREATER_THAN)
            << '"' << a << "\" before \"" << b << '"';
    }
}

std::vector<std::string> RandomNames(const std::string& alphabet, int count) {
    std::mt19937 random(4711);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        std::string name;
        for (size_t n = 1 + random() % 8; n > 0; --n)
            name += alphabet[random() % alphabet.size()];
        names.push_back(name);
    }
    return names;
}

TEST(FolderEntriesTest, NamesComeInTheLocalesOrder) {
    // Letters, digits and blanks only (ordered without sort keys), and names with other marks.
    ExpectInLocaleOrder(RandomNames("aAbBzZ09 5", 400));
    ExpectInLocaleOrder(RandomNames("aAbZ09 -_'.~\xE9\xC9", 400));
    ExpectInLocaleOrder({});
}

TEST(FolderEntriesTest, FoldersAreListedWithoutFilesOrDots) {
    TempDir dir;
    CreateDirectoryA((dir / "Long folder name").c_str(), nullptr);
    CreateDirectoryA((dir / "Long folder name\\inner").c_str(), nullptr);
    CreateDirectoryA((dir / "b").c_str(), nullptr);
    WriteFileBytes(dir / "file.txt", std::string(300, 'x'));
    WriteFileBytes(dir / "b\\f", std::string(20, 'x'));
    std::vector<DirEntry> dirs = ListSubDirs(dir.Path() + "\\");
    ASSERT_EQ(dirs.size(), 2u);
    std::vector<size_t> order = InNameOrder(dirs);
    EXPECT_EQ(dirs[order[0]].name, "b");
    EXPECT_EQ(dirs[order[1]].name, "Long folder name");
    EXPECT_TRUE(dirs[order[1]].attr & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(HasSubFolder(dir.Path() + "\\"));
    EXPECT_TRUE(HasSubFolder(dir / "Long folder name\\"));
    EXPECT_FALSE(HasSubFolder(dir / "b\\"));
    EXPECT_EQ(FilesSize(dir.Path() + "\\"), 300);
    EXPECT_TRUE(FolderExists(dir / "b"));
    EXPECT_FALSE(FolderExists(dir / "file.txt"));
    EXPECT_TRUE(ListSubDirs(dir / "no such folder\\").empty());
    EXPECT_EQ(FilesSize(dir / "no such folder\\"), 0);
}

} // namespace
