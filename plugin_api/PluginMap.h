// Where hosts find plug-ins: the registry map from file extension to open plug-in library,
// and the "plugins" folder beside the host executable.
#pragma once

#include "kovalin/Handles.h"
#include "plugin_api/KPlug.h"

#include <string>

namespace kplug {

// Under HKEY_CURRENT_USER: one string value per extension (lower case, no dot) naming a library.
inline constexpr char kOpenPluginMapKey[] = "\\Software\\Kovalin\\KPLUG\\Open";

// The library file name registered for the extension, "" when none. The key is created empty when
// missing; a value of the wrong type counts as no registration. Hosts ask in lower case; the
// registry compares value names without regard to case.
std::string OpenPluginFor(const std::string& extension);

// The host executable's folder with a trailing backslash, then "plugins\".
std::string PluginFolder();
std::string PluginPath(const std::string& libraryFileName);

// A loaded plug-in library, freed when this goes away.
class TPluginLibrary {
public:
    // Loads the library from the plug-in folder; Loaded() is false when that failed.
    explicit TPluginLibrary(const std::string& libraryFileName);
    bool Loaded() const { return static_cast<bool>(module_); }
    HMODULE Module() const { return module_.get(); }

    template <typename Fn> Fn Entry(const char* name) const {
        return module_ ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)))
                       : nullptr;
    }

private:
    kovalin::UniqueHModule module_;
};

} // namespace kplug
