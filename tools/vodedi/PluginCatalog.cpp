#include "tools/vodedi/PluginCatalog.h"

#include "kovalin/ErrorMode.h"
#include "kovalin/Handles.h"
#include "plugin_api/KPlug.h"

#include <algorithm>

namespace vodedi {

namespace {

const char* const kKnownEntries[] = {kKPLUGopen, kKPLUGsave,   kKPLUGexport, kKPLUGinfo, kKPLUGconfig,
                                     kKPLUGtool, kKPLUGfilter, kLoadFile,    kDoPrint};

bool SameText(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

std::string Lower(std::string s) {
    if (!s.empty()) CharLowerBuffA(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

} // namespace

bool TPluginLibraryInfo::Exports(const char* entry) const {
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

TPluginCatalog TPluginCatalog::Scan(const std::string& folder) {
    TPluginCatalog catalog;
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    kovalin::UniqueFindHandle find(FindFirstFileA((folder + "*.dll").c_str(), &fd));
    if (find) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
        } while (FindNextFileA(find.get(), &fd));
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });

    // A library that cannot be loaded offers nothing, and must not put up the system's box.
    kovalin::TErrorModeScope quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    for (const std::string& name : names) {
        kovalin::UniqueHModule module(LoadLibraryA((folder + name).c_str()));
        if (!module) continue;
        TPluginLibraryInfo info;
        info.fileName = name;
        if (auto specs = kplug::ReadSpecs(module.get())) {
            info.specs = std::move(*specs);
            info.hasSpecs = true;
        }
        for (const char* entry : kKnownEntries)
            if (GetProcAddress(module.get(), entry)) info.entries.push_back(entry);
        catalog.libraries_.push_back(std::move(info));
    }
    return catalog;
}

std::vector<TFileFormat> TPluginCatalog::Formats(const char* section, const char* entry) const {
    std::vector<TFileFormat> formats;
    for (const TPluginLibraryInfo& lib : libraries_) {
        if (!lib.hasSpecs || !lib.Exports(entry)) continue;
        for (const std::string& key : lib.specs.Keys(section)) {
            std::string ext = Lower(key);
            if (ext.empty()) continue;
            bool known = std::any_of(formats.begin(), formats.end(),
                                     [&](const TFileFormat& f) { return f.extension == ext; });
            if (known) continue; // the first library in name order serves an extension
            std::string descr = lib.specs.Value("KPLUGdescr", ext);
            if (descr.empty()) {
                std::string upper = ext;
                CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
                descr = upper + " Files (*." + ext + ")";
            }
            formats.push_back({lib.fileName, ext, descr});
        }
    }
    return formats;
}

std::string TPluginCatalog::LibraryFor(const char* section, const char* entry,
                                       const std::string& extension) const {
    if (extension.empty()) return std::string();
    for (const TPluginLibraryInfo& lib : libraries_)
        if (lib.hasSpecs && lib.Exports(entry) && lib.specs.HasKey(section, extension)) return lib.fileName;
    return std::string();
}

std::string TPluginCatalog::OpenLibraryFor(const std::string& extension) const {
    return LibraryFor("KPLUGopen", kKPLUGopen, extension);
}

std::string TPluginCatalog::InfoLibraryFor(const std::string& extension) const {
    return LibraryFor("KPLUGinfo", kKPLUGinfo, extension);
}

std::vector<TPluginCommand> TPluginCatalog::Commands(const char* entry) const {
    std::vector<TPluginCommand> commands;
    for (const TPluginLibraryInfo& lib : libraries_) {
        if (!lib.hasSpecs || !lib.Exports(entry)) continue;
        for (const std::string& key : lib.specs.Keys(entry))
            if (!key.empty()) commands.push_back({lib.fileName, key});
    }
    return commands;
}

std::vector<std::string> TPluginCatalog::ConfigLibraries() const {
    std::vector<std::string> names;
    for (const TPluginLibraryInfo& lib : libraries_)
        if (lib.hasSpecs && lib.Exports(kKPLUGconfig)) names.push_back(lib.fileName);
    return names;
}

bool TPluginCatalog::HasNamed(const std::string& fileName, const char* entry) const {
    return std::any_of(libraries_.begin(), libraries_.end(), [&](const TPluginLibraryInfo& lib) {
        return SameText(lib.fileName, fileName) && lib.Exports(entry);
    });
}

} // namespace vodedi
