#include "dragdrop/FileFormats.h"

#include <cstdint>
#include <cstring>

namespace dragdrop {

namespace {

std::string WideToAnsi(const wchar_t* w, int length) {
    if (length <= 0) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, w, length, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, w, length, s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring AnsiToWide(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

void AppendU32(std::string& out, uint32_t v) {
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

uint32_t ReadU32(const std::string& block, size_t at) {
    uint32_t v;
    std::memcpy(&v, block.data() + at, sizeof v);
    return v;
}

// The byte size of the id list at `at` (with its terminator) when it lies wholly in the block,
// else 0.
size_t PidlSizeAt(const std::string& block, size_t at) {
    size_t pos = at;
    for (;;) {
        if (pos + 2 > block.size()) return 0;
        uint16_t cb;
        std::memcpy(&cb, block.data() + pos, 2);
        if (cb == 0) return pos + 2 - at;
        if (cb < 2) return 0;
        pos += cb;
    }
}

// Zero-terminated strings of `unit`-byte characters from `at` up to the empty one; false when
// the block ends first.
template <typename Ch>
bool ReadStrings(const std::string& block, size_t at, std::vector<std::basic_string<Ch>>& out) {
    out.clear();
    size_t pos = at;
    for (;;) {
        std::basic_string<Ch> s;
        for (;;) {
            if (pos + sizeof(Ch) > block.size()) return false;
            Ch c;
            std::memcpy(&c, block.data() + pos, sizeof(Ch));
            pos += sizeof(Ch);
            if (c == 0) break;
            s.push_back(c);
        }
        if (s.empty()) return true;
        out.push_back(std::move(s));
    }
}

} // namespace

std::string BuildFileDropList(const std::vector<std::string>& names) {
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    std::string out(reinterpret_cast<const char*>(&header), sizeof header);
    for (const std::string& n : names) {
        out += n;
        out.push_back('\0');
    }
    out.push_back('\0');
    return out;
}

bool ParseFileDropList(const std::string& block, std::vector<std::string>& names) {
    names.clear();
    if (block.size() < sizeof(DROPFILES)) return false;
    DROPFILES header;
    std::memcpy(&header, block.data(), sizeof header);
    if (header.pFiles < sizeof(DROPFILES) || header.pFiles >= block.size()) return false;
    if (header.fWide) {
        std::vector<std::wstring> wide;
        if (!ReadStrings<wchar_t>(block, header.pFiles, wide)) return false;
        for (const std::wstring& w : wide)
            names.push_back(WideToAnsi(w.data(), static_cast<int>(w.size())));
        return true;
    }
    return ReadStrings<char>(block, header.pFiles, names);
}

std::string BuildIdListArray(const std::vector<LPCITEMIDLIST>& absolute) {
    const uint32_t n = static_cast<uint32_t>(absolute.size());
    std::string lists;
    std::vector<uint32_t> offsets(n + 1, 0);
    const uint32_t base = 4 * (n + 2);
    shell::UniquePidl lastParent;
    for (uint32_t i = 0; i < n; ++i) {
        LPITEMIDLIST parent = nullptr, child = nullptr;
        shell::PidlSplit(absolute[i], parent, child);
        shell::UniquePidl p(parent), c(child);
        if (!p) p.reset(shell::PidlAlloc(2)); // the desktop's own items have the empty parent
        if (!c) c.reset(shell::PidlAlloc(2));
        if (i == 0 || !shell::PidlCompare(p.get(), lastParent.get())) {
            if (i == 0) offsets[0] = base;
            lists.append(reinterpret_cast<const char*>(p.get()), shell::PidlSize(p.get()));
            lastParent = std::move(p);
        }
        offsets[i + 1] = base + static_cast<uint32_t>(lists.size());
        lists.append(reinterpret_cast<const char*>(c.get()), shell::PidlSize(c.get()));
    }
    std::string out;
    AppendU32(out, n);
    for (uint32_t o : offsets)
        AppendU32(out, o);
    return out + lists;
}

bool ParseIdListArray(const std::string& block, std::vector<shell::UniquePidl>& absolute) {
    absolute.clear();
    if (block.size() < 8) return false;
    const uint32_t n = ReadU32(block, 0);
    if (n > (block.size() - 8) / 4) return false;
    std::vector<uint32_t> offsets(n + 1);
    for (uint32_t i = 0; i <= n; ++i)
        offsets[i] = ReadU32(block, 4 + 4 * i);
    size_t parentSize = PidlSizeAt(block, offsets[0]);
    if (!parentSize) return false;
    size_t parentAt = offsets[0];
    // Where the next list would be if the block is laid out as it is written here.
    size_t pos = parentAt + parentSize;
    for (uint32_t i = 1; i <= n; ++i) {
        const size_t childAt = offsets[i];
        if (childAt != pos && pos < childAt) {
            // A list between the previous item and this one is this item's parent.
            size_t size = PidlSizeAt(block, pos);
            if (size && pos + size == childAt) {
                parentAt = pos;
                parentSize = size;
            }
        }
        size_t childSize = PidlSizeAt(block, childAt);
        if (!childSize) {
            absolute.clear();
            return false;
        }
        auto parent = reinterpret_cast<LPCITEMIDLIST>(block.data() + parentAt);
        auto child = reinterpret_cast<LPCITEMIDLIST>(block.data() + childAt);
        absolute.emplace_back(shell::PidlConcat(parent, child));
        pos = childAt + childSize;
    }
    return true;
}

std::string BuildNameMap(const std::vector<std::string>& names, bool wide) {
    std::string out;
    if (wide) {
        for (const std::string& n : names) {
            std::wstring w = AnsiToWide(n);
            if (w.size() > 1024) w.resize(1024);
            out.append(reinterpret_cast<const char*>(w.data()), w.size() * sizeof(wchar_t));
            out.append(sizeof(wchar_t), '\0');
        }
        out.append(sizeof(wchar_t), '\0');
    } else {
        for (const std::string& n : names) {
            out += n;
            out.push_back('\0');
        }
        out.push_back('\0');
    }
    return out;
}

bool ParseNameMap(const std::string& block, bool wide, std::vector<std::string>& names) {
    names.clear();
    if (!wide) return ReadStrings<char>(block, 0, names);
    std::vector<std::wstring> w;
    if (!ReadStrings<wchar_t>(block, 0, w)) return false;
    for (const std::wstring& s : w)
        names.push_back(WideToAnsi(s.data(), static_cast<int>(s.size())));
    return true;
}

} // namespace dragdrop
