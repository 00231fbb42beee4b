// A stand-in for the image editor that hosts the plug-ins: it shows one image scaled to its
// window and offers, in its menus, whatever the libraries of its "plugins" folder serve.
//
//   vodedi.exe [FILE [/fs | /print]]
//
// /fs shows the image full screen; /print hands it to the print plug-in without its preview.
// When VODEDI_LOG names a file, the raw command line is appended to it, so tests can see
// exactly what a caller passed; when VODEDI_MENU_LOG names one, the menu bar is written to it
// once the window is up (another process cannot read a menu under every Windows).
#include "kovalin/Application.h"
#include "plugin_api/PluginMap.h"
#include "tools/vodedi/HostMenus.h"
#include "tools/vodedi/PluginCatalog.h"
#include "tools/vodedi/ViewerForm.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace kovalin;

namespace {

const char kTitle[] = "vodedi";

struct CommandLine {
    std::string file;
    bool fullScreen = false;
    bool print = false;
};

bool EndsWithSwitch(std::string& rest, const char* option) {
    size_t n = std::strlen(option);
    if (rest.size() < n + 1 || rest[rest.size() - n - 1] != ' ') return false;
    if (lstrcmpiA(rest.c_str() + rest.size() - n, option) != 0) return false;
    rest.resize(rest.size() - n - 1);
    return true;
}

// The browser passes the path unquoted, blanks and all, optionally followed by " /fs" or
// " /print": everything after the program name up to such a switch is the file name.
CommandLine ParseCommandLine() {
    CommandLine cl;
    std::string rest = GetCommandLineA();
    size_t pos = 0;
    if (!rest.empty() && rest[0] == '"') {
        size_t close = rest.find('"', 1);
        pos = close == std::string::npos ? rest.size() : close + 1;
    } else {
        pos = rest.find(' ');
        if (pos == std::string::npos) pos = rest.size();
    }
    rest = rest.substr(pos);
    rest.erase(0,
               rest.find_first_not_of(' ') == std::string::npos ? rest.size() : rest.find_first_not_of(' '));
    while (!rest.empty() && rest.back() == ' ')
        rest.pop_back();
    cl.fullScreen = EndsWithSwitch(rest, "/fs");
    cl.print = !cl.fullScreen && EndsWithSwitch(rest, "/print");
    while (!rest.empty() && rest.back() == ' ')
        rest.pop_back();
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
    cl.file = rest;
    return cl;
}

void LogMenus(HWND window) {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("VODEDI_MENU_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path || !GetMenu(window)) return;
    if (FILE* f = std::fopen(path, "wb")) {
        std::string text = vodedi::DescribeMenu(GetMenu(window));
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

void LogCommandLine() {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("VODEDI_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    if (FILE* f = std::fopen(path, "ab")) {
        std::fprintf(f, "%s\r\n", GetCommandLineA());
        std::fclose(f);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    LogCommandLine();
    Application().SetTitle(kTitle);
    Application().Initialize();
    CommandLine cl = ParseCommandLine();
    vodedi::TPluginCatalog catalog = vodedi::TPluginCatalog::Scan(kplug::PluginFolder());
    vodedi::TfrmViewer viewer(catalog, {.fullScreen = cl.fullScreen, .print = cl.print});
    // Started with a file that cannot be shown, the editor says why and ends.
    if (!cl.file.empty() && !viewer.OpenFile(cl.file)) return 1;
    viewer.Show();
    LogMenus(viewer.Handle());
    if (cl.fullScreen) ShowWindow(viewer.Handle(), SW_SHOWMAXIMIZED);
    if (cl.print) {
        Application().ProcessMessages();
        viewer.PrintAtOnce();
    }
    Application().Run();
    return 0;
}
