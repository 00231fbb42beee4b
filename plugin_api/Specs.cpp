#include "plugin_api/Specs.h"

#include <algorithm>
#include <iterator>

namespace kplug {

namespace {

bool SameText(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

size_t OrderOf(const std::string& section) {
    for (size_t i = 0; i < std::size(kSpecsSectionOrder); ++i)
        if (SameText(section, kSpecsSectionOrder[i])) return i;
    return std::size(kSpecsSectionOrder);
}

} // namespace

void TSpecs::Add(const std::string& section, const std::string& key, const std::string& value) {
    auto it = std::find_if(sections_.begin(), sections_.end(),
                           [&](const TSpecsSection& s) { return SameText(s.name, section); });
    if (it == sections_.end()) it = sections_.insert(sections_.end(), TSpecsSection{section, {}});
    it->entries.emplace_back(key, value);
}

const TSpecsSection* TSpecs::Find(const std::string& section) const {
    for (const auto& s : sections_)
        if (SameText(s.name, section)) return &s;
    return nullptr;
}

bool TSpecs::HasSection(const std::string& section) const {
    return Find(section) != nullptr;
}

bool TSpecs::HasKey(const std::string& section, const std::string& key) const {
    const TSpecsSection* s = Find(section);
    return s && std::any_of(s->entries.begin(), s->entries.end(),
                            [&](const auto& e) { return SameText(e.first, key); });
}

std::vector<std::string> TSpecs::Keys(const std::string& section) const {
    std::vector<std::string> keys;
    if (const TSpecsSection* s = Find(section))
        for (const auto& e : s->entries)
            keys.push_back(e.first);
    return keys;
}

std::string TSpecs::Value(const std::string& section, const std::string& key) const {
    if (const TSpecsSection* s = Find(section))
        for (const auto& e : s->entries)
            if (SameText(e.first, key)) return e.second;
    return std::string();
}

TSpecs ParseSpecs(std::string_view text) {
    size_t end = text.find('\0');
    if (end != std::string_view::npos) text = text.substr(0, end);
    TSpecs specs;
    std::string section;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = Trim(text.substr(0, nl));
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            size_t close = line.find(']');
            section = std::string(
                line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            continue;
        }
        if (section.empty()) continue; // keys before any section belong nowhere
        size_t eq = line.find('=');
        std::string_view key = Trim(line.substr(0, eq));
        std::string_view value =
            eq == std::string_view::npos ? std::string_view() : Trim(line.substr(eq + 1));
        specs.Add(section, std::string(key), std::string(value));
    }
    return specs;
}

std::string WriteSpecs(const TSpecs& specs) {
    std::vector<const TSpecsSection*> order;
    for (const auto& s : specs.Sections())
        order.push_back(&s);
    std::stable_sort(order.begin(), order.end(), [](const TSpecsSection* a, const TSpecsSection* b) {
        return OrderOf(a->name) < OrderOf(b->name);
    });
    std::string out;
    for (const TSpecsSection* s : order) {
        if (!out.empty()) out += "\r\n";
        out += "[" + s->name + "]\r\n";
        for (const auto& [key, value] : s->entries)
            out += key + "=" + value + "\r\n";
    }
    return out;
}

std::optional<std::string> SpecsResourceBytes(HMODULE module) {
    // The resource is language neutral in most libraries, US English in some: take whichever is there.
    WORD language = 0;
    bool found = false;
    struct Probe {
        static BOOL CALLBACK First(HMODULE, LPCSTR, LPCSTR, WORD lang, LONG_PTR param) {
            auto* out = reinterpret_cast<std::pair<WORD*, bool*>*>(param);
            *out->first = lang;
            *out->second = true;
            return FALSE;
        }
    };
    std::pair<WORD*, bool*> probe{&language, &found};
    EnumResourceLanguagesA(module, kSpecsResourceType, kSpecsResourceName, Probe::First,
                           reinterpret_cast<LONG_PTR>(&probe));
    if (!found) return std::nullopt;
    HRSRC res = FindResourceExA(module, kSpecsResourceType, kSpecsResourceName, language);
    HGLOBAL mem = res ? LoadResource(module, res) : nullptr;
    const char* data = mem ? static_cast<const char*>(LockResource(mem)) : nullptr;
    if (!data) return std::nullopt;
    return std::string(data, SizeofResource(module, res));
}

std::optional<TSpecs> ReadSpecs(HMODULE module) {
    auto bytes = SpecsResourceBytes(module);
    if (!bytes) return std::nullopt;
    return ParseSpecs(*bytes);
}

} // namespace kplug
