#pragma once

#include <QIODevice>
#include <QMutex>
#include <atomic>
#include <memory>
#include <vector>

// The decoded sound of a video, appended by the sound thread while the audio
// output reads it on the GUI thread. Kept in fixed blocks: the writer fills
// the bytes past the published size without a lock and takes the lock only
// to add a block, so a reader is never held up by the decoding.
class CPcmBuffer : public QIODevice
{
    Q_OBJECT

public:
    explicit CPcmBuffer(QObject* parent = nullptr);

    // One writer at a time, never both at once: the sound thread while it
    // runs, or any thread while it does not.
    void Append(const char* data, qint64 size);
    void Clear();

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size.load(std::memory_order_acquire); }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    static constexpr int kBlockSize = 1 << 16;

    QMutex m_mutex; // guards the list of blocks, not their bytes
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::atomic<qint64> m_size{0};
};
