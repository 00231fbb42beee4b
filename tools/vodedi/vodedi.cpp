// A stand-in for the image editor that hosts the plug-ins: opens one image through the open
// plug-in registered for its extension and shows it scaled to its window.
//
//   vodedi.exe FILE [/fs | /print]
//
// /fs shows the image full screen (Esc closes); /print is accepted and shown in the caption.
// When VODEDI_LOG names a file, the raw command line is appended to it, so tests can see
// exactly what a caller passed.
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "kovalin/Handles.h"
#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "plugin_api/Specs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

using namespace kovalin;

namespace {

const char kTitle[] = "vodedi";
enum : UINT { cmdInfo = 100, cmdExit = 101 };

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

void LogCommandLine() {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("VODEDI_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    if (FILE* f = std::fopen(path, "ab")) {
        std::fprintf(f, "%s\r\n", GetCommandLineA());
        std::fclose(f);
    }
}

std::string LowerExtension(const std::string& file) {
    size_t dot = file.find_last_of('.');
    size_t slash = file.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    std::string ext = file.substr(dot + 1);
    CharLowerBuffA(ext.data(), static_cast<DWORD>(ext.size()));
    return ext;
}

std::string NamePart(const std::string& file) {
    size_t slash = file.find_last_of("\\/");
    return slash == std::string::npos ? file : file.substr(slash + 1);
}

class TfrmViewer : public TForm {
public:
    TfrmViewer(const CommandLine& cl, std::string library, UniqueHBitmap image)
        : TForm({.caption = std::string(kTitle) + " - " + NamePart(cl.file) + (cl.print ? " (print)" : ""),
                 .borderStyle = cl.fullScreen ? TFormBorderStyle::bsNone : TFormBorderStyle::bsSizeable,
                 .left = 80,
                 .top = 60,
                 .clientWidth = 640,
                 .clientHeight = 480}),
          file_(cl.file), ext_(LowerExtension(cl.file)), library_(std::move(library)),
          image_(std::move(image)) {
        HMENU bar = CreateMenu(), fileMenu = CreatePopupMenu();
        AppendMenuA(fileMenu, MF_STRING, cmdInfo, "&Information...");
        AppendMenuA(fileMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(fileMenu, MF_STRING, cmdExit, "E&xit");
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(fileMenu), "&File");
        if (!cl.fullScreen)
            SetMenu(Handle(), bar);
        else
            DestroyMenu(bar);
        OnPaint = [this](HDC dc) { PaintImage(dc); };
        OnResize = [this] { Invalidate(); };
        OnClose = [] { Application().Terminate(); };
        OnMenuCommand = [this](UINT id) {
            if (id == cmdInfo) ShowInfo();
            if (id == cmdExit) Close();
        };
        if (cl.fullScreen)
            SetWindowPos(Handle(), HWND_TOP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                         GetSystemMetrics(SM_CYSCREEN), 0);
    }

    void ShowInfo() {
        // The library is loaded for the call and freed afterwards, as hosts do.
        kplug::TPluginLibrary lib(library_);
        auto specs = lib.Loaded() ? kplug::ReadSpecs(lib.Module()) : std::nullopt;
        auto info = lib.Entry<TKPLUGinfo>(kKPLUGinfo);
        if (!info || !specs || !specs->HasKey("KPLUGinfo", ext_)) {
            MessageBoxA(Handle(), "The plug-in offers no information for this file.", kTitle,
                        MB_ICONINFORMATION);
            return;
        }
        if (!info(file_.c_str(), 0, 0, Application().Handle()))
            MessageBoxA(Handle(), ("Cannot read " + file_ + ".").c_str(), kTitle, MB_ICONERROR);
    }

private:
    void PaintImage(HDC dc) {
        RECT rc = ClientRect();
        FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        BITMAP bm{};
        if (!GetObjectA(image_.get(), sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return;
        int cw = rc.right, ch = rc.bottom;
        // Fit inside the window, never enlarged, centred.
        double k = std::min({1.0, double(cw) / bm.bmWidth, double(ch) / bm.bmHeight});
        int w = std::max(1, int(bm.bmWidth * k)), h = std::max(1, int(std::abs(bm.bmHeight) * k));
        UniqueMemoryDC mem(CreateCompatibleDC(dc));
        SelectGuard sel(mem.get(), image_.get());
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, (cw - w) / 2, (ch - h) / 2, w, h, mem.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    }

    std::string file_, ext_, library_;
    UniqueHBitmap image_;
};

int Fail(const std::string& message) {
    MessageBoxA(nullptr, message.c_str(), kTitle, MB_ICONERROR);
    return 1;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    LogCommandLine();
    Application().SetTitle(kTitle);
    Application().Initialize();
    CommandLine cl = ParseCommandLine();
    if (cl.file.empty()) return Fail("Usage: vodedi FILE [/fs | /print]");
    std::string ext = LowerExtension(cl.file);
    std::string library = kplug::OpenPluginFor(ext);
    if (library.empty()) return Fail("No plug-in is registered for \"" + ext + "\" files.");
    UniqueHBitmap image;
    {
        kplug::TPluginLibrary lib(library);
        auto open = lib.Entry<TKPLUGopen>(kKPLUGopen);
        if (!open) return Fail("Cannot load the plug-in " + kplug::PluginPath(library) + ".");
        image.reset(open(cl.file.c_str(), ext.c_str(), Application().Handle()));
    }
    if (!image) return Fail("Cannot open " + cl.file + ".");
    TfrmViewer viewer(cl, library, std::move(image));
    viewer.Show();
    if (cl.fullScreen) ShowWindow(viewer.Handle(), SW_SHOWMAXIMIZED);
    Application().Run();
    return 0;
}
