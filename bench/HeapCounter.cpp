#include "bench/HeapCounter.h"

#include <cstdlib>
#include <new>

namespace {

size_t liveBytes = 0;

} // namespace

size_t bench::HeapBytes() {
    return liveBytes;
}

// Every block carries its size in front, so that the count can go down again on release.
void* operator new(size_t size) {
    auto* block = static_cast<size_t*>(std::malloc(size + sizeof(std::max_align_t)));
    if (!block) throw std::bad_alloc();
    *block = size;
    liveBytes += size;
    return reinterpret_cast<char*>(block) + sizeof(std::max_align_t);
}

void operator delete(void* p) noexcept {
    if (!p) return;
    auto* block = reinterpret_cast<size_t*>(static_cast<char*>(p) - sizeof(std::max_align_t));
    liveBytes -= *block;
    std::free(block);
}

void operator delete(void* p, size_t) noexcept {
    operator delete(p);
}
