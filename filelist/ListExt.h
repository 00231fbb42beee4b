// A growable list of pointers to fixed-size records, sorted by a plain comparison function and
// searched by halving.
#pragma once

#include <functional>
#include <vector>

namespace filelist {

// Compares two records: -1 when a sorts before b, +1 when after. Any other value counts as
// equal, -2 included.
using TListExtCompare = int (*)(const void* a, const void* b);

class TListExt {
public:
    // Lets the owner release a record itself: it may free *entry and set it to nullptr; a record
    // still there afterwards is released by the list.
    using TDeleteEvent = std::function<void(TListExt& list, void*& entry, int itemSize)>;

    static constexpr int kCapacityStep = 500;

    // Raises ERangeError for a negative size.
    explicit TListExt(int itemSize);
    TListExt(const TListExt&) = delete;
    TListExt& operator=(const TListExt&) = delete;
    ~TListExt();

    // Records are blocks of ItemSize bytes from std::malloc (or NewRecord) and the list releases
    // them with std::free.
    void* NewRecord() const;

    int Count() const { return count_; }
    int Capacity() const { return capacity_; }
    // Always Capacity + 1 entries.
    int StorageLength() const { return static_cast<int>(items_.size()); }
    int ItemSize() const { return itemSize_; }
    bool Sorted() const { return sorted_; }

    // Raises ERangeError outside 0 .. Count - 1.
    void* Items(int index) const;
    // Takes ownership of the record (which may be nullptr).
    void Add(void* record);
    // Releases the record at the index and leaves a null entry; Count stays.
    void Delete(int index);
    // Releases every record and returns to the initial state.
    void Clear();
    // Entries that Delete left null reach the comparison as nullptr.
    void Sort(TListExtCompare compare);
    // Halving search, sorting first when needed; the index or -1.
    int Find(const void* record, TListExtCompare compare);
    // Linear search from the start unless sorted; the index or -1.
    int FindSequential(const void* record, TListExtCompare compare);

    TDeleteEvent OnDelete;

private:
    void CheckIndex(int index) const;
    void QuickSort(int lo, int hi, TListExtCompare compare);

    std::vector<void*> items_;
    int count_ = 0;
    int capacity_ = kCapacityStep;
    int itemSize_;
    bool sorted_ = true;
};

} // namespace filelist
