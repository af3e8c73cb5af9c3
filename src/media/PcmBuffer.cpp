#include "media/PcmBuffer.h"

#include <cstring>

CPcmBuffer::CPcmBuffer(QObject* parent)
    : QIODevice(parent)
{
}

void CPcmBuffer::Append(const char* data, qint64 size)
{
    qint64 at = m_size.load(std::memory_order_relaxed);
    while (size > 0) {
        const size_t block = size_t(at / kBlockSize);
        const int offset = int(at % kBlockSize);
        if (block == m_blocks.size()) {
            std::unique_ptr<char[]> fresh(new char[kBlockSize]);
            QMutexLocker lock(&m_mutex);
            m_blocks.push_back(std::move(fresh));
        }
        const int take = int(qMin<qint64>(size, kBlockSize - offset));
        std::memcpy(m_blocks[block].get() + offset, data, size_t(take));
        data += take;
        size -= take;
        at += take;
        m_size.store(at, std::memory_order_release); // readers see the bytes before the size
    }
}

void CPcmBuffer::Clear()
{
    std::vector<std::unique_ptr<char[]>> old;
    {
        QMutexLocker lock(&m_mutex);
        old.swap(m_blocks);
        m_size.store(0, std::memory_order_release);
    }
    // The blocks are freed outside the lock.
}

qint64 CPcmBuffer::bytesAvailable() const
{
    return qMax<qint64>(size() - pos(), 0) + QIODevice::bytesAvailable();
}

qint64 CPcmBuffer::readData(char* data, qint64 maxSize)
{
    QMutexLocker lock(&m_mutex);
    const qint64 end = m_size.load(std::memory_order_acquire);
    qint64 at = pos();
    qint64 done = 0;
    while (done < maxSize && at < end) {
        const int offset = int(at % kBlockSize);
        const int take = int(qMin(maxSize - done, qMin<qint64>(kBlockSize - offset, end - at)));
        std::memcpy(data + done, m_blocks[size_t(at / kBlockSize)].get() + offset, size_t(take));
        done += take;
        at += take;
    }
    return done;
}

qint64 CPcmBuffer::writeData(const char*, qint64)
{
    return -1; // only the sound thread fills it, through Append
}
