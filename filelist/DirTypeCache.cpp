#include "filelist/DirTypeCache.h"

#include <algorithm>
#include <cstring>

namespace filelist::detail {

void SetShortString(unsigned char* at, size_t capacity, const std::string& text) {
    size_t n = std::min(text.size(), capacity);
    at[0] = static_cast<unsigned char>(n);
    std::memcpy(at + 1, text.data(), n);
}

std::string ShortString(const unsigned char* at) {
    return std::string(reinterpret_cast<const char*>(at + 1), at[0]);
}

int CompareCacheExt(const void* a, const void* b) {
    auto* x = static_cast<const unsigned char*>(a);
    auto* y = static_cast<const unsigned char*>(b);
    if (!x || !y) return x ? 1 : (y ? -1 : 0);
    // Byte-wise over the short strings, length byte first.
    int c = std::memcmp(x, y, 4);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace filelist::detail
