#include "filelist/ListExt.h"

#include "kovalin/Exceptions.h"

#include <cstdlib>
#include <new>
#include <utility>

namespace filelist {

using kovalin::ERangeError;
using kovalin::Format;

TListExt::TListExt(int itemSize) : itemSize_(itemSize) {
    if (itemSize < 0)
        throw ERangeError(Format("TListExt: negative itemsize: %u", static_cast<unsigned>(itemSize)));
    items_.assign(static_cast<size_t>(capacity_) + 1, nullptr);
}

TListExt::~TListExt() {
    Clear();
}

void* TListExt::NewRecord() const {
    void* record = std::calloc(1, itemSize_ > 0 ? static_cast<size_t>(itemSize_) : 1);
    if (!record) throw std::bad_alloc();
    return record;
}

void TListExt::CheckIndex(int index) const {
    if (index < 0 || index >= count_)
        throw ERangeError(Format("TListExt: index out of range: %u", static_cast<unsigned>(index)));
}

void* TListExt::Items(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)];
}

void TListExt::Add(void* record) {
    if (count_ == capacity_) {
        capacity_ += kCapacityStep;
        items_.resize(static_cast<size_t>(capacity_) + 1, nullptr);
    }
    if (count_ >= capacity_)
        throw ERangeError(Format("TListExt: buffer overflow: %u", static_cast<unsigned>(count_)));
    items_[static_cast<size_t>(count_)] = record;
    ++count_;
    sorted_ = false;
}

void TListExt::Delete(int index) {
    // Beyond Count there is nothing of the caller's to release; refusing keeps a wrong index
    // from reaching memory outside the storage.
    CheckIndex(index);
    // The handler works on a copy of the entry: should it add to this list, the storage may move.
    void* entry = items_[static_cast<size_t>(index)];
    if (!entry) return;
    if (OnDelete) OnDelete(*this, entry, itemSize_);
    if (entry) std::free(entry);
    items_[static_cast<size_t>(index)] = nullptr;
}

void TListExt::Clear() {
    // Every entry is released, also those behind a null one (a deleted or a null record), so
    // nothing is lost.
    for (int i = 0; i < count_; ++i)
        Delete(i);
    count_ = 0;
    sorted_ = true;
    capacity_ = kCapacityStep;
    items_.assign(static_cast<size_t>(capacity_) + 1, nullptr);
    items_.shrink_to_fit();
}

void TListExt::Sort(TListExtCompare compare) {
    if (count_ > 1 && !sorted_) QuickSort(0, count_ - 1, compare);
    sorted_ = true;
}

// The pivot is taken once, so a comparison that calls two different records equal (any value but
// -1 and +1) still ends; the scans are also kept inside lo .. hi, where a comparison that is not
// consistent (a record before itself) would otherwise run them off the storage.
void TListExt::QuickSort(int lo, int hi, TListExtCompare compare) {
    const void* pivot = items_[static_cast<size_t>((lo + hi) / 2)];
    int i = lo, j = hi;
    do {
        while (i < hi && compare(items_[static_cast<size_t>(i)], pivot) == -1)
            ++i;
        while (j > lo && compare(pivot, items_[static_cast<size_t>(j)]) == -1)
            --j;
        if (i <= j) {
            std::swap(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(j)]);
            ++i;
            --j;
        }
    } while (i <= j);
    if (lo < j) QuickSort(lo, j, compare);
    if (i < hi) QuickSort(i, hi, compare);
}

int TListExt::Find(const void* record, TListExtCompare compare) {
    if (!record || count_ == 0) return -1;
    if (!sorted_) Sort(compare);
    int lo = 0, hi = count_ - 1;
    while (hi >= lo) {
        int mid = (lo + hi) / 2;
        int c = compare(record, items_[static_cast<size_t>(mid)]);
        if (c == -1)
            hi = mid - 1;
        else if (c == 1)
            lo = mid + 1;
        else
            return mid;
    }
    return -1;
}

int TListExt::FindSequential(const void* record, TListExtCompare compare) {
    if (sorted_) return Find(record, compare);
    if (!record) return -1;
    for (int i = 0; i < count_; ++i)
        if (compare(record, items_[static_cast<size_t>(i)]) == 0) return i;
    return -1;
}

} // namespace filelist
