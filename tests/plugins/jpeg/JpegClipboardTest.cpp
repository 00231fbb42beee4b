// A JPEG image copied to the clipboard in one program is pasted in another, and back again.
#include "kovalin/Application.h"
#include "kovalin/Clipboard.h"
#include "plugins/jpeg/jpeg.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace kovalin;
using namespace kvjpeg;
using namespace testsupport;

namespace {

// The other program of the round trip is this test program again, told by the environment to
// paste, check what came and copy it back.
const char kChildFile[] = "KOVALIN_CLIPBOARD_JPEG";

HWND ClipboardOwner() {
    Application().Initialize();
    return Application().Handle();
}

void ExpectSamePixels(const Pixels& got, const Pixels& want) {
    ASSERT_EQ(got.width, want.width);
    ASSERT_EQ(got.height, want.height);
    EXPECT_TRUE(got.bgr == want.bgr);
}

TEST(JpegClipboardTest, CopyAndPasteBetweenTwoProgramsKeepsEveryPixel) {
    if (std::getenv(kChildFile)) GTEST_SKIP() << "the other program's half";
    TempDir dir;
    const std::string path = dir / "copied.jpg";
    const std::string bytes = MakeJpeg({.width = 75, .height = 41});
    WriteFileBytes(path, bytes);
    const Pixels original = ReferenceDecode(bytes);
    {
        TJPEGImage image;
        image.LoadFromFile(path);
        TClipboard clipboard(ClipboardOwner());
        clipboard.Assign(image);
        EXPECT_TRUE(clipboard.HasFormat(CF_BITMAP));
    }

    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    SetEnvironmentVariableA(kChildFile, path.c_str());
    ChildProcess other(std::string("\"") + self + "\" --gtest_filter=JpegClipboardTest.PasteHalf");
    SetEnvironmentVariableA(kChildFile, nullptr);
    ASSERT_TRUE(other.Started());
    EXPECT_EQ(other.WaitForExit(30000), 0u) << "the other program found a different picture";

    // What the other program put back is the picture once more.
    TJPEGImage pasted;
    {
        TClipboard clipboard(ClipboardOwner());
        ASSERT_TRUE(clipboard.AssignTo(pasted));
    }
    EXPECT_EQ(pasted.Width(), 75);
    EXPECT_EQ(pasted.Height(), 41);
    EXPECT_FALSE(pasted.Empty());
    ExpectSamePixels(BitmapPixels(pasted.Bitmap().Handle()), original);
}

TEST(JpegClipboardTest, PasteHalf) {
    const char* path = std::getenv(kChildFile);
    if (!path) GTEST_SKIP() << "run by CopyAndPasteBetweenTwoProgramsKeepsEveryPixel";
    TJPEGImage pasted;
    {
        TClipboard clipboard(ClipboardOwner());
        ASSERT_TRUE(clipboard.AssignTo(pasted));
    }
    ExpectSamePixels(BitmapPixels(pasted.Bitmap().Handle()), ReferenceDecode(ReadFileBytes(path)));
    // Back to the first program: the pasted image copies as it came.
    TClipboard clipboard(ClipboardOwner());
    clipboard.Assign(pasted);
}

TEST(JpegClipboardTest, AnEmptyClipboardOrImageIsRefused) {
    if (std::getenv(kChildFile)) GTEST_SKIP();
    TJPEGImage image;
    TClipboard clipboard(ClipboardOwner());
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_FALSE(clipboard.AssignTo(image));
    EXPECT_TRUE(image.Empty());
    EXPECT_THROW(clipboard.Assign(image), Exception);
    EXPECT_THROW(image.LoadFromClipboardFormat(CF_TEXT, nullptr, nullptr), EInvalidGraphic);
}

} // namespace
