#include "kovalin/BlockPool.h"
#include "kovalin/Handles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

using kovalin::TBlockPool;

namespace {

// Every live block keeps what was written into it while others come and go around it, none
// overlaps another, and slabs go back to the heap as they empty.
TEST(BlockPoolTest, BlocksStayApartAndIntactWhileOthersComeAndGo) {
    TBlockPool pool(44, 8);
    ASSERT_EQ(pool.BlockSize(), 48u);
    const size_t perSlab = TBlockPool::kSlabBytes / pool.BlockSize();
    struct Live {
        unsigned char* block;
        unsigned char mark;
    };
    std::vector<Live> live;
    std::mt19937 random(5);
    auto take = [&] {
        auto* block = static_cast<unsigned char*>(pool.Allocate());
        ASSERT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u);
        const auto mark = static_cast<unsigned char>(random());
        std::memset(block, mark, pool.BlockSize());
        live.push_back({block, mark});
    };
    auto give = [&](size_t i) {
        pool.Free(live[i].block);
        live[i] = live.back();
        live.pop_back();
    };
    for (size_t i = 0; i < perSlab * 5 + 3; ++i)
        take();
    EXPECT_EQ(pool.SlabCount(), 6u);
    // Half go at random and others come, many times over.
    for (int round = 0; round < 20; ++round) {
        for (size_t n = live.size() / 2; n > 0; --n)
            give(random() % live.size());
        for (size_t n = random() % (perSlab * 3); n > 0; --n)
            take();
    }
    EXPECT_EQ(pool.BlocksInUse(), live.size());
    for (const Live& l : live)
        for (size_t k = 0; k < pool.BlockSize(); ++k)
            ASSERT_EQ(l.block[k], l.mark);
    std::vector<uintptr_t> starts;
    for (const Live& l : live)
        starts.push_back(reinterpret_cast<uintptr_t>(l.block));
    std::sort(starts.begin(), starts.end());
    for (size_t i = 1; i < starts.size(); ++i)
        ASSERT_GE(starts[i] - starts[i - 1], pool.BlockSize());

    while (!live.empty())
        give(live.size() - 1);
    EXPECT_EQ(pool.BlocksInUse(), 0u);
    EXPECT_EQ(pool.SlabCount(), 1u); // the last one stays for what comes next
}

TEST(BlockPoolTest, ASlabGoesBackWhenItsLastBlockDoes) {
    TBlockPool pool(TBlockPool::kSlabBytes / 2, 8); // two blocks a slab
    void* a = pool.Allocate();
    void* b = pool.Allocate();
    void* c = pool.Allocate();
    EXPECT_EQ(pool.SlabCount(), 2u);
    pool.Free(c);
    EXPECT_EQ(pool.SlabCount(), 1u);
    pool.Free(a);
    EXPECT_EQ(pool.Allocate(), a); // a freed block is used before a new slab is taken
    EXPECT_EQ(pool.SlabCount(), 1u);
    pool.Free(a);
    pool.Free(b);
    pool.Free(nullptr);
    EXPECT_EQ(pool.BlocksInUse(), 0u);
}

struct PoolWork {
    TBlockPool* pool;
    unsigned char mark;
    bool intact = true;
};

// Takes blocks by the hundred, marks them, checks the marks and gives them back, many times.
DWORD WINAPI TakeAndGive(void* parameter) {
    auto& w = *static_cast<PoolWork*>(parameter);
    std::vector<unsigned char*> mine;
    for (int round = 0; round < 50; ++round) {
        for (int i = 0; i < 500; ++i) {
            auto* block = static_cast<unsigned char*>(w.pool->Allocate());
            std::memset(block, w.mark, 24);
            mine.push_back(block);
        }
        for (unsigned char* block : mine) {
            for (int k = 0; k < 24; ++k)
                if (block[k] != w.mark) w.intact = false;
            w.pool->Free(block);
        }
        mine.clear();
    }
    return 0;
}

// Two threads taking and giving blocks at once lose none and share none.
TEST(BlockPoolTest, ThreadsShareOnePool) {
    TBlockPool pool(24, 8);
    PoolWork work[2] = {{&pool, 0xA5}, {&pool, 0x5A}};
    kovalin::UniqueHandleObj threads[2];
    for (int i = 0; i < 2; ++i) {
        threads[i].reset(CreateThread(nullptr, 0, TakeAndGive, &work[i], 0, nullptr));
        ASSERT_TRUE(threads[i]);
    }
    const HANDLE both[2] = {threads[0].get(), threads[1].get()};
    ASSERT_EQ(WaitForMultipleObjects(2, both, TRUE, 30000), WAIT_OBJECT_0);
    EXPECT_TRUE(work[0].intact);
    EXPECT_TRUE(work[1].intact);
    EXPECT_EQ(pool.BlocksInUse(), 0u);
}

} // namespace
