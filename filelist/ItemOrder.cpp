#include "filelist/ItemOrder.h"

#include "filelist/SortKeys.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <utility>

namespace filelist {

namespace {

constexpr uint32_t kNoKey = UINT32_MAX;
constexpr uint32_t kNoLocaleKey = UINT32_MAX - 1;

int Sign(int64_t a, int64_t b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

// The locale's own comparison, for a text it could make no sort key of.
int CompareLocaleNoCase(const std::string& a, const std::string& b) {
    const int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                                 b.data(), static_cast<int>(b.size()));
    return r == CSTR_LESS_THAN ? -1 : r == CSTR_GREATER_THAN ? 1 : 0;
}

} // namespace

ItemOrder::ItemOrder(const SortSettings& settings, std::vector<const TFileRec*> records)
    : settings_(settings), records_(std::move(records)) {
    const size_t n = records_.size();
    kinds_.resize(n);
    values_.resize(n);
    keyStart_.assign(n, kNoKey);
    keyLength_.assign(n, 0);
    // The kinds and numbers sit side by side, so that comparing them touches no record.
    for (size_t i = 0; i < n; ++i) {
        const TFileRec* rec = records_[i];
        if (!rec) {
            kinds_[i] = Kind::missing;
            continue;
        }
        kinds_[i] = rec->IsParentDir ? Kind::parent : rec->IsDirectory ? Kind::folder : Kind::file;
        switch (settings_.column) {
        case colSize:
            values_[i] = rec->Size;
            break;
        case colDate:
            // High half signed, low half unsigned: what comparing the two halves in turn gives.
            values_[i] = static_cast<int64_t>((static_cast<uint64_t>(rec->FileTime.dwHighDateTime) << 32) |
                                              rec->FileTime.dwLowDateTime);
            break;
        case colAttr:
            values_[i] = rec->Attr;
            break;
        default:
            break;
        }
    }
}

int ItemOrder::Compare(size_t i, size_t j) {
    if (i == j) return 0;
    const Kind a = kinds_[i], b = kinds_[j];
    int c;
    if (a == Kind::missing || b == Kind::missing) {
        c = a == b ? 0 : a == Kind::missing ? -1 : 1;
    } else if (a == Kind::parent || b == Kind::parent) {
        return a == b ? 0 : a == Kind::parent ? -1 : 1;
    } else if (a != b) {
        c = a == Kind::folder ? -1 : 1;
        if (settings_.dirsOnTop) return c;
    } else {
        c = SameKind(i, j);
    }
    return settings_.ascending ? c : -c;
}

int ItemOrder::SameKind(size_t i, size_t j) {
    switch (settings_.column) {
    case colSize:
    case colAttr:
        if (const int c = Sign(values_[i], values_[j])) return c;
        return ByText(i, j);
    case colDate: {
        if (const int c = Sign(values_[i], values_[j])) return c;
        // The name order comes with the direction already applied, and the caller applies it
        // once more: equal dates end in ascending name order either way.
        const int byName = ByText(i, j);
        return settings_.ascending ? byName : -byName;
    }
    default:
        return ByText(i, j);
    }
}

std::vector<int> ItemOrder::Sorted() {
    std::vector<int> order(records_.size());
    std::iota(order.begin(), order.end(), 0);
    if ((settings_.column == colName || settings_.column == colType) && SortedByText(order)) return order;
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return Compare(static_cast<size_t>(a), static_cast<size_t>(b)) < 0;
    });
    return order;
}

namespace {

// Bytes from..from+7 of a key as a number, the first byte the most significant, zeros past its end.
uint64_t KeyBytes(const char* key, uint32_t length, uint32_t from) {
    uint64_t value = 0;
    for (uint32_t k = from; k < from + 8; ++k)
        value = (value << 8) | (k < length ? static_cast<unsigned char>(key[k]) : 0u);
    return value;
}

} // namespace

// What Compare gives for columns that order by text alone, with the same ties kept in place, but
// comparing copies of each record's rank and first key bytes side by side: the general sort jumps
// between the records' kinds and keys at each of the two million comparisons of a large folder,
// and those jumps cost more than the comparisons themselves.
bool ItemOrder::SortedByText(std::vector<int>& order) {
    struct Entry {
        uint64_t head[2]; // the key's first sixteen bytes
        uint32_t start, length;
        int index;
        int rank; // the kinds in the order Compare puts them
    };
    const bool up = settings_.ascending;
    auto rankOf = [&](Kind kind) {
        switch (kind) {
        case Kind::parent:
            return up ? 1 : 0;
        case Kind::missing:
            return up ? 0 : 3;
        case Kind::folder:
            return !up && settings_.dirsOnTop ? 1 : 2;
        case Kind::file:
        default:
            return up ? 3 : settings_.dirsOnTop ? 2 : 1;
        }
    };
    MakeAllKeys();
    std::vector<Entry> entries(records_.size());
    for (size_t i = 0; i < records_.size(); ++i) {
        Entry& e = entries[i];
        e = Entry{{0, 0}, 0, 0, static_cast<int>(i), rankOf(kinds_[i])};
        if (kinds_[i] == Kind::missing || kinds_[i] == Kind::parent) continue;
        if (keyStart_[i] == kNoLocaleKey) return false; // the locale compares those texts itself
        e.start = keyStart_[i];
        e.length = keyLength_[i];
        e.head[0] = KeyBytes(keys_.data() + e.start, e.length, 0);
        e.head[1] = KeyBytes(keys_.data() + e.start, e.length, 8);
    }
    const char* keys = keys_.data();
    std::sort(entries.begin(), entries.end(), [up, keys](const Entry& a, const Entry& b) {
        if (a.rank != b.rank) return a.rank < b.rank;
        int c = a.head[0] != b.head[0] ? (a.head[0] < b.head[0] ? -1 : 1)
                : a.head[1] != b.head[1]
                    ? (a.head[1] < b.head[1] ? -1 : 1)
                    : SortKeys::Compare(keys + a.start, a.length, keys + b.start, b.length);
        if (c) return up ? c < 0 : c > 0;
        return a.index < b.index; // what the stable sort leaves in place
    });
    for (size_t i = 0; i < entries.size(); ++i)
        order[i] = entries[i].index;
    return true;
}

int ItemOrder::ByText(size_t i, size_t j) {
    if (keyStart_[i] == kNoKey) MakeKey(i);
    if (keyStart_[j] == kNoKey) MakeKey(j);
    if (keyStart_[i] == kNoLocaleKey || keyStart_[j] == kNoLocaleKey) {
        std::string a, b;
        return CompareLocaleNoCase(std::string(Text(i, a)), std::string(Text(j, b)));
    }
    return SortKeys::Compare(keys_.data() + keyStart_[i], keyLength_[i], keys_.data() + keyStart_[j],
                             keyLength_[j]);
}

std::string_view ItemOrder::Text(size_t i, std::string& scratch) const {
    const TFileRec& rec = *records_[i];
    if (settings_.column != colType) return rec.DisplayName;
    if (settings_.byExtension) {
        scratch = rec.FileExt;
        if (scratch.size() < 5) scratch.resize(5, ' ');
        scratch += rec.DisplayName;
    } else {
        scratch = rec.TypeName + ' ' + rec.FileExt + ' ' + rec.DisplayName;
    }
    return scratch;
}

bool ItemOrder::AllPlain() const {
    if (!SortKeys::TableWorthIt(records_.size())) return false;
    std::string scratch;
    for (size_t i = 0; i < records_.size(); ++i)
        if (records_[i] && !SortKeys::Plain(Text(i, scratch))) return false;
    return true;
}

void ItemOrder::MakeAllKeys() {
    const size_t n = records_.size();
    if (tableKeys_ < 0 && SortKeys::TableWorthIt(n)) {
        // Table keys, on the chance that every text is plain; the first that is not sends them
        // all to the locale, as AllPlain would have.
        tableKeys_ = 1;
        std::string scratch;
        for (size_t i = 0; i < n; ++i) {
            if (!records_[i]) continue;
            const size_t start = keys_.size();
            if (!SortKeys::AppendIfPlain(Text(i, scratch), keys_)) {
                tableKeys_ = 0;
                keys_.clear();
                std::fill(keyStart_.begin(), keyStart_.end(), kNoKey);
                break;
            }
            keyStart_[i] = static_cast<uint32_t>(start);
            keyLength_[i] = static_cast<uint32_t>(keys_.size() - start);
            keys_.append(8, '\0');
        }
    }
    for (size_t i = 0; i < n; ++i)
        if (records_[i] && keyStart_[i] == kNoKey) MakeKey(i);
}

bool ItemOrder::MakeKey(size_t i) {
    if (tableKeys_ < 0) tableKeys_ = AllPlain() ? 1 : 0;
    std::string scratch;
    const std::string_view text = Text(i, scratch);
    const size_t start = keys_.size();
    if (tableKeys_) {
        SortKeys::AppendPlainKey(text, keys_);
    } else if (!SortKeys::AppendLocaleKey(text, keys_)) {
        keyStart_[i] = kNoLocaleKey;
        return false;
    }
    keyStart_[i] = static_cast<uint32_t>(start);
    keyLength_[i] = static_cast<uint32_t>(keys_.size() - start);
    // Keys are compared eight bytes at a time: room behind each.
    keys_.append(8, '\0');
    return true;
}

} // namespace filelist
