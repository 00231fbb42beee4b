// The browser program: one main window, the message loop, and the end when the window closes.
#include "browser/main.h"
#include "kovalin/Application.h"

#include <ole2.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The shell's folders, icons and context menus want COM on this thread.
    OleInitialize(nullptr);
    kovalin::Application().SetTitle("Kovalin File Browser");
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i)
        args.emplace_back(__argv[i]);
    // A window that cannot be made is shown to the user like any other error, and ends the program.
    bool ran = kovalin::CallGuarded([&] {
        kovalin::Application().Initialize();
        browser::TfrmMain form(std::move(args));
        form.Show();
        kovalin::Application().Run();
    });
    OleUninitialize();
    return ran ? 0 : 1;
}
