#include "kovalin/BlockPool.h"

#include <algorithm>
#include <new>

namespace kovalin {

namespace {

class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK& lock_;
};

} // namespace

TBlockPool::TBlockPool(size_t blockSize, size_t alignment) {
    const size_t align = std::max(alignment, alignof(void*));
    blockSize_ = (std::max(blockSize, sizeof(void*)) + align - 1) / align * align;
    blocksPerSlab_ = static_cast<uint32_t>(std::max<size_t>(1, kSlabBytes / blockSize_));
}

TBlockPool::~TBlockPool() {
    for (const Slab& slab : slabs_)
        ::operator delete(slab.base);
}

void* TBlockPool::Allocate() {
    ExclusiveLock guard(lock_);
    auto hasRoom = [this](const Slab& s) { return s.free || s.carved < blocksPerSlab_; };
    if (roomy_ >= slabs_.size() || !hasRoom(slabs_[roomy_])) {
        const auto found = std::find_if(slabs_.begin(), slabs_.end(), hasRoom);
        if (found != slabs_.end()) {
            roomy_ = static_cast<size_t>(found - slabs_.begin());
        } else {
            char* base = static_cast<char*>(::operator new (size_t{blocksPerSlab_} * blockSize_));
            const auto at = std::upper_bound(slabs_.begin(), slabs_.end(), base,
                                             [](const char* b, const Slab& s) { return b < s.base; });
            std::vector<Slab>::iterator added;
            try {
                added = slabs_.insert(at, Slab{base, nullptr, 0, 0});
            } catch (...) {
                ::operator delete(base);
                throw;
            }
            // Only now: the insertion may have moved the slabs.
            roomy_ = static_cast<size_t>(added - slabs_.begin());
        }
    }
    Slab& slab = slabs_[roomy_];
    void* block;
    if (slab.free) {
        block = slab.free;
        slab.free = *static_cast<void**>(block);
    } else {
        block = slab.base + size_t{slab.carved++} * blockSize_;
    }
    ++slab.used;
    return block;
}

void TBlockPool::Free(void* block) noexcept {
    if (!block) return;
    ExclusiveLock guard(lock_);
    const size_t i = SlabOf(block);
    Slab& slab = slabs_[i];
    *static_cast<void**>(block) = slab.free;
    slab.free = block;
    roomy_ = i;
    if (--slab.used > 0 || slabs_.size() == 1) return;
    ::operator delete(slab.base);
    slabs_.erase(slabs_.begin() + static_cast<std::ptrdiff_t>(i));
    roomy_ = 0;
}

size_t TBlockPool::SlabOf(const void* block) const {
    const char* at = static_cast<const char*>(block);
    const auto after = std::upper_bound(slabs_.begin(), slabs_.end(), at,
                                        [](const char* b, const Slab& s) { return b < s.base; });
    return static_cast<size_t>(after - slabs_.begin()) - 1;
}

size_t TBlockPool::SlabCount() const {
    ExclusiveLock guard(lock_);
    return slabs_.size();
}

size_t TBlockPool::BlocksInUse() const {
    ExclusiveLock guard(lock_);
    size_t n = 0;
    for (const Slab& slab : slabs_)
        n += slab.used;
    return n;
}

} // namespace kovalin
