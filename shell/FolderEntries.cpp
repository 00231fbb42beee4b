#include "shell/FolderEntries.h"

#include "kovalin/ErrorMode.h"
#include "kovalin/Handles.h"
#include "shell/BaseUtils.h"

#include <algorithm>
#include <cstring>

namespace shell {

namespace {

bool IsSubDir(const WIN32_FIND_DATAA& fd) {
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDotEntry(fd.cFileName);
}

// Calls f for every entry of a folder; `folder` ends in a backslash.
template <typename F> void ForEachFolderEntry(const std::string& folder, F f) {
    kovalin::TErrorModeScope quiet;
    ForEachEntry(folder + "*.*", f);
}

// A key whose byte order is the locale's case-insensitive order of the text.
std::string SortKey(const std::string& text) {
    char buf[1024];
    int n =
        LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text.c_str(), -1, buf, sizeof buf);
    if (n > 0) return std::string(buf, static_cast<size_t>(n));
    n = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text.c_str(), -1, nullptr, 0);
    std::string key(static_cast<size_t>(std::max(n, 0)), '\0');
    if (n > 0)
        LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text.c_str(), -1, key.data(), n);
    return key;
}

// Names of ASCII letters, digits and blanks only: for them the locale's case-insensitive order is
// the order of their upper-case bytes (blank before digits before letters), which costs far less
// to get than a sort key.
bool IsPlainName(const std::string& name) {
    for (unsigned char c : name)
        if (!(c == ' ' || (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'))) return false;
    return true;
}

int ComparePlain(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int x = (a[i] >= 'a' && a[i] <= 'z') ? a[i] - 32 : a[i];
        int y = (b[i] >= 'a' && b[i] <= 'z') ? b[i] - 32 : b[i];
        if (x != y) return x - y;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace

std::vector<DirEntry> ListSubDirs(const std::string& folder) {
    std::vector<DirEntry> dirs;
    ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAA& fd) {
        if (IsSubDir(fd)) {
            DirEntry& e = dirs.emplace_back(DirEntry{fd.dwFileAttributes, {}, fd.cFileName});
            std::memcpy(e.shortName, fd.cAlternateFileName, sizeof e.shortName);
        }
        return true;
    });
    return dirs;
}

bool HasSubFolder(const std::string& folder) {
    bool found = false;
    ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAA& fd) {
        found = IsSubDir(fd);
        return !found;
    });
    return found;
}

bool FolderExists(const std::string& path) {
    kovalin::TErrorModeScope quiet;
    return DirExists(path);
}

int64_t FilesSize(const std::string& folder) {
    int64_t sum = 0;
    ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAA& fd) {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            sum += static_cast<int64_t>((uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
        return true;
    });
    return sum;
}

std::vector<size_t> InNameOrder(const std::vector<DirEntry>& dirs) {
    std::vector<size_t> order(dirs.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    auto tie = [&](size_t a, size_t b) { return dirs[a].name < dirs[b].name; };
    if (std::all_of(dirs.begin(), dirs.end(), [](const DirEntry& e) { return IsPlainName(e.name); })) {
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            int c = ComparePlain(dirs[a].name, dirs[b].name);
            return c ? c < 0 : tie(a, b);
        });
    } else {
        std::vector<std::string> keys;
        keys.reserve(dirs.size());
        for (const DirEntry& e : dirs)
            keys.push_back(SortKey(e.name));
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            int c = keys[a].compare(keys[b]);
            return c ? c < 0 : tie(a, b);
        });
    }
    return order;
}

} // namespace shell
