#include "plugins/hex/hexeditor.h"
#include "plugins/hex/hexfile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace kvhex;
using namespace testsupport;

namespace {

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(HexWorkingCopyTest, LivesInTheTempFolderUnderAFreshNameAndGoesWithTheObject) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string first, second;
    {
        THexWorkingCopy a, b; // made in the same millisecond, most likely
        first = a.Path();
        second = b.Path();
        EXPECT_NE(first, second);
        ASSERT_EQ(first.rfind(temp, 0), 0u) << first;
        std::string name = first.substr(strlen(temp));
        ASSERT_EQ(name.size(), 13u) << name;
        EXPECT_EQ(name.substr(8), ".HXVT");
        EXPECT_EQ(name.substr(0, 8).find_first_not_of("0123456789ABCDEF"), std::string::npos) << name;
        EXPECT_TRUE(Exists(first));
    }
    EXPECT_FALSE(Exists(first));
    EXPECT_FALSE(Exists(second));
}

TEST(HexWorkingCopyTest, CopiesTheSourceAndReadsOnlyTheCopy) {
    TempDir dir;
    std::string src = dir / "data.bin";
    WriteFileBytes(src, "abcdef");
    SetFileAttributesA(src.c_str(), FILE_ATTRIBUTE_READONLY);
    THexWorkingCopy copy;
    ASSERT_TRUE(copy.Load(src));
    EXPECT_EQ(copy.Size(), 6);
    EXPECT_EQ(copy.ByteAt(5, 16), 'f');
    EXPECT_EQ(copy.ByteAt(6, 16), -1);
    // The copy lost the source's read-only attribute and the source is not held open.
    EXPECT_EQ(GetFileAttributesA(copy.Path().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    SetFileAttributesA(src.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(DeleteFileA(src.c_str()));
    EXPECT_EQ(copy.ByteAt(0, 16), 'a');
    copy.Close();
    EXPECT_EQ(copy.Size(), 0);
    EXPECT_FALSE(copy.Load(dir / "missing.bin"));
    EXPECT_FALSE(copy.IsOpen());
}

TEST(HexWorkingCopyTest, ReadabilityOfTheSource) {
    TempDir dir;
    std::string src = dir / "locked.bin";
    WriteFileBytes(src, "x");
    EXPECT_TRUE(THexWorkingCopy::CanRead(src));
    EXPECT_TRUE(THexWorkingCopy::CanWrite(src));
    EXPECT_FALSE(THexWorkingCopy::CanRead(dir.Path())); // a folder
    EXPECT_FALSE(THexWorkingCopy::CanRead(dir / "nothing"));
    {
        // Someone else reads it and lets others only read: viewable, but read-only for us.
        HANDLE reader =
            CreateFileA(src.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(THexWorkingCopy::CanRead(src));
        EXPECT_FALSE(THexWorkingCopy::CanWrite(src));
        CloseHandle(reader);
    }
    HANDLE lock = CreateFileA(src.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(THexWorkingCopy::CanRead(src));
    CloseHandle(lock);
}

// A file past 4 GiB, sparse so that it costs no disk: bytes beyond the 32-bit range are found
// where they are and the window moves there.
TEST(HexReadWindowTest, ReachesBytesBeyondFourGigabytes) {
    TempDir dir;
    std::string path = dir / "huge.bin";
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const int64_t size = (5LL << 30) + 3;
    auto writeAt = [&](int64_t at, char value) {
        LARGE_INTEGER p;
        p.QuadPart = at;
        SetFilePointerEx(h, p, nullptr, FILE_BEGIN);
        DWORD n = 0;
        WriteFile(h, &value, 1, &n, nullptr);
    };
    writeAt((4LL << 30) + 7, 'Q');
    writeAt(size - 1, 'Z');
    THexReadWindow w;
    w.Attach(h);
    EXPECT_EQ(w.Size(), size);
    EXPECT_EQ(w.ByteAt(size - 1, 16), 'Z');
    EXPECT_EQ(w.Start(), size - 1 - THexReadWindow::kWindowSize / 2);
    EXPECT_EQ(w.ByteAt(7, 16), 0); // the same low 32 bits, but another place
    EXPECT_EQ(w.ByteAt((4LL << 30) + 7, 16), 'Q');
    EXPECT_EQ(w.ByteAt(size, 16), -1);
    w.Attach(nullptr);
    CloseHandle(h);
}

TEST(HexReadWindowTest, StaysWhileTheRowFitsAndRecentresOtherwise) {
    TempDir dir;
    std::string path = dir / "w.bin";
    WriteFileBytes(path, std::string(200000, 'a'));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    THexReadWindow w;
    w.Attach(h);
    w.ByteAt(100000, 16);
    EXPECT_EQ(w.Start(), 100000 - 32768);
    w.ByteAt(100000 + 32768 - 16, 16); // the row still ends inside the window
    EXPECT_EQ(w.Start(), 100000 - 32768);
    w.ByteAt(100000 + 32768 - 15, 16);
    EXPECT_EQ(w.Start(), 100000 - 15);
    w.ByteAt(10, 16);
    EXPECT_EQ(w.Start(), 0);
    w.Attach(nullptr);
    CloseHandle(h);
}

TEST(HexOffsetTextTest, WidthsAndTextsInEveryNotationAndAtSixtyFourBits) {
    EXPECT_EQ(THexEditor::OffsetWidthFor(0x10, TOffsetDisplay::odHex), 5);
    EXPECT_EQ(THexEditor::FormatOffset(0, TOffsetDisplay::odHex, 5, ':'), "0x00:");
    EXPECT_EQ(THexEditor::OffsetWidthFor(160, TOffsetDisplay::odDec), 4);
    EXPECT_EQ(THexEditor::FormatOffset(16, TOffsetDisplay::odDec, 4, ':'), " 16:");
    EXPECT_EQ(THexEditor::OffsetWidthFor(16, TOffsetDisplay::odOctal), 6); // "020"
    EXPECT_EQ(THexEditor::FormatOffset(8, TOffsetDisplay::odOctal, 6, ':'), "o 010:");
    EXPECT_EQ(THexEditor::FormatOffset(0, TOffsetDisplay::odOctal, 6, ':'), "o 000:");
    EXPECT_EQ(THexEditor::OffsetWidthFor(1234, TOffsetDisplay::odNone), 0);
    EXPECT_EQ(THexEditor::FormatOffset(1234, TOffsetDisplay::odNone, 0, ':'), " ");
    // A row of a 5 GiB file.
    const int64_t last = (5LL << 30) - 16;
    int w = THexEditor::OffsetWidthFor(last, TOffsetDisplay::odHex);
    EXPECT_EQ(w, 12);
    EXPECT_EQ(THexEditor::FormatOffset(last, TOffsetDisplay::odHex, w, ':'), "0x13FFFFFF0:");
    EXPECT_EQ(THexEditor::FormatOffset(16, TOffsetDisplay::odHex, w, ':'), "0x000000010:");
    w = THexEditor::OffsetWidthFor(last, TOffsetDisplay::odDec);
    EXPECT_EQ(THexEditor::FormatOffset(last, TOffsetDisplay::odDec, w, '|'), "5368709104|");
}

} // namespace
