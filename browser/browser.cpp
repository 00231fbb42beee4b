// The browser program: one main window, the message loop, and the end when the window closes.
#include "browser/main.h"
#include "kovalin/Application.h"

#include <ole2.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The shell's folders, icons and context menus want COM on this thread.
    OleInitialize(nullptr);
    kovalin::Application().Initialize();
    kovalin::Application().SetTitle("Kovalin File Browser");
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
    {
        browser::TfrmMain form(std::move(args));
        form.Show();
        kovalin::Application().Run();
    }
    OleUninitialize();
    return 0;
}
