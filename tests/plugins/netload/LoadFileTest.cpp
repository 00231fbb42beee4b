#include "kovalin/Form.h"
#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "tests/plugins/netload/NetTestSupport.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace testsupport;
using nettest::Server;
using nettest::WhileWindowShows;

namespace {

const char kCaption[] = "Downloading...";

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string LabelText(HWND dlg) {
    for (HWND h : ChildWindows(dlg))
        if (ClassOf(h) == "Static") return WindowText(h);
    return std::string();
}

class LoadFileTest : public ::testing::Test {
protected:
    kplug::TPluginLibrary lib{"netload.dll"};
    TLoadFile loadFile = lib.Entry<TLoadFile>(kLoadFile);
    TempDir dir;
    std::string target = dir / "download.bin";
    kovalin::TForm host{
        {.caption = "Host", .left = 100, .top = 100, .clientWidth = 500, .clientHeight = 400}};

    void SetUp() override {
        ASSERT_NE(loadFile, nullptr);
        ASSERT_TRUE(Server().Running());
        host.Show();
    }

    std::string Load(const std::string& url, const char* agent = "", const char* referer = "") {
        WhileWindowShows guard(kCaption, [](HWND) { return false; });
        LPCSTR r = loadFile(host.Handle(), url.c_str(), target.c_str(), agent, referer);
        EXPECT_FALSE(guard.TimedOut()) << url << " did not end";
        EXPECT_NE(r, nullptr);
        return r ? r : "<null>";
    }

    // Loads the path, pressing Cancel once the label shows the text.
    std::string LoadAndCancelAt(const std::string& path, const std::string& label) {
        WhileWindowShows watch(kCaption, [&](HWND dlg) {
            if (LabelText(dlg) != label) return false;
            SendMessageA(FindChild(dlg, "Button", "Cancel"), BM_CLICK, 0, 0);
            return true;
        });
        std::string r = Load(Server().Url(path));
        EXPECT_TRUE(watch.Done()) << "never saw " << label;
        return r;
    }
};

} // namespace

TEST_F(LoadFileTest, DownloadWritesTheExactBodyAndGivesTheTypeInLowerCase) {
    WriteFileBytes(target, std::string(100000, 'o')); // replaced, not appended to
    EXPECT_EQ(Load(Server().Url("/image.jpg")), "image/jpeg");
    EXPECT_EQ(ReadFileBytes(target), nettest::Pattern(40000, 3));
    // Relocated downloads end up in the same place.
    DeleteFileA(target.c_str());
    EXPECT_EQ(Load(Server().Url("/hops/3")), "image/jpeg");
    EXPECT_EQ(ReadFileBytes(target), nettest::Pattern(40000, 3));
}

TEST_F(LoadFileTest, RequestCarriesTheCallersAgentRefererAndCredentials) {
    std::string port = std::to_string(Server().port);
    EXPECT_EQ(Load("http://ann:pw@127.0.0.1:" + port + "/echo", "", "http://from/here.htm"), "text/plain");
    EXPECT_EQ(ReadFileBytes(target), "GET /echo HTTP/1.0\r\n"
                                     "Accept: image/gif, image/jpeg, image/pjpeg, image/png\r\n"
                                     "Referer: http://from/here.htm\r\n"
                                     "Host: 127.0.0.1\r\n"
                                     "Authorization: Basic YW5uOnB3\r\n"
                                     "\r\n");
    EXPECT_EQ(Load(Server().Url("/echo"), "Viewer/1.0"), "text/plain");
    EXPECT_NE(ReadFileBytes(target).find("\r\nUser-Agent: Viewer/1.0\r\n"), std::string::npos);
}

TEST_F(LoadFileTest, WindowIsLaidOutAndOwnedByTheCaller) {
    struct {
        std::string label, button;
        RECT client{}, btn{}, lbl{};
        HWND owner = nullptr, focus = nullptr, buttonWnd = nullptr;
        int buttonId = 0;
        bool topmost = false, hostDisabled = false;
        LRESULT defId = 0;
    } seen;
    WhileWindowShows watch(kCaption, [&](HWND dlg) {
        HWND btn = FindChild(dlg, "Button", "Cancel");
        HWND lbl = FindChild(dlg, "Static");
        seen.label = WindowText(lbl);
        seen.buttonWnd = btn;
        seen.buttonId = GetDlgCtrlID(btn);
        GetClientRect(dlg, &seen.client);
        GetWindowRect(btn, &seen.btn);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&seen.btn), 2);
        GetWindowRect(lbl, &seen.lbl);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&seen.lbl), 2);
        seen.owner = GetWindow(dlg, GW_OWNER);
        seen.focus = GetFocus();
        seen.topmost = (GetWindowLongA(dlg, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        seen.hostDisabled = !IsWindowEnabled(host.Handle());
        seen.defId = SendMessageA(dlg, DM_GETDEFID, 0, 0);
        SendMessageA(btn, BM_CLICK, 0, 0);
        return true;
    });
    EXPECT_EQ(Load(Server().Url("/silent")), "Cancelled");
    ASSERT_TRUE(watch.Done());
    EXPECT_EQ(seen.label, "Starting download process... ");
    EXPECT_EQ(seen.client.right, 251);
    EXPECT_EQ(seen.client.bottom, 30);
    EXPECT_EQ(seen.btn.left, 173);
    EXPECT_EQ(seen.btn.top, 3);
    EXPECT_EQ(seen.btn.right - seen.btn.left, 75);
    EXPECT_EQ(seen.btn.bottom - seen.btn.top, 25);
    EXPECT_EQ(seen.lbl.left, 5);
    EXPECT_EQ(seen.lbl.top, 8);
    EXPECT_EQ(seen.owner, host.Handle());
    EXPECT_EQ(seen.focus, seen.buttonWnd);
    EXPECT_EQ(HIWORD(seen.defId), DC_HASDEFID);
    EXPECT_EQ(LOWORD(seen.defId), seen.buttonId);
    EXPECT_TRUE(seen.topmost);
    EXPECT_TRUE(seen.hostDisabled);
    EXPECT_TRUE(IsWindowEnabled(host.Handle()));
    EXPECT_FALSE(FileExists(target)); // no body, no file
}

TEST_F(LoadFileTest, CancelKeepsWhatHasBeenWritten) {
    EXPECT_EQ(LoadAndCancelAt("/stall/10000", "Downloaded: 10000 bytes."), "Cancelled");
    EXPECT_EQ(ReadFileBytes(target), nettest::Pattern(10000, 2));
    // The file is closed: it can be opened for writing at once.
    HANDLE h = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
}

TEST_F(LoadFileTest, SlowServerShowsEveryByteAndCancels) {
    EXPECT_EQ(LoadAndCancelAt("/drip/1000", "Downloaded: 2 bytes."), "Cancelled");
    EXPECT_EQ(ReadFileBytes(target), "xx");
}

TEST_F(LoadFileTest, TitleBarCloseCancelsToo) {
    WhileWindowShows watch(kCaption, [&](HWND dlg) {
        PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    });
    EXPECT_EQ(Load(Server().Url("/silent")), "Cancelled");
}

TEST_F(LoadFileTest, FailuresGiveAnEmptyResultAndNoFile) {
    std::string port = std::to_string(Server().port);
    const std::vector<std::string> urls = {
        "http://127.0.0.1:" + std::to_string(Server().closedPort) + "/x.jpg", // refused
        "http://no..such..host/x.jpg",                                        // cannot be resolved
        Server().Url("/status/404"),
        Server().Url("/status/500"),
        Server().Url("/badlength"),
        Server().Url("/loop"),
        Server().Url("/longline"),
    };
    for (const std::string& url : urls) {
        EXPECT_EQ(Load(url), "") << url;
        EXPECT_FALSE(FileExists(target)) << url;
    }
}

TEST_F(LoadFileTest, TransfersThatBreakOffAreFailures) {
    EXPECT_EQ(Load(Server().Url("/reset/5000")), "");
    EXPECT_EQ(ReadFileBytes(target), nettest::Pattern(5000, 0));
    EXPECT_EQ(Load(Server().Url("/length/2000/1000")), "");
    EXPECT_EQ(ReadFileBytes(target).size(), 1000u);
    // More than announced: the document is what was announced.
    EXPECT_EQ(Load(Server().Url("/length/1000/3000")), "image/jpeg");
    EXPECT_EQ(ReadFileBytes(target), nettest::Pattern(1000, 4));
    // No status line: whatever came after the header is kept, but nothing says what it is.
    EXPECT_EQ(Load(Server().Url("/garbage")), "");
}

TEST_F(LoadFileTest, ResultBelongsToTheLibraryUntilTheNextCall) {
    LPCSTR first = loadFile(host.Handle(), Server().Url("/image.jpg").c_str(), target.c_str(), "", "");
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first, "image/jpeg");
    LPCSTR second = loadFile(nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(second, "");
}

TEST_F(LoadFileTest, LargeBodyIsWrittenWithFlatMemory) {
    const size_t size = 64u << 20;
    {
        // The probe sees memory that the process takes.
        size_t base = nettest::MemoryInUse();
        std::vector<char> block(16u << 20, 'm');
        ASSERT_GE(nettest::MemoryInUse() - base, 15u << 20) << "private bytes do not show allocations";
    }
    size_t before = nettest::MemoryInUse();
    size_t peak = before;
    WhileWindowShows watch(kCaption, [&](HWND) {
        peak = std::max(peak, nettest::MemoryInUse());
        return false;
    });
    EXPECT_EQ(Load(Server().Url("/big/" + std::to_string(size)), "", ""), "application/octet-stream");
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, size);
    EXPECT_LT(peak - before, 8u << 20) << "memory grew with the body";
}
