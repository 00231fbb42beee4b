#include "plugins/xfbridge/FilterLocator.h"

#include "plugins/xfbridge/COXRegistryValFile.h"
#include "plugins/xfbridge/LocationDialog.h"
#include "plugins/xfbridge/Module.h"
#include "plugins/xfbridge/SerializedString.h"

#include <windows.h>

namespace xfbridge {

bool IsLoadable(const std::string& path) {
    if (path.empty()) return false;
    // Mapped as data, the library's initialisation does not run; it is let go at once.
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return false;
    FreeLibrary(module);
    return true;
}

std::string ReadRememberedLocation() {
    COXRegistryValFile value;
    if (!value.Open(HKEY_CURRENT_USER, kLocationKey, kLocationValue)) return std::string();
    std::string path = ReadSerializedString(value.File()).value_or(std::string());
    value.Close();
    return path;
}

bool RememberLocation(const std::string& path) {
    COXRegistryValFile value;
    if (!value.Open(HKEY_CURRENT_USER, kLocationKey, kLocationValue)) return false;
    // The new path replaces whatever the value held, rather than following it.
    value.File().Clear();
    WriteSerializedString(value.File(), path);
    return value.Close();
}

std::string LocateFilter() {
    const std::string folder = FolderOf(ModuleFileName(ThisModule()));
    for (const char* name : kFilterNames)
        if (IsLoadable(folder + name)) return folder + name;

    const std::string remembered = ReadRememberedLocation();
    if (remembered.empty()) {
        for (const char* name : kFilterNames)
            if (IsLoadable(name)) return name;
    } else if (IsLoadable(remembered)) {
        return remembered;
    }

    auto chosen = AskFilterLocation();
    if (!chosen || !IsLoadable(*chosen)) return std::string();
    RememberLocation(*chosen); // a failed save only means the dialog comes again next time
    return *chosen;
}

} // namespace xfbridge
