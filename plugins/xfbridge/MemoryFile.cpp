#include "plugins/xfbridge/MemoryFile.h"

#include <algorithm>
#include <cstring>

namespace xfbridge {

size_t MemoryFile::Read(void* buffer, size_t count) {
    const size_t n = std::min(count, Remaining());
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

void MemoryFile::Write(const void* buffer, size_t count) {
    bytes_.append(static_cast<const char*>(buffer), count);
}

void MemoryFile::Clear() {
    bytes_.clear();
    position_ = 0;
}

} // namespace xfbridge
