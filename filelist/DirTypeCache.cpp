#include "filelist/DirTypeCache.h"

#include <algorithm>
#include <utility>

namespace filelist {

namespace {

bool ExtBefore(const TDirTypeCache::Entry& a, const std::string& ext) {
    return a.ext < ext;
}

} // namespace

const TDirTypeCache::Entry* TDirTypeCache::Find(const std::string& ext) const {
    if (sorted_) {
        const auto it = std::lower_bound(entries_.begin(), entries_.end(), ext, ExtBefore);
        return it != entries_.end() && it->ext == ext ? &*it : nullptr;
    }
    const auto it =
        std::find_if(entries_.begin(), entries_.end(), [&ext](const Entry& e) { return e.ext == ext; });
    return it != entries_.end() ? &*it : nullptr;
}

void TDirTypeCache::Add(Entry entry) {
    entries_.push_back(std::move(entry));
    sorted_ = false;
}

void TDirTypeCache::Sort() {
    if (!sorted_)
        std::stable_sort(entries_.begin(), entries_.end(),
                         [](const Entry& a, const Entry& b) { return a.ext < b.ext; });
    sorted_ = true;
}

} // namespace filelist
