#include "filelist/ListExt.h"
#include "kovalin/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace filelist;

namespace {

// Records as the file list's caches keep them: a counted string (length byte, characters) first.
constexpr int kRecordSize = 16;

void* Record(TListExt& list, const std::string& key) {
    auto* r = static_cast<unsigned char*>(list.NewRecord());
    r[0] = static_cast<unsigned char>(key.size());
    std::memcpy(r + 1, key.data(), key.size());
    return r;
}

std::string Key(const void* record) {
    auto* p = static_cast<const unsigned char*>(record);
    return std::string(reinterpret_cast<const char*>(p + 1), p[0]);
}

// Byte-wise; a key that is a prefix of the other sorts first.
int CompareKeys(const void* a, const void* b) {
    int c = Key(a).compare(Key(b));
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

std::string RangeErrorText(void (*action)()) {
    try {
        action();
    } catch (const kovalin::ERangeError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(ListExtTest, StartsWithRoomFor500AndGrowsAtThe501stRecord) {
    TListExt list(kRecordSize);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 500);
    EXPECT_EQ(list.StorageLength(), 501);
    EXPECT_TRUE(list.Sorted());
    for (int i = 0; i < 500; ++i)
        list.Add(Record(list, std::to_string(i)));
    EXPECT_EQ(list.Capacity(), 500);
    EXPECT_FALSE(list.Sorted());

    void* last = Record(list, "500");
    list.Add(last);
    EXPECT_EQ(list.Count(), 501);
    EXPECT_EQ(list.Capacity(), 1000);
    EXPECT_EQ(list.StorageLength(), 1001);
    EXPECT_EQ(list.Items(500), last);
    EXPECT_EQ(Key(list.Items(499)), "499");
}

TEST(ListExtTest, RangeErrorsCarryTheirMessages) {
    EXPECT_EQ(RangeErrorText([] { TListExt list(-1); }), "TListExt: negative itemsize: 4294967295");
    EXPECT_EQ(RangeErrorText([] {
                  TListExt list(kRecordSize);
                  list.Add(nullptr);
                  list.Items(1);
              }),
              "TListExt: index out of range: 1");
    EXPECT_EQ(RangeErrorText([] { TListExt(kRecordSize).Items(-1); }),
              "TListExt: index out of range: 4294967295");
    // Deleting outside the list is refused instead of reaching past the storage.
    EXPECT_EQ(RangeErrorText([] { TListExt(kRecordSize).Delete(600); }), "TListExt: index out of range: 600");
    EXPECT_NO_THROW(TListExt(0));
}

TEST(ListExtTest, SortsAndFindsByTheComparison) {
    TListExt list(kRecordSize);
    std::mt19937 random(7);
    std::vector<std::string> keys;
    for (int i = 0; i < 2000; ++i) {
        std::string key = std::to_string(random() % 100000);
        if (i % 100 == 0) key = key.substr(0, 2); // some prefixes of others
        keys.push_back(key);
        list.Add(Record(list, key));
    }
    void* probe = Record(list, keys[1234]);
    EXPECT_EQ(Key(list.Items(list.FindSequential(probe, CompareKeys))), keys[1234]);
    EXPECT_FALSE(list.Sorted()) << "a linear search leaves the order alone";

    int found = list.Find(probe, CompareKeys);
    EXPECT_TRUE(list.Sorted()) << "a halving search sorts first";
    ASSERT_GE(found, 0);
    EXPECT_EQ(Key(list.Items(found)), keys[1234]);
    std::sort(keys.begin(), keys.end());
    for (int i = 0; i < list.Count(); ++i)
        ASSERT_EQ(Key(list.Items(i)), keys[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(list.FindSequential(probe, CompareKeys), found) << "sorted: the same as Find";

    void* missing = Record(list, "x");
    EXPECT_EQ(list.Find(missing, CompareKeys), -1);
    std::free(probe);
    std::free(missing);
}

TEST(ListExtTest, OnlyMinusOneAndPlusOneAreUnderstood) {
    TListExt list(kRecordSize);
    for (const char* key : {"a", "b", "c", "d", "e"})
        list.Add(Record(list, key));
    list.Sort(CompareKeys);
    void* probe = Record(list, "zz");
    // "Less" reported as -2 counts as equal: the search stops at its first probe.
    EXPECT_EQ(list.Find(probe, [](const void*, const void*) { return -2; }), 2);
    EXPECT_EQ(list.Find(probe, [](const void*, const void*) { return 2; }), 2);
    std::free(probe);
}

TEST(ListExtTest, AComparisonThatIsNotConsistentStaysInsideTheList) {
    TListExt list(kRecordSize);
    for (int i = 0; i < 50; ++i)
        list.Add(Record(list, std::to_string(i)));
    list.Sort([](const void*, const void*) { return -1; }); // every record before every other
    std::vector<std::string> keys;
    for (int i = 0; i < list.Count(); ++i)
        keys.push_back(Key(list.Items(i)));
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(std::unique(keys.begin(), keys.end()), keys.end());
    EXPECT_EQ(keys.size(), 50u);
}

TEST(ListExtTest, NullRecords) {
    TListExt list(kRecordSize);
    EXPECT_EQ(list.Find(nullptr, CompareKeys), -1);
    list.Add(Record(list, "a"));
    list.Add(nullptr);
    list.Add(Record(list, "b"));
    list.Add(Record(list, "c"));
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Items(1), nullptr);
    EXPECT_EQ(list.FindSequential(nullptr, CompareKeys), -1);

    std::vector<std::string> released;
    list.OnDelete = [&](TListExt&, void*& entry, int) { released.push_back(Key(entry)); };
    list.Delete(1); // a null entry: nothing to release
    EXPECT_TRUE(released.empty());
    list.Delete(0);
    // The records behind the null entries are released too.
    list.Clear();
    EXPECT_EQ(released, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ListExtTest, DeletionWithAndWithoutOnDelete) {
    TListExt list(kRecordSize);
    for (const char* key : {"a", "b", "c"})
        list.Add(Record(list, key));
    list.Delete(1);
    EXPECT_EQ(list.Items(1), nullptr);
    EXPECT_EQ(list.Count(), 3);

    // A handler that releases the record itself and says so: the list must not free it again
    // (this record is not even heap memory).
    static unsigned char owned[kRecordSize] = {1, 'x'};
    list.Add(owned);
    int calls = 0;
    list.OnDelete = [&](TListExt& sender, void*& entry, int itemSize) {
        ++calls;
        EXPECT_EQ(&sender, &list);
        EXPECT_EQ(itemSize, kRecordSize);
        if (entry == owned) entry = nullptr;
    };
    list.Delete(3);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(list.Items(3), nullptr);
    // A handler that leaves the entry: the list releases the record.
    list.Delete(0);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(list.Items(0), nullptr);
    list.Delete(0);
    EXPECT_EQ(calls, 2);
}

TEST(ListExtTest, ClearReturnsToTheInitialState) {
    TListExt list(kRecordSize);
    int released = 0;
    list.OnDelete = [&](TListExt&, void*&, int) { ++released; };
    for (int i = 0; i < 1200; ++i)
        list.Add(Record(list, std::to_string(i)));
    EXPECT_EQ(list.Capacity(), 1500);
    list.Clear();
    EXPECT_EQ(released, 1200);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 500);
    EXPECT_EQ(list.StorageLength(), 501);
    EXPECT_TRUE(list.Sorted());
    list.Add(Record(list, "again"));
    EXPECT_EQ(list.Count(), 1);
}

} // namespace
