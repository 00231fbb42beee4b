#include "plugins/logo/GIFImage.h"
#include "plugins/logo/LogoFile.h"
#include "tests/plugins/logo/LogoImages.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace kvlogo;
using namespace testsupport;

namespace {

std::string Names(const std::string& folder) {
    std::string names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = fd.cFileName;
        if (n != "." && n != "..") names += (names.empty() ? "" : " ") + n;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

TEST(LogoFileTest, FoldersAndFileNames) {
    EXPECT_EQ(ExtractFileDrive("C:\\WINDOWS\\"), "C:");
    EXPECT_EQ(ExtractFileDrive("\\\\server\\share\\windows\\"), "\\\\server\\share");
    EXPECT_EQ(ExtractFileDrive("windows"), "");
    TLogoFolders f{"D:\\WIN98\\", "D:\\"};
    EXPECT_EQ(LogoFilePath(f, TLogoKind::lkStartUp), "D:\\logo.sys");
    EXPECT_EQ(LogoFilePath(f, TLogoKind::lkShuttingDown), "D:\\WIN98\\logow.sys");
    EXPECT_EQ(LogoFilePath(f, TLogoKind::lkTurnOff), "D:\\WIN98\\logos.sys");
    TLogoFolders system = GetLogoFolders();
    EXPECT_EQ(system.windows.back(), '\\');
    EXPECT_EQ(system.root, system.windows.substr(0, 3));
}

TEST(LogoFileTest, WritingReplacesOnlyWithACompleteFile) {
    TempDir dir;
    std::string path = dir / "logo.sys";
    WriteFileReplacing(path, "first");
    EXPECT_EQ(ReadFileBytes(path), "first");
    WriteFileReplacing(path, "second, longer");
    EXPECT_EQ(ReadFileBytes(path), "second, longer");
    EXPECT_EQ(Names(dir.Path()), "logo.sys");

    // A file in use by someone who shares nothing: an error, and the file as it was.
    HANDLE busy = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    EXPECT_THROW(WriteFileReplacing(path, "third"), EFCreateError);
    CloseHandle(busy);
    EXPECT_EQ(ReadFileBytes(path), "second, longer");

    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    try {
        WriteFileReplacing(path, "fourth");
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<unsigned long>(ERROR_ACCESS_DENIED));
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + path + "\"", 0), 0u) << e.what();
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(path), "second, longer");
    EXPECT_EQ(Names(dir.Path()), "logo.sys");

    EXPECT_THROW(WriteFileReplacing(dir / "no such folder\\logo.sys", "x"), EFCreateError);
}

TEST(LogoFileTest, ReplacingByRenamingPutsTheOldFileBackOnFailure) {
    TempDir dir;
    std::string path = dir / "logos.sys", fresh = dir / "new.tmp";
    WriteFileBytes(path, "old");
    WriteFileBytes(fresh, "new");
    ReplaceByRenaming(fresh, path);
    EXPECT_EQ(ReadFileBytes(path), "new");
    EXPECT_EQ(Names(dir.Path()), "logos.sys");
    // The new file is not there to move: the old one comes back under its own name.
    EXPECT_THROW(ReplaceByRenaming(dir / "missing.tmp", path), EFCreateError);
    EXPECT_EQ(ReadFileBytes(path), "new");
    EXPECT_EQ(Names(dir.Path()), "logos.sys");
    // Nothing to replace: the file simply moves into place.
    WriteFileBytes(fresh, "first");
    ReplaceByRenaming(fresh, dir / "logow.sys");
    EXPECT_EQ(ReadFileBytes(dir / "logow.sys"), "first");
}

TEST(LogoFileTest, OnlyAn8BitBitmapMakesALogoFile) {
    auto rgb = logotest::MakeImage(4, 2, [](int, int) { return logotest::Rgb{1, 2, 3}; });
    EXPECT_THROW(BitmapFileBytes(*rgb), kovalin::EInvalidGraphicOperation);
    kovalin::TBitmap empty;
    empty.SetPixelFormat(kovalin::TPixelFormat::pf8bit);
    EXPECT_THROW(BitmapFileBytes(empty), kovalin::EInvalidGraphicOperation);
    // Rows are padded to four bytes: 5 pixels take 8.
    auto odd = logotest::MakeImage(5, 3, [](int x, int) { return logotest::Rgb{BYTE(x * 50), 0, 0}; });
    auto reduced = ReduceToPalette(*odd, TReductionMethod::rmGrayScale, TDitherMode::dmNearest, 8, nullptr);
    std::string bytes = BitmapFileBytes(*reduced);
    EXPECT_EQ(bytes.size(), 1078u + 3 * 8);
}

} // namespace
