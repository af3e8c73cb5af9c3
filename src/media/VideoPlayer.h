#pragma once

#include "media/FfmpegSupport.h"
#include "media/PcmBuffer.h"

#include <QAudioDeviceInfo>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

class CSoundThread;
class QAudioOutput;

// Plays one video file in a widget: frames are decoded on demand, one shown
// frame per timer tick on the GUI thread, and scaled to an RGB picture; the
// sound is decoded ahead by a thread of its own and played by an audio output.
class CVideoPlayer : public QWidget
{
    Q_OBJECT

public:
    enum DisplayMode { Stretch = 0, Adjust = 1, Centre = 2 };

    explicit CVideoPlayer(QWidget* parent = nullptr);
    ~CVideoPlayer() override;

    bool OpenFile(const QString& path, bool withSound);
    void CloseFile();
    void Play();
    void Pause();
    void Stop();
    void Seek(int ms);
    void SetSound(bool on);
    void SetVolume(int volume);
    void SetDisplayMode(int mode);
    // Where the sound plays (null: the system's default) and how much of it
    // is decoded ahead per run (0: the decoder's own); from the next OpenFile on.
    void SetSoundOutput(const QAudioDeviceInfo& device, int chunkMs = 0);

    bool IsOpen() const { return m_open; }
    bool IsPlaying() const { return m_playing; }
    bool IsPaused() const { return m_paused; }
    bool HasSound() const { return m_hasSound; }
    int Duration() const { return m_durationMs; } // ms
    QSize FrameSize() const { return QSize(m_width, m_height); }
    int Position() const { return int(m_elapsed); } // ms
    // The last shown frame; null after Stop and before the first frame.
    const QImage& CurrentFrame() const { return m_picture; }

signals:
    // Reading the file met its end.
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    void OnSoundReady(int run);
    void OnTimer();

private:
    bool OpenVideo(const QString& path);
    void OpenSound(const QString& path);
    bool Rewind();
    bool SeekVideo(qint64 ms);
    qint64 FirstFrameFrom(qint64 ms);
    bool DecodeFrame();
    bool ShowFrame(const AVFrame* frame);
    qint64 FrameIndexOf(const AVFrame* frame) const;
    qint64 FrameAt(qint64 ms) const;
    void StartTimer();
    void StartSound();
    void StopSound();

    QString m_file;
    QElapsedTimer m_clock;
    QTimer m_timer;
    QImage m_picture;
    FormatPtr m_format;
    CodecPtr m_video;
    SwsPtr m_scaler;
    FramePtr m_frame;
    PacketPtr m_packet;
    int m_videoStream = -1;
    int64_t m_videoStart = 0;
    int m_width = 0;
    int m_height = 0;
    int m_durationMs = 0;
    double m_frameRate = 25;
    int m_frameInterval = 40;

    CSoundThread* m_sound = nullptr;
    QAudioOutput* m_audio = nullptr;
    CPcmBuffer m_pcm;
    int m_soundRun = 0;
    int m_soundChunk = 0;
    QAudioDeviceInfo m_soundDevice;
    int m_chosenChunk = 0;

    qint64 m_elapsed = 0;
    qint64 m_soundStart = 0;
    qint64 m_target = 0;
    qint64 m_decoded = -1;
    int m_volume = 100;
    int m_displayMode = Adjust;
    bool m_busy = false;
    bool m_open = false;
    bool m_soundWanted = false;
    bool m_hasSound = false;
    bool m_soundActive = false;
    bool m_audioPending = false;
    bool m_playing = false;
    bool m_paused = false;
};
