// The file list's type cache: per extension, the type name and icon the shell gave, so that the
// shell is asked once per extension.
#pragma once

#include <string>
#include <vector>

namespace filelist {

class TDirTypeCache {
public:
    struct Entry {
        std::string ext; // as in TFileRec::FileExt: upper case, at most three characters
        std::string typeName;
        int imageIndex = 0;
    };

    // The entry of an extension, none when there is none yet. Goes by halving once sorted, and
    // one by one through what was added since.
    const Entry* Find(const std::string& ext) const;
    // Appends; the cache counts as unsorted until Sort.
    void Add(Entry entry);
    // Types met while drawing were appended; sorted, the next lookups go by halving.
    void Sort();
    int Count() const { return static_cast<int>(entries_.size()); }
    bool Sorted() const { return sorted_; }

private:
    std::vector<Entry> entries_;
    bool sorted_ = true;
};

} // namespace filelist
