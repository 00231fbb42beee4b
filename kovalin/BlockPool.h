// Memory for objects of one size that come and go by the ten thousand, such as a list's items and
// their records: blocks carved from slabs of many, so that making or freeing one is no heap call
// of its own (each costs more than filling in the object does) and carries no heap header.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace kovalin {

class TBlockPool {
public:
    // Blocks of `blockSize` bytes at multiples of `alignment` (a power of two, at most that of
    // what the heap gives).
    TBlockPool(size_t blockSize, size_t alignment);
    TBlockPool(const TBlockPool&) = delete;
    TBlockPool& operator=(const TBlockPool&) = delete;
    // Every slab still held goes back to the heap; blocks still in use must be gone by then.
    ~TBlockPool();

    // Raises std::bad_alloc when the heap has no room for another slab.
    void* Allocate();
    // A block that Allocate gave. A slab whose last block goes back is returned to the heap,
    // unless it is the only one left.
    void Free(void* block) noexcept;

    size_t BlockSize() const { return blockSize_; }
    // Slabs held now, and blocks in use: for tests and for memory figures.
    size_t SlabCount() const;
    size_t BlocksInUse() const;

    static constexpr size_t kSlabBytes = 32 * 1024;

private:
    struct Slab {
        char* base;
        void* free;      // blocks given back, linked through their first bytes
        uint32_t used;   // blocks given out and not back
        uint32_t carved; // blocks ever given out, from the slab's start
    };
    // The slab holding a block: the last whose base is not above it.
    size_t SlabOf(const void* block) const;

    size_t blockSize_;
    uint32_t blocksPerSlab_;
    std::vector<Slab> slabs_; // by base address
    size_t roomy_ = 0;        // a slab that may have room; checked before the others
    mutable SRWLOCK lock_ = SRWLOCK_INIT;
};

// The pool of one class, for its own operator new and delete (defined where T is complete). The
// pool is never destroyed: an object that outlives the program's static objects still has one.
// Objects of a derived class, of another size, come from the heap.
template <typename T> class TPoolOf {
public:
    static void* Allocate(size_t size) {
        return size == sizeof(T) ? Pool().Allocate() : ::operator new(size);
    }
    static void Free(void* block, size_t size) noexcept {
        if (size == sizeof(T))
            Pool().Free(block);
        else
            ::operator delete(block);
    }

private:
    static TBlockPool& Pool() {
        static TBlockPool& pool = *new TBlockPool(sizeof(T), alignof(T));
        return pool;
    }
};

} // namespace kovalin
