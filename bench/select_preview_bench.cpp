// Select-to-preview in the browser's main window for a 6000 x 4000 JPEG: from the click on the
// file in the list until the preview pane has drawn it, against KPLUGopen alone on the same file,
// in the same process and run. Prints both medians and their ratio.
//
//   select_preview_bench.exe [rounds]
//
// It opens the main window, which stores its layout in the user's registry when it closes.
#include "bench/BenchTiming.h"
#include "browser/main.h"
#include "kovalin/Application.h"
#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/WindowDriver.h"

#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::Seconds;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    OleInitialize(nullptr);
    kovalin::Application().Initialize();
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string folder = std::string(tmp) + "kv_select_bench";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string big = folder + "\\big.jpg", other = folder + "\\other.txt";
    WriteFile(big, testsupport::MakeJpeg({.width = 6000, .height = 4000, .quality = 90}));
    WriteFile(other, "not a picture");
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Kovalin\\KPLUG\\Open", "jpg", REG_SZ, "kv_jpeg.dll", 12);

    kplug::TPluginLibrary lib("kv_jpeg.dll");
    auto open = lib.Entry<TKPLUGopen>(kKPLUGopen);
    if (!open) {
        std::printf("kv_jpeg.dll not found in %s\n", kplug::PluginFolder().c_str());
        return 1;
    }

    std::vector<double> select, plugin;
    {
        browser::TfrmMain form({folder});
        form.SetWindowState(kovalin::TWindowState::wsNormal);
        form.Show();
        testsupport::RunUntilIdle();
        int bigIndex = form.dirView->FindFileItem("big.jpg")->Index();
        int otherIndex = form.dirView->FindFileItem("other.txt")->Index();
        DeleteObject(open(big.c_str(), "jpg", nullptr)); // warm the file cache and the code
        for (int i = 0; i < rounds; ++i) {
            testsupport::ClickListItem(form.dirView->Handle(), otherIndex); // clears the preview
            testsupport::RunUntilIdle();
            double t0 = Seconds();
            testsupport::ClickListItem(form.dirView->Handle(), bigIndex);
            UpdateWindow(form.imgPreview->Handle());
            double t1 = Seconds();
            if (!form.PreviewShown()) {
                std::printf("no preview\n");
                return 1;
            }
            HBITMAP h = open(big.c_str(), "jpg", nullptr);
            DeleteObject(h);
            double t2 = Seconds();
            select.push_back(t1 - t0);
            plugin.push_back(t2 - t1);
        }
    }
    DeleteFileA(big.c_str());
    DeleteFileA(other.c_str());
    RemoveDirectoryA(folder.c_str());
    double s = Median(select), p = Median(plugin);
    std::printf("select to preview %8.1f ms (median of %d)\n", s * 1000, rounds);
    std::printf("KPLUGopen alone   %8.1f ms\n", p * 1000);
    std::printf("ratio             %8.3f (target 1.30 or less)\n", s / p);
    OleUninitialize();
    return 0;
}
