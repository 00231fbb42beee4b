// The order of the file list's records, as the list sorts its items by a column.
#pragma once

#include "filelist/FileRec.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace filelist {

// The columns, by their place in SortSettings::column.
enum SortColumnIndex : unsigned { colName = 0, colSize = 1, colType = 2, colDate = 3, colAttr = 4 };

// What the list is sorted by.
struct SortSettings {
    unsigned column = 0; // 0 name, 1 size, 2 type (or extension), 3 date, 4 attributes
    bool ascending = true;
    bool dirsOnTop = false;   // folders first in both directions
    bool byExtension = false; // column 2 goes by extension rather than by type name
    bool operator==(const SortSettings&) const = default;
};

// The order of one set of records, named by their index in that set. ".." comes first in either
// direction, then folders and files apart (folders first, or last when descending unless
// DirsOnTop), then the column's own order with the name as the tie-break; equal dates stay in
// ascending name order whichever the direction.
//
// Names, types and extensions compare as the user's locale compares them without regard to case.
// Rather than asking the locale at each of the two million comparisons that 100 000 items take,
// each text becomes a sort key once, on first need (SortKeys); comparing two keys byte by byte
// gives what comparing the two texts gives.
class ItemOrder {
public:
    ItemOrder(const SortSettings& settings, std::vector<const TFileRec*> records);
    ItemOrder(const ItemOrder&) = delete;
    ItemOrder& operator=(const ItemOrder&) = delete;
    // -1 when record i comes first, +1 when record j does, 0 when they are equal.
    int Compare(size_t i, size_t j);
    // Every record's index, in order; equal records keep the order they were given in.
    std::vector<int> Sorted();

private:
    enum class Kind : unsigned char { missing, parent, folder, file };
    int SameKind(size_t i, size_t j);
    // Sorted for the columns that order by text alone; false, with `order` untouched, when some
    // text has no sort key.
    bool SortedByText(std::vector<int>& order);
    int ByText(size_t i, size_t j);
    // The text the column compares: the name, or the type or extension line (made in `scratch`).
    std::string_view Text(size_t i, std::string& scratch) const;
    // Whether every text can take its key from the table of SortKeys: all or none do, so that
    // any two keys compare.
    bool AllPlain() const;
    // Makes the sort key of record i; false when the locale could not.
    bool MakeKey(size_t i);
    // Makes every record's key in one pass over the records, where asking AllPlain first and
    // then making each key would visit every record twice.
    void MakeAllKeys();

    SortSettings settings_;
    std::vector<const TFileRec*> records_;
    std::vector<Kind> kinds_;
    std::vector<int64_t> values_;    // size, time or attributes, by column
    std::vector<uint32_t> keyStart_; // into keys_; kNoKey until made, kNoLocaleKey on failure
    std::vector<uint32_t> keyLength_;
    std::string keys_;
    int tableKeys_ = -1; // AllPlain, once asked
};

} // namespace filelist
