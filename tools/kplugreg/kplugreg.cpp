// Registers the open plug-ins of a folder in the user's plug-in map, or removes them again.
//
//   kplugreg /register [FOLDER]
//   kplugreg /unregister [FOLDER]
//
// FOLDER defaults to the "plugins" folder beside this program. Prints one line per library and
// ends with 0, or with 1 when a library was skipped or the map could not be written, 2 on a
// wrong command line.
#include "tools/kplugreg/Registration.h"

#include "kovalin/Module.h"

#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("usage: kplugreg /register | /unregister [folder]\n", stderr);
        return 2;
    }
    std::string command = argv[1];
    std::string folder = argc == 3 ? argv[2] : kovalin::ModuleFolder(nullptr) + "plugins\\";
    try {
        kplugreg::TRegistrationReport report;
        if (lstrcmpiA(command.c_str(), "/register") == 0)
            report = kplugreg::RegisterFolder(folder);
        else if (lstrcmpiA(command.c_str(), "/unregister") == 0)
            report = kplugreg::UnregisterFolder(folder);
        else {
            std::fputs("usage: kplugreg /register | /unregister [folder]\n", stderr);
            return 2;
        }
        for (const std::string& line : report.lines)
            std::printf("%s\n", line.c_str());
        return report.librariesSkipped > 0 ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kplugreg: %s\n", e.what());
        return 1;
    }
}
