#include "filelist/FileRec.h"

#include "kovalin/BlockPool.h"

namespace filelist {

void* TFileRec::operator new(size_t size) {
    return kovalin::TPoolOf<TFileRec>::Allocate(size);
}

void TFileRec::operator delete(void* block, size_t size) noexcept {
    kovalin::TPoolOf<TFileRec>::Free(block, size);
}

} // namespace filelist
