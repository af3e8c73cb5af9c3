#include "media/PcmBuffer.h"

#include <cstring>

CPcmBuffer::CPcmBuffer(QObject* parent)
    : QIODevice(parent)
{
}

void CPcmBuffer::Append(const char* data, qint64 size)
{
    QMutexLocker lock(&m_mutex);
    while (size > 0) {
        if (m_blocks.empty() || m_blocks.back().size() == kBlockSize) {
            m_blocks.emplace_back();
            m_blocks.back().reserve(kBlockSize);
        }
        QByteArray& block = m_blocks.back();
        const int take = int(qMin<qint64>(size, kBlockSize - block.size()));
        block.append(data, take);
        data += take;
        size -= take;
        m_size += take;
    }
}

void CPcmBuffer::Clear()
{
    std::vector<QByteArray> old;
    {
        QMutexLocker lock(&m_mutex);
        old.swap(m_blocks);
        m_size = 0;
    }
    // The blocks are freed outside the lock.
}

qint64 CPcmBuffer::size() const
{
    QMutexLocker lock(&m_mutex);
    return m_size;
}

qint64 CPcmBuffer::bytesAvailable() const
{
    return qMax<qint64>(size() - pos(), 0) + QIODevice::bytesAvailable();
}

qint64 CPcmBuffer::readData(char* data, qint64 maxSize)
{
    QMutexLocker lock(&m_mutex);
    qint64 at = pos();
    qint64 done = 0;
    while (done < maxSize && at < m_size) {
        const QByteArray& block = m_blocks[size_t(at / kBlockSize)];
        const int offset = int(at % kBlockSize);
        const int take = int(qMin<qint64>(maxSize - done, block.size() - offset));
        std::memcpy(data + done, block.constData() + offset, size_t(take));
        done += take;
        at += take;
    }
    return done;
}

qint64 CPcmBuffer::writeData(const char*, qint64)
{
    return -1; // only the sound thread fills it, through Append
}
