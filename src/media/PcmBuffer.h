#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QMutex>
#include <vector>

// The decoded sound of a video, appended by the sound thread while the audio
// output reads it on the GUI thread. Kept in fixed blocks, so an append never
// copies what is already there and the lock is held for a short copy only.
class CPcmBuffer : public QIODevice
{
    Q_OBJECT

public:
    explicit CPcmBuffer(QObject* parent = nullptr);

    // Any thread.
    void Append(const char* data, qint64 size);
    void Clear();

    bool isSequential() const override { return false; }
    qint64 size() const override;
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    static constexpr int kBlockSize = 1 << 16;

    mutable QMutex m_mutex;
    std::vector<QByteArray> m_blocks;
    qint64 m_size = 0;
};
