#include "filelist/FileRec.h"

#include "kovalin/BlockPool.h"

namespace filelist {

namespace {

kovalin::TBlockPool& RecordPool() {
    // Never destroyed: a record that outlives the program's static objects still has a pool.
    static kovalin::TBlockPool& pool = *new kovalin::TBlockPool(sizeof(TFileRec), alignof(TFileRec));
    return pool;
}

} // namespace

void* TFileRec::operator new(size_t size) {
    return size == sizeof(TFileRec) ? RecordPool().Allocate() : ::operator new(size);
}

void TFileRec::operator delete(void* block, size_t size) noexcept {
    if (size == sizeof(TFileRec))
        RecordPool().Free(block);
    else
        ::operator delete(block);
}

} // namespace filelist
