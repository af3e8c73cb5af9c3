#pragma once

#include <cstddef>
#include <vector>

// Blocks of one size, cut from chunks of many: a show holds millions of
// step entries and level blocks of a few dozen bytes, and the heap adds to
// each a header and a rounding that come to an eighth of a large show's memory.
// A block given back is taken again first; once every block is back, the
// chunks go back to the heap, so a show closed leaves nothing held.
//
// Not thread-safe: the blocks belong to the show, which lives on one thread.
class CBlockPool
{
public:
    // Under the address sanitizer every block is a heap block of its own, so
    // that a block used after it was given back is still caught.
#if defined(__SANITIZE_ADDRESS__)
    static constexpr bool kHeapBlocks = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    static constexpr bool kHeapBlocks = true;
#else
    static constexpr bool kHeapBlocks = false;
#endif
#else
    static constexpr bool kHeapBlocks = false;
#endif

    explicit CBlockPool(std::size_t blockSize);
    ~CBlockPool();
    CBlockPool(const CBlockPool&) = delete;
    CBlockPool& operator=(const CBlockPool&) = delete;

    void* Take();
    void Give(void* block);

    std::size_t BlockSize() const { return m_blockSize; }
    // Blocks taken and not given back.
    std::size_t BlocksOut() const { return m_out; }
    // Chunks held from the heap.
    std::size_t Chunks() const { return m_chunks.size(); }

    static constexpr std::size_t kChunkBytes = 64 * 1024;

private:
    void ReleaseChunks();

    std::size_t m_blockSize;
    std::vector<char*> m_chunks;
    void* m_free = nullptr; // blocks given back, each holding the next
    char* m_next = nullptr; // the rest of the last chunk
    char* m_end = nullptr;
    std::size_t m_out = 0;
};
