#include "HeapInUse.h"
#include "TestRegistry.h"

#include "show/BlockPool.h"

#include <QtTest>

#include <algorithm>
#include <cstring>
#include <vector>

class BlockPoolTest : public QObject
{
    Q_OBJECT

private slots:
    // Blocks of every size are apart and whole, what they hold stays, and a
    // pool holds little more than its blocks: the memory it saves is the
    // reason it exists. Given back, a block is taken again first, and the
    // last one back lets the chunks go.
    void blocksAreApartAndGivenBack_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {1, 8, 13, 40, 64, 200})
            QTest::addRow("%d bytes", size) << size;
    }
    void blocksAreApartAndGivenBack()
    {
        QFETCH(int, size);
        CBlockPool pool{size_t(size)};
        QVERIFY(pool.BlockSize() >= size_t(size));
        constexpr int kBlocks = 5000;
        std::vector<char*> blocks;
        for (int i = 0; i < kBlocks; ++i) {
            blocks.push_back(static_cast<char*>(pool.Take()));
            QCOMPARE(reinterpret_cast<quintptr>(blocks.back()) % 8, quintptr(0));
            std::memset(blocks.back(), i & 0xFF, pool.BlockSize());
        }
        QCOMPARE(pool.BlocksOut(), size_t(kBlocks));
        for (int i = 0; i < kBlocks; ++i) {
            const char* block = blocks[size_t(i)];
            QVERIFY(std::all_of(block, block + pool.BlockSize(), [i](char c) { return c == char(i & 0xFF); }));
        }
        std::vector<char*> sorted = blocks;
        std::sort(sorted.begin(), sorted.end());
        for (size_t i = 1; i < sorted.size(); ++i)
            QVERIFY(size_t(sorted[i] - sorted[i - 1]) >= pool.BlockSize());
#ifndef ORVANE_HEAP_FROM_SANITIZER
        QVERIFY(pool.Chunks() * CBlockPool::kChunkBytes <= kBlocks * pool.BlockSize() + CBlockPool::kChunkBytes);
        char* const middle = blocks[kBlocks / 2];
        pool.Give(middle);
        QCOMPARE(pool.Take(), static_cast<void*>(middle));
#endif
        for (char* block : blocks)
            pool.Give(block);
        QCOMPARE(pool.BlocksOut(), size_t(0));
        QCOMPARE(pool.Chunks(), size_t(0));
    }
};

ORVANE_TEST(BlockPoolTest)
#include "BlockPoolTest.moc"
