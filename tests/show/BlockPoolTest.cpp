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
    // Blocks of every size are whole and apart (each keeps the bytes asked
    // for, written before all the others'), a pool holds little more than
    // its blocks, a block given back is taken again, and the last one back
    // lets the chunks go.
    void blocksAreApartAndGivenBack_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {1, 13, 40, 200})
            QTest::addRow("%d bytes", size) << size;
    }
    void blocksAreApartAndGivenBack()
    {
        QFETCH(int, size);
        CBlockPool pool{size_t(size)};
        std::vector<char*> blocks(5000);
        for (size_t i = 0; i < blocks.size(); ++i) {
            blocks[i] = static_cast<char*>(pool.Take());
            std::memset(blocks[i], int(i & 0xFF), size_t(size));
        }
        for (size_t i = 0; i < blocks.size(); ++i)
            QCOMPARE(int(std::count(blocks[i], blocks[i] + size, char(i & 0xFF))), size);
        if (!CBlockPool::kHeapBlocks) {
            QVERIFY(pool.Chunks() * CBlockPool::kChunkBytes <= blocks.size() * pool.BlockSize() + CBlockPool::kChunkBytes);
            pool.Give(blocks[7]);
            QCOMPARE(pool.Take(), static_cast<void*>(blocks[7]));
        }
        for (char* block : blocks)
            pool.Give(block);
        QCOMPARE(pool.Chunks(), size_t(0));
    }
};

ORVANE_TEST(BlockPoolTest)
#include "BlockPoolTest.moc"
