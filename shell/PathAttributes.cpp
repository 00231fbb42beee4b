#include "shell/PathAttributes.h"

#include "kovalin/Handles.h"

#include <cstring>
#include <unordered_map>
#include <utility>

namespace shell {

namespace {

// Missing names of one folder asked for one by one before the rest are looked up in a listing;
// a folder is listed only for at least as many names again.
constexpr size_t kMissesBeforeListing = 8;

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Folded(std::string s) {
    for (char& c : s)
        c = FoldAscii(c);
    return s;
}

// Whether a listing can answer for the name exactly as the file system would: plain ASCII, whose
// letter case every file system folds alike, and none of the forms the system resolves to another
// entry (8.3 aliases with their tilde, streams after a colon, trailing dots and blanks it strips).
bool ListableName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ') return false;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7e || std::strchr("\\/:*?\"<>|~", c)) return false;
    }
    return true;
}

// The entries of one folder by their folded names.
class Listing {
public:
    // False when the folder could not be listed.
    bool Read(const std::string& folder) {
        const std::string pattern = folder + "\\*";
        WIN32_FIND_DATAA entry;
        kovalin::UniqueFindHandle find(FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &entry,
                                                        FindExSearchNameMatch, nullptr,
                                                        FIND_FIRST_EX_LARGE_FETCH));
        // Systems before Windows 7 do not know the basic form.
        if (!find && GetLastError() == ERROR_INVALID_PARAMETER)
            find.reset(FindFirstFileA(pattern.c_str(), &entry));
        if (!find) return false;
        do
            Add(entry);
        while (FindNextFileA(find.get(), &entry));
        return GetLastError() == ERROR_NO_MORE_FILES;
    }

    // The attributes of a listable name; `known` is false when the listing cannot tell.
    DWORD Find(const std::string& name, bool& known) const {
        const auto it = entries_.find(Folded(name));
        if (it == entries_.end()) {
            // An entry the code page cannot show (a '?' stands for such a character) or one outside
            // ASCII might be the name in another case: only a folder without them rules it out.
            known = plainOnly_;
            return INVALID_FILE_ATTRIBUTES;
        }
        // Names equal but for case (a host folder under Wine can hold both): the system picks.
        known = !it->second.ambiguous;
        return it->second.attributes;
    }

private:
    struct Entry {
        DWORD attributes;
        bool ambiguous;
    };

    void Add(const WIN32_FIND_DATAA& entry) {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") return;
        for (char c : name)
            if (static_cast<unsigned char>(c) > 0x7e || c == '?') {
                plainOnly_ = false;
                return;
            }
        const auto [it, added] = entries_.try_emplace(Folded(name), Entry{entry.dwFileAttributes, false});
        if (!added) it->second.ambiguous = true;
    }

    std::unordered_map<std::string, Entry> entries_;
    bool plainOnly_ = true;
};

} // namespace

std::vector<DWORD> PathAttributes(const std::vector<std::string>& paths) {
    std::vector<DWORD> result(paths.size(), INVALID_FILE_ATTRIBUTES);
    struct Group {
        std::string folder;
        std::vector<size_t> paths;
    };
    std::vector<Group> groups;
    std::unordered_map<std::string, size_t> groupOf;
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        const size_t cut = path.find_last_of('\\');
        // Network paths and the system's own path forms are always asked for one by one.
        if (cut == std::string::npos || cut == 0 || path.compare(0, 2, "\\\\") == 0 ||
            !ListableName(path.substr(cut + 1))) {
            result[i] = GetFileAttributesA(path.c_str());
            continue;
        }
        const auto [it, added] = groupOf.try_emplace(Folded(path.substr(0, cut)), groups.size());
        if (added) groups.push_back({path.substr(0, cut), {}});
        groups[it->second].paths.push_back(i);
    }

    for (const Group& group : groups) {
        size_t misses = 0;
        bool listed = false, listable = true;
        Listing listing;
        for (size_t k = 0; k < group.paths.size(); ++k) {
            const size_t i = group.paths[k];
            if (listed) {
                bool known = false;
                const DWORD attributes = listing.Find(paths[i].substr(group.folder.size() + 1), known);
                if (known) {
                    result[i] = attributes;
                    continue;
                }
            }
            result[i] = GetFileAttributesA(paths[i].c_str());
            if (result[i] == INVALID_FILE_ATTRIBUTES && !listed && listable &&
                ++misses >= kMissesBeforeListing && group.paths.size() - k - 1 >= kMissesBeforeListing) {
                listed = listing.Read(group.folder);
                listable = listed;
            }
        }
    }
    return result;
}

} // namespace shell
