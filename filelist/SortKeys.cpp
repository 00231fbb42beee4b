#include "filelist/SortKeys.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace filelist {

namespace {

constexpr DWORD kKeyFlags = LCMAP_SORTKEY | NORM_IGNORECASE;

std::string LocaleKey(std::string_view text) {
    char buffer[512];
    const int n = text.empty() ? 0
                               : LCMapStringA(LOCALE_USER_DEFAULT, kKeyFlags, text.data(),
                                              static_cast<int>(text.size()), buffer, sizeof buffer);
    return std::string(buffer, static_cast<size_t>(std::max(n, 0)));
}

// A rank per character, 0 for those the table leaves to the locale. A locale key holds the
// primary weights of all characters, then the other levels; a character qualifies when its key is
// a primary weight of the common width followed by the common rest, and when every pair of
// qualifying characters is keyed as the two weights followed by that rest: then so is every text
// of them (no contractions such as a two-letter unit of a language, no characters that the locale
// ignores at the first level, such as the hyphen and the apostrophe, no expansions).
struct Table {
    std::array<unsigned char, 256> rank{};

    Table() {
        std::vector<int> chars;
        std::array<std::string, 256> primary;
        std::string rest;
        size_t width = 0;
        for (int c = 0x20; c < 0x7F; ++c) {
            const std::string key = LocaleKey(std::string(1, static_cast<char>(c)));
            const size_t cut = key.find('\x01');
            if (cut == std::string::npos || cut == 0 || static_cast<unsigned char>(key[0]) <= 1) continue;
            if (chars.empty()) {
                rest = key.substr(cut);
                width = cut;
            }
            if (cut != width || key.compare(cut, std::string::npos, rest) != 0) continue;
            primary[static_cast<size_t>(c)] = key.substr(0, cut);
            chars.push_back(c);
        }
        std::array<bool, 256> bad{};
        for (int a : chars)
            for (int b : chars) {
                const char pair[2] = {static_cast<char>(a), static_cast<char>(b)};
                if (LocaleKey(std::string_view(pair, 2)) !=
                    primary[static_cast<size_t>(a)] + primary[static_cast<size_t>(b)] + rest)
                    bad[static_cast<size_t>(a)] = bad[static_cast<size_t>(b)] = true;
            }
        std::erase_if(chars, [&bad](int c) { return bad[static_cast<size_t>(c)]; });
        std::sort(chars.begin(), chars.end(), [&primary](int a, int b) {
            return primary[static_cast<size_t>(a)] < primary[static_cast<size_t>(b)];
        });
        unsigned char next = 0;
        for (size_t i = 0; i < chars.size(); ++i) {
            if (i == 0 ||
                primary[static_cast<size_t>(chars[i])] != primary[static_cast<size_t>(chars[i - 1])])
                ++next;
            rank[static_cast<size_t>(chars[i])] = next;
        }
    }
};

const Table& TheTable() {
    static const Table table;
    return table;
}

uint64_t BigEndian(const char* at) {
    uint64_t v;
    std::memcpy(&v, at, sizeof v);
    return __builtin_bswap64(v);
}

} // namespace

bool SortKeys::Plain(std::string_view text) {
    const auto& rank = TheTable().rank;
    for (char c : text)
        if (!rank[static_cast<unsigned char>(c)]) return false;
    return true;
}

void SortKeys::AppendPlainKey(std::string_view text, std::string& keys) {
    const auto& rank = TheTable().rank;
    const size_t at = keys.size();
    keys.resize(at + text.size());
    for (size_t i = 0; i < text.size(); ++i)
        keys[at + i] = static_cast<char>(rank[static_cast<unsigned char>(text[i])]);
}

bool SortKeys::AppendIfPlain(std::string_view text, std::string& keys) {
    const auto& rank = TheTable().rank;
    const size_t at = keys.size();
    keys.resize(at + text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char r = rank[static_cast<unsigned char>(text[i])];
        if (!r) {
            keys.resize(at);
            return false;
        }
        keys[at + i] = static_cast<char>(r);
    }
    return true;
}

bool SortKeys::AppendLocaleKey(std::string_view text, std::string& keys) {
    if (text.empty()) return true;
    char buffer[1024];
    const int length = static_cast<int>(text.size());
    int size = LCMapStringA(LOCALE_USER_DEFAULT, kKeyFlags, text.data(), length, buffer, sizeof buffer);
    if (size > 0) {
        keys.append(buffer, static_cast<size_t>(size));
        return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    size = LCMapStringA(LOCALE_USER_DEFAULT, kKeyFlags, text.data(), length, nullptr, 0);
    if (size <= 0) return false;
    const size_t at = keys.size();
    keys.resize(at + static_cast<size_t>(size));
    if (LCMapStringA(LOCALE_USER_DEFAULT, kKeyFlags, text.data(), length, keys.data() + at, size) > 0)
        return true;
    keys.resize(at);
    return false;
}

int SortKeys::Compare(const char* a, uint32_t aLength, const char* b, uint32_t bLength) {
    const uint32_t n = std::min(aLength, bLength);
    // Eight bytes at a time, the first byte the most significant.
    for (uint32_t i = 0; i < n; i += 8) {
        uint64_t x = BigEndian(a + i), y = BigEndian(b + i);
        if (n - i < 8) {
            const uint64_t mask = ~uint64_t{0} << (8 * (8 - (n - i)));
            x &= mask;
            y &= mask;
        }
        if (x != y) return x < y ? -1 : 1;
    }
    return aLength < bLength ? -1 : aLength > bLength ? 1 : 0;
}

} // namespace filelist
