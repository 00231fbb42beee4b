// The editor as a host of every entry point: what its menus offer is read from the plug-ins of
// its folder, and each command hands the image over as the entry point expects.
#include "tests/support/ChildProcess.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"
#include "tools/vodedi/FileDialogs.h"
#include "tools/vodedi/HostMenus.h"
#include "tools/vodedi/PluginCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testsupport;
using namespace vodedi;

namespace {

// A copy of the editor in a folder of its own, with the probe plug-in under its "plugins".
class VodediHostTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string plugins = dir / "plugins\\";
    std::string exe = dir / "vodedi.exe";
    std::string log = dir / "probe.log";

    void SetUp() override {
        CreateDirectoryA(plugins.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA((ExeFolder() + "vodedi.exe").c_str(), exe.c_str(), FALSE));
        SetEnvironmentVariableA("PROBE_LOG", log.c_str());
    }
    void TearDown() override { SetEnvironmentVariableA("PROBE_LOG", nullptr); }

    void AddPlugin(const std::string& built, const std::string& as) {
        ASSERT_TRUE(CopyFileA((ExeFolder() + "probe\\" + built).c_str(), (plugins + as).c_str(), FALSE));
    }
    std::string Log() const { return ReadFileBytes(log); }
    std::string WritePicture(const std::string& name, const std::string& rgb) {
        std::string path = dir / name;
        WriteFileBytes(path, rgb);
        return path;
    }
    bool LogHas(const std::string& line) const {
        return PumpUntil([&] { return Log().find(line + "\n") != std::string::npos; }, 5000);
    }
};

COLORREF MiddlePixel(HWND wnd) {
    RECT rc;
    GetClientRect(wnd, &rc);
    HDC dc = GetDC(wnd);
    COLORREF c = GetPixel(dc, rc.right / 2, rc.bottom / 2);
    ReleaseDC(wnd, dc);
    return c;
}

TEST_F(VodediHostTest, MenusComeFromTheSpecsOfTheLibrariesFound) {
    AddPlugin("probe.dll", "probe.dll");
    AddPlugin("nospecs.dll", "nospecs.dll"); // exports everything, says nothing
    WriteFileBytes(plugins + "broken.dll", "not a library");
    TPluginCatalog catalog = TPluginCatalog::Scan(plugins);

    auto open = catalog.OpenFormats();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].library, "probe.dll");
    EXPECT_EQ(open[0].description, "Probe Pictures (*.prb)");
    EXPECT_EQ(catalog.OpenLibraryFor("prb"), "probe.dll");
    EXPECT_EQ(catalog.InfoLibraryFor("prb"), ""); // no [KPLUGinfo] section
    // KPLUGconfig has no section of its own, but a library without SPECS offers nothing.
    EXPECT_EQ(catalog.ConfigLibraries(), (std::vector<std::string>{"probe.dll"}));
    EXPECT_FALSE(catalog.HasNamed("netload.dll", "LoadFile"));

    THostMenus menus(catalog);
    EXPECT_EQ(DescribeMenu(menus.Bar()), "&File\r\n"
                                         "  &Open...\r\n"
                                         "  Save &As...\r\n"
                                         "  &Export\r\n"
                                         "    Probe Export\r\n"
                                         "  -\r\n"
                                         "  &Information...\r\n"
                                         "  -\r\n"
                                         "  Op&tions\r\n"
                                         "    probe...\r\n"
                                         "  -\r\n"
                                         "  E&xit\r\n"
                                         "&Edit\r\n"
                                         "  &Undo Filter\r\n"
                                         "&Tools\r\n"
                                         "  Probe Tool\r\n"
                                         "  Probe && Co\r\n"
                                         "F&ilter\r\n"
                                         "  Invert\r\n");
    ASSERT_NE(menus.Find(TCommandKind::ckTool, "Probe & Co"), nullptr);
    EXPECT_EQ(menus.Find(TCommandKind::ckTool, "Probe & Co")->library, "probe.dll");
}

TEST_F(VodediHostTest, NamedLibrariesAddDownloadAndPrint) {
    AddPlugin("nospecs.dll", "netload.dll");
    AddPlugin("nospecs.dll", "print.dll");
    THostMenus menus(TPluginCatalog::Scan(plugins));
    EXPECT_EQ(DescribeMenu(menus.Bar()), "&File\r\n"
                                         "  &Open...\r\n"
                                         "  &Load from URL...\r\n"
                                         "  -\r\n"
                                         "  &Information...\r\n"
                                         "  &Print...\r\n"
                                         "  -\r\n"
                                         "  E&xit\r\n"
                                         "&Edit\r\n"
                                         "  &Undo Filter\r\n");
}

TEST_F(VodediHostTest, FileDialogFiltersListEveryFormat) {
    std::vector<TFileFormat> formats{{"a.dll", "jpg", "JPEG Images (*.jpg)"},
                                     {"b.dll", "prb", "Probe (*.prb)"}};
    std::string filter = DialogFilter(formats, true);
    const char expected[] = "All Images (*.jpg;*.prb)\0*.jpg;*.prb\0JPEG Images (*.jpg)\0*.jpg\0"
                            "Probe (*.prb)\0*.prb\0All Files (*.*)\0*.*\0";
    EXPECT_EQ(filter, std::string(expected, sizeof expected - 1));
}

// Every command end to end in the editor's own process: the plug-in sees what it should, and
// the image the editor keeps is never one it handed over.
TEST_F(VodediHostTest, CommandsHandTheImageToThePlugins) {
    AddPlugin("probe.dll", "probe.dll");
    AddPlugin("probe.dll", "print.dll");
    AddPlugin("probe.dll", "netload.dll");
    THostMenus menus(TPluginCatalog::Scan(plugins)); // the ids the editor will give its items
    std::string picture = WritePicture("red.prb", std::string("\xff\x00\x00", 3));

    ChildProcess editor("\"" + exe + "\" " + picture);
    HWND wnd = editor.WaitForWindow("vodedi - red.prb");
    ASSERT_NE(wnd, nullptr);
    PumpMessages(200);
    EXPECT_EQ(MiddlePixel(wnd), RGB(255, 0, 0));
    EXPECT_TRUE(LogHas("open " + picture + " prb"));

    auto post = [&](TCommandKind kind, const std::string& caption = {}) {
        const TMenuCommand* c = menus.Find(kind, caption);
        ASSERT_NE(c, nullptr);
        PostMessageA(wnd, WM_COMMAND, c->id, 0);
    };
    post(TCommandKind::ckTool, "Probe Tool");
    EXPECT_TRUE(LogHas("tool " + picture + " 1"));
    post(TCommandKind::ckExport);
    EXPECT_TRUE(LogHas("export 1 ff0000"));
    post(TCommandKind::ckPrint);
    EXPECT_TRUE(LogHas("print " + picture + " 0 1"));
    post(TCommandKind::ckConfig);
    EXPECT_TRUE(LogHas("config"));

    post(TCommandKind::ckFilter, "Invert");
    EXPECT_TRUE(LogHas("filter ff0000"));
    EXPECT_TRUE(PumpUntil([&] { return MiddlePixel(wnd) == RGB(0, 255, 255); }, 3000));
    post(TCommandKind::ckUndo);
    EXPECT_TRUE(PumpUntil([&] { return MiddlePixel(wnd) == RGB(255, 0, 0); }, 3000));
    // After an export the editor still has its own image to filter.
    post(TCommandKind::ckFilter, "Invert");
    EXPECT_TRUE(PumpUntil([&] { return MiddlePixel(wnd) == RGB(0, 255, 255); }, 3000));

    // Load from URL: the address box, then the document opened through the plug-in its
    // content type names.
    post(TCommandKind::ckLoadUrl);
    HWND box = editor.WaitForWindow("Load from URL");
    ASSERT_NE(box, nullptr);
    HWND edit = FindChild(box, "Edit");
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("http://127.0.0.1/blue"));
    PostMessageA(FindChild(box, "Button", "OK"), BM_CLICK, 0, 0);
    EXPECT_TRUE(LogHas("load http://127.0.0.1/blue vodedi []"));
    EXPECT_NE(editor.WaitForWindow("vodedi - http://127.0.0.1/blue"), nullptr);
    EXPECT_TRUE(PumpUntil([&] { return MiddlePixel(wnd) == RGB(0, 0, 255); }, 3000));

    PostMessageA(wnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitForExit(), 0u);
}

TEST_F(VodediHostTest, PrintSwitchPrintsAtOnce) {
    AddPlugin("probe.dll", "probe.dll");
    AddPlugin("probe.dll", "print.dll");
    std::string picture = WritePicture("sheet.prb", "\x10\x20\x30");
    ChildProcess editor("\"" + exe + "\" " + picture + " /print");
    HWND wnd = editor.WaitForWindow("vodedi - sheet.prb (print)");
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(LogHas("print " + picture + " 1 1"));
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitForExit(), 0u);
}

} // namespace
