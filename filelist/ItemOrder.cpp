#include "filelist/ItemOrder.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
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

int ItemOrder::ByText(size_t i, size_t j) {
    if (keyStart_[i] == kNoKey) MakeKey(i);
    if (keyStart_[j] == kNoKey) MakeKey(j);
    if (keyStart_[i] == kNoLocaleKey || keyStart_[j] == kNoLocaleKey)
        return CompareLocaleNoCase(Text(i), Text(j));
    const uint32_t li = keyLength_[i], lj = keyLength_[j];
    const int c = std::memcmp(keys_.data() + keyStart_[i], keys_.data() + keyStart_[j], std::min(li, lj));
    if (c) return c < 0 ? -1 : 1;
    return Sign(li, lj);
}

std::string ItemOrder::Text(size_t i) const {
    const TFileRec& rec = *records_[i];
    if (settings_.column != colType) return rec.DisplayName;
    if (settings_.byExtension) {
        std::string text = rec.FileExt;
        if (text.size() < 5) text.resize(5, ' ');
        return text + rec.DisplayName;
    }
    return rec.TypeName + ' ' + rec.FileExt + ' ' + rec.DisplayName;
}

bool ItemOrder::MakeKey(size_t i) {
    const std::string text = Text(i);
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int length = static_cast<int>(text.size());
    char buffer[1024];
    int size = text.empty()
                   ? 0
                   : LCMapStringA(LOCALE_USER_DEFAULT, flags, text.data(), length, buffer, sizeof buffer);
    const char* key = buffer;
    std::string large;
    if (size == 0 && !text.empty() && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        size = LCMapStringA(LOCALE_USER_DEFAULT, flags, text.data(), length, nullptr, 0);
        if (size > 0) {
            large.resize(static_cast<size_t>(size));
            size = LCMapStringA(LOCALE_USER_DEFAULT, flags, text.data(), length, large.data(), size);
            key = large.data();
        }
    }
    if (size <= 0 && !text.empty()) {
        keyStart_[i] = kNoLocaleKey;
        return false;
    }
    keyStart_[i] = static_cast<uint32_t>(keys_.size());
    keyLength_[i] = static_cast<uint32_t>(size);
    keys_.append(key, static_cast<size_t>(size));
    return true;
}

} // namespace filelist
