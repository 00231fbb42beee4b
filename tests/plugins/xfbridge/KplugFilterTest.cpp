#include "plugin_api/KPlug.h"
#include "plugins/xfbridge/FilterLocator.h"
#include "plugins/xfbridge/Owned.h"
#include "tests/plugins/xfbridge/FilterTestSupport.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <functional>

using namespace xftest;
using xfbridge::OwnedBitmap;

namespace {

const char kLocationCaption[] = "Prismatica Location";

// A copy of the bridge library in a folder of its own, loaded for the test; the remembered
// location is cleared before and after.
class KplugFilterTest : public ::testing::Test {
protected:
    testsupport::TempDir bridgeDir;
    testsupport::TempDir elsewhere;
    FilterLog log{elsewhere / "filter.log"};
    HMODULE bridge = nullptr;
    TKPLUGfilter filter = nullptr;

    void SetUp() override {
        ClearLocation();
        const std::string copy = bridgeDir / "xfbridge.dll";
        ASSERT_TRUE(
            CopyFileA((testsupport::ExeFolder() + "plugins\\xfbridge.dll").c_str(), copy.c_str(), FALSE));
        bridge = LoadLibraryA(copy.c_str());
        ASSERT_NE(bridge, nullptr);
        filter =
            reinterpret_cast<TKPLUGfilter>(reinterpret_cast<void*>(GetProcAddress(bridge, kKPLUGfilter)));
        ASSERT_NE(filter, nullptr);
    }
    void TearDown() override {
        if (bridge) FreeLibrary(bridge);
        ClearLocation();
    }

    static void ClearLocation() {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, xfbridge::kLocationKey, xfbridge::kLocationValue);
    }
    static std::string PutFilter(const std::string& path) {
        EXPECT_TRUE(CopyFileA(TestFilterPath().c_str(), path.c_str(), FALSE));
        return path;
    }
    static std::string RawLocation(DWORD* type = nullptr) {
        HKEY key;
        std::string bytes;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, xfbridge::kLocationKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return "<no key>";
        DWORD t = 0, size = 0;
        if (RegQueryValueExA(key, xfbridge::kLocationValue, nullptr, &t, nullptr, &size) != ERROR_SUCCESS) {
            RegCloseKey(key);
            return "<no value>";
        }
        bytes.resize(size);
        RegQueryValueExA(key, xfbridge::kLocationValue, nullptr, &t, reinterpret_cast<BYTE*>(bytes.data()),
                         &size);
        RegCloseKey(key);
        if (type) *type = t;
        return bytes;
    }

    HBITMAP Filter(HBITMAP image) { return filter(0x1234, 0x5678, image); }

    // Runs the bridge on a pattern image and checks the result is its exact inverse.
    void ExpectInvertedResult(int width, int height) {
        OwnedBitmap source(MakePatternBitmap(width, height));
        OwnedBitmap result(Filter(source.get()));
        ASSERT_TRUE(result) << width << "x" << height;
        testsupport::Pixels in = testsupport::BitmapPixels(source.get());
        testsupport::Pixels out = testsupport::BitmapPixels(result.get());
        ASSERT_EQ(out.width, width);
        ASSERT_EQ(out.height, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c) {
                    uint8_t want[3];
                    PatternAt(x, y, want);
                    ASSERT_EQ(in.At(x, y)[c], want[c]); // the caller's bitmap is untouched
                    ASSERT_EQ(out.At(x, y)[c], 255 - want[c])
                        << width << "x" << height << " at " << x << "," << y;
                }
    }
};

// Answers the location dialog the way a user would: "..." opens the file chooser, the file name
// is typed there and confirmed, and the location dialog is left with OK (or Cancel).
class LocationDialogDriver {
public:
    explicit LocationDialogDriver(std::string choose, bool cancel = false)
        : choose_(std::move(choose)), cancel_(cancel) {
        timer_ = SetTimer(nullptr, 0, 30, Tick);
        self = this;
    }
    LocationDialogDriver(const LocationDialogDriver&) = delete;
    LocationDialogDriver& operator=(const LocationDialogDriver&) = delete;
    ~LocationDialogDriver() {
        KillTimer(nullptr, timer_);
        self = nullptr;
    }

    bool Shown() const { return shown_; }
    // What the dialog showed, read when it appeared.
    std::vector<std::string> texts;
    std::string chooserFilter;
    bool editReadOnly = false;

private:
    static inline LocationDialogDriver* self = nullptr;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (self) self->Step();
    }

    void Step() {
        HWND dialog = testsupport::FindTopWindow(kLocationCaption);
        if (!dialog) return;
        if (++ticks_ > kGiveUpTicks) {
            // Something did not go as a user would see it: leave both dialogs rather than hang.
            if (HWND chooser = testsupport::FindTopWindow("Open"))
                PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        if (!shown_) {
            shown_ = true;
            for (HWND child : testsupport::ChildWindows(dialog))
                if (testsupport::ClassOf(child) == "Static") texts.push_back(testsupport::WindowText(child));
            editReadOnly = GetWindowLongA(GetDlgItem(dialog, 1000), GWL_STYLE) & ES_READONLY;
        }
        if (cancel_) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        if (choose_.empty()) {
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            return;
        }
        HWND chooser = testsupport::FindTopWindow("Open");
        if (!browsed_) {
            browsed_ = true;
            PostMessageA(GetDlgItem(dialog, 1001), BM_CLICK, 0, 0);
        } else if (chooser && !typed_) {
            typed_ = true;
            HWND name = GetDlgItem(chooser, 0x47C); // the file name box
            if (!name) name = GetDlgItem(chooser, 0x480);
            SetWindowTextA(name, choose_.c_str());
            PostMessageA(chooser, WM_COMMAND, IDOK, 0);
        } else if (!chooser && typed_ && testsupport::WindowText(GetDlgItem(dialog, 1000)) == choose_) {
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        }
    }

    static constexpr int kGiveUpTicks = 300; // about ten seconds
    std::string choose_;
    bool cancel_;
    int ticks_ = 0;
    UINT_PTR timer_;
    bool shown_ = false, browsed_ = false, typed_ = false;
};

} // namespace

TEST_F(KplugFilterTest, ExportsTheEntryAndItsCapabilities) {
    HRSRC res = FindResourceExA(bridge, "KPLUG", "SPECS", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_NE(res, nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(bridge, res)));
    EXPECT_EQ(std::string(bytes, SizeofResource(bridge, res)),
              std::string("[KPLUGfilter]\r\nPrismatica=\0", 27));
}

TEST_F(KplugFilterTest, FilterBesideTheBridgeInvertsTheImage) {
    PutFilter(bridgeDir / "Prismatica.8bf");
    for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {1, 9}, {17, 5}, {64, 48}})
        ExpectInvertedResult(w, h);
    // Found at once: the remembered location is neither read nor written (on a fresh machine its
    // key does not even exist).
    std::string location = RawLocation();
    EXPECT_TRUE(location == "<no value>" || location == "<no key>") << location;
}

TEST_F(KplugFilterTest, NewerFilterFileIsPreferred) {
    PutFilter(bridgeDir / "Prismatica.8bf");
    PutFilter(bridgeDir / "Prismatica2.8bf");
    xfbridge::RememberLocation(PutFilter(elsewhere / "Prismatica.8bf")); // the folder wins over this
    OwnedBitmap source(MakePatternBitmap(4, 4));
    OwnedBitmap result(Filter(source.get()));
    ASSERT_TRUE(result);
    EXPECT_EQ(log.Find("attach"), "attach " + bridgeDir / "Prismatica2.8bf");
}

TEST_F(KplugFilterTest, RememberedLocationIsUsed) {
    const std::string remembered = PutFilter(elsewhere / "Prismatica.8bf");
    ASSERT_TRUE(xfbridge::RememberLocation(remembered));
    OwnedBitmap source(MakePatternBitmap(4, 4));
    OwnedBitmap result(Filter(source.get()));
    ASSERT_TRUE(result);
    EXPECT_EQ(log.Find("attach"), "attach " + remembered);
}

TEST_F(KplugFilterTest, VanishedLocationAsksAndTheChoiceReplacesIt) {
    ASSERT_TRUE(xfbridge::RememberLocation(elsewhere / "gone\\Prismatica.8bf"));
    const std::string chosen = PutFilter(elsewhere / "Prismatica2.8bf");
    LocationDialogDriver user(chosen);
    OwnedBitmap source(MakePatternBitmap(6, 3));
    OwnedBitmap result(Filter(source.get()));
    ASSERT_TRUE(user.Shown());
    EXPECT_TRUE(result);
    EXPECT_EQ(log.Find("attach"), "attach " + chosen);
    EXPECT_EQ(RawLocation(), static_cast<char>(chosen.size()) + chosen);

    const std::vector<std::string> texts = {
        "The interface was not able to find Prismatica in the PlugIn directory of Kovalin Vodedi. But don't "
        "panic and read on:",
        "Click the \"...\" button to search for a file called \"Prismatica.8bf\" or \"Prismatica2.8bf\" on "
        "your "
        "harddrive. The file usually resides in the directory you've used to install Prismatica.  Click OK "
        "to "
        "save your selection for later use."};
    EXPECT_EQ(user.texts, texts);
    EXPECT_TRUE(user.editReadOnly);

    // Next time the remembered choice is used without asking.
    log.Clear();
    LocationDialogDriver nobody("", true);
    OwnedBitmap again(Filter(source.get()));
    EXPECT_TRUE(again);
    EXPECT_FALSE(nobody.Shown());
}

TEST_F(KplugFilterTest, CancelOrNothingUsableGivesNoResult) {
    OwnedBitmap source(MakePatternBitmap(4, 4));
    {
        LocationDialogDriver user("", true);
        EXPECT_EQ(Filter(source.get()), nullptr);
        EXPECT_TRUE(user.Shown());
    }
    {
        LocationDialogDriver user(""); // OK with an empty path
        EXPECT_EQ(Filter(source.get()), nullptr);
        EXPECT_TRUE(user.Shown());
    }
    {
        const std::string text = elsewhere / "Prismatica.8bf";
        testsupport::WriteFileBytes(text, "not a library");
        LocationDialogDriver user(text);
        EXPECT_EQ(Filter(source.get()), nullptr);
        EXPECT_TRUE(user.Shown());
    }
    DWORD type = 0;
    EXPECT_EQ(RawLocation(&type), ""); // nothing saved, only the empty value the read left
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
}

TEST_F(KplugFilterTest, BareNameOnTheLibrarySearchPathIsUsed) {
    PutFilter(elsewhere / "Prismatica.8bf");
    // PATH rather than SetDllDirectory: Wine does not look in the latter for data-only mappings.
    char path[32768] = "";
    GetEnvironmentVariableA("PATH", path, sizeof path);
    ScopedEnv searchPath("PATH", elsewhere.Path() + ";" + path);
    LocationDialogDriver nobody("", true);
    OwnedBitmap source(MakePatternBitmap(5, 5));
    OwnedBitmap result(Filter(source.get()));
    EXPECT_TRUE(result);
    EXPECT_FALSE(nobody.Shown());
    EXPECT_EQ(log.Find("attach"), "attach " + elsewhere / "Prismatica.8bf");
    DWORD type = 0;
    EXPECT_EQ(RawLocation(&type), "");
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
}

TEST_F(KplugFilterTest, PaletteImageIsRefusedWithoutLoadingTheFilter) {
    PutFilter(bridgeDir / "Prismatica.8bf");
    OwnedBitmap palette(MakePaletteBitmap(16, 16));
    EXPECT_EQ(Filter(palette.get()), nullptr);
    EXPECT_EQ(Filter(nullptr), nullptr);
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(KplugFilterTest, FilterThatFailsGivesNoResult) {
    PutFilter(bridgeDir / "Prismatica.8bf");
    OwnedBitmap source(MakePatternBitmap(4, 4));
    {
        ScopedEnv mode("XFTEST_FILTER", "fail-continue");
        EXPECT_EQ(Filter(source.get()), nullptr);
    }
    {
        // Maps as a library, so it is found, but refuses to start.
        ScopedEnv mode("XFTEST_FILTER", "fail-init");
        std::string shown;
        testsupport::WhenWindowAppears box("xfbridge", [&](HWND h) {
            shown = MessageText(h);
            PostMessageA(h, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(Filter(source.get()), nullptr);
        EXPECT_EQ(shown, "Unable to load plug-in");
    }
}

TEST_F(KplugFilterTest, LibraryWithoutTheEntryPointIsReported) {
    ASSERT_TRUE(CopyFileA(NoEntryLibraryPath().c_str(), (bridgeDir / "Prismatica.8bf").c_str(), FALSE));
    std::string shown;
    testsupport::WhenWindowAppears box("xfbridge", [&](HWND h) {
        shown = MessageText(h);
        PostMessageA(h, WM_COMMAND, IDOK, 0);
    });
    OwnedBitmap source(MakePatternBitmap(4, 4));
    EXPECT_EQ(Filter(source.get()), nullptr);
    EXPECT_EQ(shown, "GetProcAddress failed");
}

TEST_F(KplugFilterTest, ProgressWindowLeftOpenGoesWithTheLibrary) {
    PutFilter(bridgeDir / "Prismatica.8bf");
    ScopedEnv mode("XFTEST_FILTER", "no-final-done");
    OwnedBitmap source(MakePatternBitmap(4, 4));
    OwnedBitmap result(Filter(source.get()));
    ASSERT_TRUE(result);
    HWND working = testsupport::FindTopWindow("Working...");
    ASSERT_NE(working, nullptr); // the filter never said it was done
    testsupport::PumpMessages(50);
    FreeLibrary(std::exchange(bridge, nullptr));
    EXPECT_FALSE(IsWindow(working));
    testsupport::PumpMessages(50); // nothing left to paint into freed code
}

TEST_F(KplugFilterTest, HundredCallsLeaveNoObjectOrBlockBehind) {
    PutFilter(bridgeDir / "Prismatica.8bf");
    OwnedBitmap source(MakePatternBitmap(32, 24));
    ScopedEnv mode("XFTEST_FILTER", "keep-params");
    ScopedEnv quiet("XFTEST_FILTER_LOG", "");
    for (int i = 0; i < 3; ++i)
        OwnedBitmap(Filter(source.get()));
    const int gdi = testsupport::GdiObjectCount();
    const int blocks = HeapBlockCount();
    for (int i = 0; i < 100; ++i) {
        OwnedBitmap result(Filter(source.get()));
        ASSERT_TRUE(result) << i;
    }
    EXPECT_EQ(testsupport::GdiObjectCount(), gdi);
    EXPECT_EQ(HeapBlockCount(), blocks);
}
