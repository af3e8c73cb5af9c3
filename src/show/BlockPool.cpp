#include "show/BlockPool.h"

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define ORVANE_HEAP_BLOCKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANE_HEAP_BLOCKS 1
#endif
#endif

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
#ifdef ORVANE_HEAP_BLOCKS
    ++m_out;
    return ::operator new(m_blockSize);
#else
    void* block = m_free;
    if (block) {
        std::memcpy(&m_free, block, sizeof m_free);
    } else {
        if (m_next == nullptr || std::size_t(m_end - m_next) < m_blockSize) {
            m_chunks.reserve(m_chunks.size() + 1);
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
#endif
}

void CBlockPool::Give(void* block)
{
    if (!block)
        return;
    --m_out;
#ifdef ORVANE_HEAP_BLOCKS
    ::operator delete(block);
#else
    std::memcpy(block, &m_free, sizeof m_free);
    m_free = block;
    if (m_out == 0)
        ReleaseChunks();
#endif
}

void CBlockPool::ReleaseChunks()
{
    for (char* chunk : m_chunks)
        ::operator delete(chunk);
    m_chunks.clear();
    m_free = nullptr;
    m_next = m_end = nullptr;
}
