#include "plugin_api/PluginMap.h"

#include "kovalin/ErrorMode.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Module.h"
#include "kovalin/Registry.h"

namespace kplug {

std::string OpenPluginFor(const std::string& extension) {
    if (extension.empty()) return std::string();
    kovalin::TRegistry reg(HKEY_CURRENT_USER);
    try {
        if (!reg.OpenKey(kOpenPluginMapKey, true)) return std::string();
        return reg.ReadString(extension);
    } catch (const kovalin::ERegistryException&) {
        return std::string();
    }
}

std::string PluginFolder() {
    return kovalin::ModuleFolder(nullptr) + "plugins\\";
}

std::string PluginPath(const std::string& libraryFileName) {
    return PluginFolder() + libraryFileName;
}

TPluginLibrary::TPluginLibrary(const std::string& libraryFileName) {
    // The map names a file in the plug-in folder, never a path elsewhere.
    if (libraryFileName.empty() || libraryFileName.find_first_of("\\/:") != std::string::npos) return;
    // A missing or broken library must not put up the system's error box.
    kovalin::TErrorModeScope quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    module_.reset(LoadLibraryA(PluginPath(libraryFileName).c_str()));
}

} // namespace kplug
