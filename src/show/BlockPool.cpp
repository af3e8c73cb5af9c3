#include "show/BlockPool.h"

#include <algorithm>
#include <cstring>
#include <new>

// A block holds the free list's pointer, and what is kept in it is aligned
// as that pointer.
CBlockPool::CBlockPool(std::size_t blockSize)
    : m_blockSize((std::max(blockSize, sizeof(void*)) + alignof(void*) - 1) / alignof(void*) * alignof(void*))
{
}

CBlockPool::~CBlockPool()
{
    ReleaseChunks();
}

void* CBlockPool::Take()
{
    if (kHeapBlocks) {
        ++m_out;
        return ::operator new(m_blockSize);
    }
    void* block = m_free;
    if (block) {
        std::memcpy(&m_free, block, sizeof m_free);
    } else {
        if (m_next == nullptr || std::size_t(m_end - m_next) < m_blockSize) {
            // Room for the chunk first, so that a chunk is never lost to a
            // list that could not grow.
            if (m_chunks.size() == m_chunks.capacity())
                m_chunks.reserve(std::max<std::size_t>(16, m_chunks.capacity() * 2));
            char* chunk = static_cast<char*>(::operator new(kChunkBytes));
            m_chunks.push_back(chunk);
            m_next = chunk;
            m_end = chunk + kChunkBytes / m_blockSize * m_blockSize;
        }
        block = m_next;
        m_next += m_blockSize;
    }
    ++m_out;
    return block;
}

void CBlockPool::Give(void* block)
{
    if (!block)
        return;
    --m_out;
    if (kHeapBlocks) {
        ::operator delete(block);
        return;
    }
    std::memcpy(block, &m_free, sizeof m_free);
    m_free = block;
    if (m_out == 0)
        ReleaseChunks();
}

void CBlockPool::ReleaseChunks()
{
    for (char* chunk : m_chunks)
        ::operator delete(chunk);
    m_chunks.clear();
    m_free = nullptr;
    m_next = m_end = nullptr;
}
