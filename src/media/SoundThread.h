#pragma once

#include "media/FfmpegSupport.h"
#include "media/SampleConverter.h"

#include <QThread>
#include <atomic>

class CPcmBuffer;

// Decodes the sound of a video ahead of play, a chunk of sound time per run,
// into interleaved signed 16-bit PCM that its player's audio output reads.
// The player restarts it from a new time instead of touching what it decodes.
class CSoundThread : public QThread
{
    Q_OBJECT

public:
    explicit CSoundThread(QObject* parent = nullptr);
    ~CSoundThread() override;

    // A run decodes chunkMs of sound; 0 takes 5 minutes, 1 minute beyond two channels.
    bool Open(const QString& path, CPcmBuffer* pcm, int chunkMs = 0);
    void Close();
    // What the audio device takes; 0 keeps the file's own. Only while no run goes on.
    void SetOutput(int rate, int channels) { m_converter.SetOutput(rate, channels); }
    bool IsOpen() const { return m_opened; }
    int FileChannels() const { return m_channels; }
    int FileRate() const { return m_rate; }
    int ChunkMs() const { return m_chunkMs; }

    // Ends the current run and decodes from startMs into the cleared PCM;
    // the run's first data (or its end without any) emits ready(run).
    void Start(qint64 startMs, int run);
    // Ends a run at its next packet; returns when the thread has stopped.
    void Cancel();

signals:
    void ready(int run);

protected:
    void run() override;

private:
    bool Append(int samples, const char* data);

    FormatPtr m_format;
    CodecPtr m_codec;
    FramePtr m_frame;
    PacketPtr m_packet;
    CSampleConverter m_converter;
    CPcmBuffer* m_pcm = nullptr;
    int m_stream = -1;
    int m_channels = 0;
    int m_rate = 0;
    int m_chunkMs = 0;
    bool m_opened = false;
    std::atomic<qint64> m_startMs{0};
    std::atomic<int> m_run{0};
    std::atomic<bool> m_cancel{false};
};
