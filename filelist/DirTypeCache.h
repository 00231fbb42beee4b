// The layout of the list's type cache, one record per extension: what the shell answered for it.
#pragma once

#include <cstddef>
#include <string>

namespace filelist::detail {

// A type-cache record: the extension and the type name as length-prefixed strings, the icon.
constexpr size_t kCacheTypeName = 4, kCacheImage = 264;

void SetShortString(unsigned char* at, size_t capacity, const std::string& text);
std::string ShortString(const unsigned char* at);
int CompareCacheExt(const void* a, const void* b);

} // namespace filelist::detail
