#include "tools/kplugreg/Registration.h"

#include "kovalin/ErrorMode.h"
#include "kovalin/Handles.h"
#include "kovalin/Registry.h"
#include "plugin_api/PluginMap.h"
#include "plugin_api/Specs.h"

#include <windows.h>

#include <algorithm>
#include <optional>

namespace kplugreg {

namespace {

std::string WithBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

std::vector<std::string> LibrariesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    kovalin::UniqueFindHandle find(FindFirstFileA((folder + "*.dll").c_str(), &fd));
    if (!find) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
    } while (FindNextFileA(find.get(), &fd));
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
    return names;
}

// An extension the map can hold as a value name: letters, digits, '_' and '-', no dot.
bool PlainExtension(const std::string& ext) {
    if (ext.empty() || ext.size() > 15) return false;
    return std::all_of(ext.begin(), ext.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-';
    });
}

// Text up to the zero bytes that may follow it: printable ANSI, tabs and line ends only.
bool PlainText(const std::string& bytes) {
    std::string_view text(bytes);
    text = text.substr(0, text.find('\0'));
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u >= 0x20 || c == '\t' || c == '\r' || c == '\n';
    });
}

// The open extensions of one library, read without running any of its code.
std::optional<std::vector<std::string>> OpenExtensions(const std::string& path, std::string& problem) {
    kovalin::TErrorModeScope quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    kovalin::UniqueHModule module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) {
        problem = "cannot be read as a library";
        return std::nullopt;
    }
    auto bytes = kplug::SpecsResourceBytes(module.get());
    if (!bytes) {
        problem = "has no SPECS resource";
        return std::nullopt;
    }
    if (!PlainText(*bytes)) {
        problem = "has a malformed SPECS resource (not text)";
        return std::nullopt;
    }
    kplug::TSpecs specs = kplug::ParseSpecs(*bytes);
    std::vector<std::string> exts;
    for (std::string ext : specs.Keys("KPLUGopen")) {
        if (!PlainExtension(ext)) {
            problem = "has a malformed SPECS resource (\"" + ext + "\" is not an extension)";
            return std::nullopt;
        }
        CharLowerBuffA(ext.data(), static_cast<DWORD>(ext.size()));
        if (std::find(exts.begin(), exts.end(), ext) == exts.end()) exts.push_back(ext);
    }
    return exts;
}

// The map key without the leading backslash the browser's accessor takes.
std::string MapKey() {
    return std::string(kplug::kOpenPluginMapKey).substr(1);
}

} // namespace

TRegistrationReport RegisterFolder(const std::string& folderName) {
    struct Library {
        std::string name, problem;
        std::vector<std::string> exts;
    };
    std::string folder = WithBackslash(folderName);
    // Every library is read before anything is written, so a bad one changes nothing of the map.
    std::vector<Library> libraries;
    for (const std::string& name : LibrariesIn(folder)) {
        Library lib{name, {}, {}};
        if (auto exts = OpenExtensions(folder + name, lib.problem)) lib.exts = std::move(*exts);
        libraries.push_back(std::move(lib));
    }
    TRegistrationReport report;
    kovalin::TRegistry reg(HKEY_CURRENT_USER);
    bool anything =
        std::any_of(libraries.begin(), libraries.end(), [](const Library& l) { return !l.exts.empty(); });
    if (anything && !reg.OpenKey(MapKey(), true)) {
        report.lines.push_back("Cannot open HKEY_CURRENT_USER\\" + MapKey() + ".");
        ++report.librariesSkipped;
        return report;
    }
    for (const Library& lib : libraries) {
        if (!lib.problem.empty()) {
            report.lines.push_back(lib.name + ": " + lib.problem + "; nothing registered.");
            ++report.librariesSkipped;
            continue;
        }
        if (lib.exts.empty()) {
            report.lines.push_back(lib.name + ": opens no file types.");
            continue;
        }
        std::string list;
        for (const std::string& ext : lib.exts) {
            reg.WriteString(ext, lib.name);
            if (!list.empty()) list += ", ";
            list += ext;
        }
        report.lines.push_back(lib.name + ": registered for " + list + ".");
    }
    return report;
}

TRegistrationReport UnregisterFolder(const std::string& folderName) {
    TRegistrationReport report;
    std::vector<std::string> ours = LibrariesIn(WithBackslash(folderName));
    kovalin::TRegistry reg(HKEY_CURRENT_USER);
    if (ours.empty() || !reg.OpenKey(MapKey(), false)) return report;
    for (const std::string& value : reg.GetValueNames()) {
        if (reg.GetDataType(value) != kovalin::TRegDataType::rdString) continue;
        std::string data = reg.ReadString(value);
        bool named = std::any_of(ours.begin(), ours.end(), [&](const std::string& lib) {
            return lstrcmpiA(lib.c_str(), data.c_str()) == 0;
        });
        if (named && reg.DeleteValue(value)) report.lines.push_back(value + ": " + data + " unregistered.");
    }
    return report;
}

} // namespace kplugreg
