// The installer of this build, run silently as a user's installation would run it, and its
// uninstaller after it: what the one adds, the other takes away, and nothing else.
#include "kovalin/Handles.h"
#include "kovalin/Registry.h"
#include "plugin_api/PluginMap.h"
#include "plugin_api/Specs.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PluginMapValues.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"
#include "tools/vodedi/PluginCatalog.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <map>
#include <set>

using namespace testsupport;
using kovalin::TRegistry;

namespace {

const char kUninstallKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kovalin";

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> BuiltPlugins() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    kovalin::UniqueFindHandle find(FindFirstFileA((ExeFolder() + "plugins\\*.dll").c_str(), &fd));
    if (find) do
            names.push_back(fd.cFileName);
        while (FindNextFileA(find.get(), &fd));
    return names;
}

// The open extensions a library's SPECS names, read as the registration tool reads them.
std::vector<std::string> OpenExtensions(const std::string& path) {
    kovalin::UniqueHModule module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    auto specs = module ? kplug::ReadSpecs(module.get()) : std::nullopt;
    return specs ? specs->Keys("KPLUGopen") : std::vector<std::string>();
}

std::string CommonPrograms() {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, path);
    return std::string(path) + "\\Kovalin\\";
}

// The folders the uninstaller's copies of itself run from ("~nsu1.tmp", ...), in the
// temporary folder: Windows removes them at the next start, Wine never.
std::set<std::string> UninstallerCopies() {
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    std::set<std::string> found;
    WIN32_FIND_DATAA fd;
    kovalin::UniqueFindHandle find(FindFirstFileA((std::string(temp) + "~nsu*.tmp").c_str(), &fd));
    if (find) do
            found.insert(std::string(temp) + fd.cFileName);
        while (FindNextFileA(find.get(), &fd));
    return found;
}

HWND ChildWithText(HWND parent, const std::string& text) {
    for (HWND child : ChildWindows(parent))
        if (WindowText(child) == text) return child;
    return nullptr;
}

class InstallerTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string target = dir / "Kovalin Test";
    std::string setup = ExeFolder() + "..\\package\\kovalin-setup-amd64.exe";
    std::map<std::string, std::string> saved = PluginMapValues();

    void SetUp() override {
        // A value of someone else's library, which neither side may touch.
        SetPluginMapValues({{"tif", "other.dll"}});
    }
    void TearDown() override { SetPluginMapValues(saved); }
};

TEST_F(InstallerTest, InstallsTheProductAndTheUninstallerRemovesExactlyWhatItAdded) {
    ASSERT_TRUE(Exists(setup)) << setup;
    ChildProcess install("\"" + setup + "\" /S /D=" + target); // /D comes last and unquoted
    ASSERT_EQ(install.WaitForExit(120000), 0u);

    std::vector<std::string> plugins = BuiltPlugins();
    ASSERT_FALSE(plugins.empty());
    for (const char* file : {"browser.exe", "vodedi.exe", "kplugreg.exe", "uninstall.exe"})
        EXPECT_TRUE(Exists(target + "\\" + file)) << file;
    for (const std::string& lib : plugins)
        EXPECT_TRUE(Exists(target + "\\plugins\\" + lib)) << lib;

    // The map holds exactly the open extensions of the installed plug-ins, and the other value.
    std::map<std::string, std::string> expected{{"tif", "other.dll"}};
    for (const std::string& lib : plugins)
        for (std::string ext : OpenExtensions(target + "\\plugins\\" + lib))
            expected[ext] = lib;
    EXPECT_EQ(PluginMapValues(), expected);
    EXPECT_EQ(expected.count("jpg"), 1u);

    for (const char* link : {"Kovalin File Browser.lnk", "Vodedi.lnk", "Uninstall Kovalin.lnk"})
        EXPECT_TRUE(Exists(CommonPrograms() + link)) << link;
    TRegistry hklm(HKEY_LOCAL_MACHINE, KEY_READ);
    ASSERT_TRUE(hklm.OpenKeyReadOnly(kUninstallKey));
    EXPECT_EQ(hklm.ReadString("DisplayName"), "Kovalin File Browser");
    EXPECT_EQ(hklm.ReadString("UninstallString"), "\"" + target + "\\uninstall.exe\"");
    hklm.CloseKey();

    std::string pictures = dir / "pictures";
    CreateDirectoryA(pictures.c_str(), nullptr);
    std::string jpeg = pictures + "\\photo.jpg";
    WriteFileBytes(jpeg, MakeJpeg({.width = 120, .height = 90, .quality = 90}));
    {
        // The installed browser previews the JPEG through the installed plug-in.
        ChildProcess browser("\"" + target + "\\browser.exe\" " + pictures);
        HWND wnd = browser.WaitForWindow("Kovalin File Browser", 20000);
        ASSERT_NE(wnd, nullptr);
        HWND preview = nullptr;
        ASSERT_TRUE(PumpUntil(
            [&] { return (preview = ChildWithText(wnd, "No preview available.")) != nullptr; }, 10000));
        HWND list = FindChild(wnd, "SysListView32");
        ASSERT_NE(list, nullptr);
        PostMessageA(list, WM_KEYDOWN, VK_END, 0); // the last item is the picture, ".." the first
        PostMessageA(list, WM_KEYUP, VK_END, 0);
        EXPECT_TRUE(PumpUntil([&] { return WindowText(preview).empty(); }, 10000)) << "no preview";
        PostMessageA(wnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(browser.WaitForExit(20000), 0u);
    }
    {
        // The installed editor offers every command of every installed plug-in.
        std::string menuLog = dir / "menus.txt";
        SetEnvironmentVariableA("VODEDI_MENU_LOG", menuLog.c_str());
        ChildProcess editor("\"" + target + "\\vodedi.exe\" " + jpeg);
        HWND wnd = editor.WaitForWindow("vodedi - photo.jpg", 20000);
        SetEnvironmentVariableA("VODEDI_MENU_LOG", nullptr);
        ASSERT_NE(wnd, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return Exists(menuLog) && !ReadFileBytes(menuLog).empty(); }, 5000));
        std::string menus = ReadFileBytes(menuLog);
        auto catalog = vodedi::TPluginCatalog::Scan(target + "\\plugins\\");
        for (const char* entry : {"KPLUGexport", "KPLUGtool", "KPLUGfilter"})
            for (const auto& command : catalog.Commands(entry))
                EXPECT_NE(menus.find(command.caption), std::string::npos) << command.caption << "\n" << menus;
        if (!catalog.SaveFormats().empty()) {
            EXPECT_NE(menus.find("Save &As..."), std::string::npos) << menus;
        }
        PostMessageA(wnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(editor.WaitForExit(20000), 0u);
    }

    // The uninstaller runs a copy of itself from the temporary folder and returns at once:
    // wait for the install folder, which goes last.
    const std::set<std::string> copiesBefore = UninstallerCopies();
    ChildProcess uninstall("\"" + target + "\\uninstall.exe\" /S");
    EXPECT_EQ(uninstall.WaitForExit(60000), 0u);
    EXPECT_TRUE(PumpUntil([&] { return !Exists(target); }, 60000)) << "the install folder stayed";
    PumpMessages(500); // the uninstaller's last steps after the folder
    EXPECT_EQ(PluginMapValues(), (std::map<std::string, std::string>{{"tif", "other.dll"}}));
    EXPECT_FALSE(Exists(CommonPrograms()));
    EXPECT_FALSE(hklm.OpenKeyReadOnly(kUninstallKey));

    // The copy's folder is left for the next start of Windows; here it would stay in the
    // prefix the other tests share.
    for (const std::string& copy : UninstallerCopies())
        if (!copiesBefore.count(copy))
            PumpUntil(
                [&] {
                    DeleteTree(copy);
                    return !Exists(copy);
                },
                10000);
}

} // namespace
