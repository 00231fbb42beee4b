// The SPECS capability resource of a plug-in library: INI-style ANSI text in a resource named
// "SPECS" of type "KPLUG" saying which extensions or commands each entry point serves.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kplug {

inline constexpr char kSpecsResourceType[] = "KPLUG";
inline constexpr char kSpecsResourceName[] = "SPECS";

// Section names, in the order a resource lists them.
inline constexpr const char* kSpecsSectionOrder[] = {"KPLUGopen", "KPLUGsave",   "KPLUGexport", "KPLUGinfo",
                                                     "KPLUGtool", "KPLUGfilter", "KPLUGdescr"};

struct TSpecsSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries; // key, value
};

class TSpecs {
public:
    // Adds a key (and section if new); keys keep the order they were added in.
    void Add(const std::string& section, const std::string& key, const std::string& value = std::string());

    const std::vector<TSpecsSection>& Sections() const { return sections_; }
    // Section and key names compare without regard to case.
    bool HasSection(const std::string& section) const;
    bool HasKey(const std::string& section, const std::string& key) const;
    std::vector<std::string> Keys(const std::string& section) const;
    std::string Value(const std::string& section, const std::string& key) const;

private:
    const TSpecsSection* Find(const std::string& section) const;
    std::vector<TSpecsSection> sections_;
};

// Reads the text form; zero bytes after the last line are ignored, LF alone ends a line too.
TSpecs ParseSpecs(std::string_view text);

// The exact resource bytes: sections in resource order (unknown ones after, as added), each
// "[name]" then "key=value" lines, every line ended by CR LF, one blank line between sections.
std::string WriteSpecs(const TSpecs& specs);

// The raw bytes of a loaded library's SPECS resource, whatever its language; nullopt when absent.
std::optional<std::string> SpecsResourceBytes(HMODULE module);
// The parsed SPECS of a loaded library; nullopt when it has none.
std::optional<TSpecs> ReadSpecs(HMODULE module);

} // namespace kplug
