// What the plug-in libraries of a folder offer, read once from their SPECS resources and exports:
// the host builds its file dialogs and menus from this and nothing else.
#pragma once

#include "plugin_api/Specs.h"

#include <string>
#include <vector>

namespace vodedi {

// One file format of a [KPLUGopen] or [KPLUGsave] section, with its [KPLUGdescr] text.
struct TFileFormat {
    std::string library;
    std::string extension;   // lower case, no dot
    std::string description; // "JPEG Images (*.jpg)"
};

// One menu command of a [KPLUGexport], [KPLUGtool] or [KPLUGfilter] section.
struct TPluginCommand {
    std::string library;
    std::string caption;
};

struct TPluginLibraryInfo {
    std::string fileName; // "kv_jpeg.dll"
    kplug::TSpecs specs;  // empty when the library has none
    bool hasSpecs = false;
    std::vector<std::string> entries; // the entry points it exports, of those the host knows
    bool Exports(const char* entry) const;
};

class TPluginCatalog {
public:
    // Loads every *.dll of the folder (with a trailing backslash) once, in name order.
    static TPluginCatalog Scan(const std::string& folder);

    const std::vector<TPluginLibraryInfo>& Libraries() const { return libraries_; }

    std::vector<TFileFormat> OpenFormats() const { return Formats("KPLUGopen", "KPLUGopen"); }
    std::vector<TFileFormat> SaveFormats() const { return Formats("KPLUGsave", "KPLUGsave"); }
    // The library that opens, or shows information for, files of the extension; "" when none.
    std::string OpenLibraryFor(const std::string& extension) const;
    std::string InfoLibraryFor(const std::string& extension) const;
    // "KPLUGexport", "KPLUGtool" or "KPLUGfilter": the section and the entry point share the name.
    std::vector<TPluginCommand> Commands(const char* entry) const;
    // Libraries exporting KPLUGconfig: any plug-in with a SPECS resource, as no section names it.
    std::vector<std::string> ConfigLibraries() const;
    // A library found by its file name that exports the entry (netload.dll, print.dll).
    bool HasNamed(const std::string& fileName, const char* entry) const;

private:
    std::vector<TFileFormat> Formats(const char* section, const char* entry) const;
    std::string LibraryFor(const char* section, const char* entry, const std::string& extension) const;
    std::vector<TPluginLibraryInfo> libraries_;
};

} // namespace vodedi
