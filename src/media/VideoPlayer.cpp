#include "media/VideoPlayer.h"

#include "media/SoundThread.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <QAudioDeviceInfo>
#include <QAudioOutput>
#include <QPainter>
#include <QPointer>
#include <climits>
#include <cmath>

namespace {

// Larger pictures are refused before anything is allocated for them.
constexpr int kMaxSide = 16384;
// What a trial seek finds: a failed seek, or no picture up to the end.
constexpr qint64 kSeekFailed = LLONG_MIN;
constexpr qint64 kNoFrame = LLONG_MAX;

} // namespace

CVideoPlayer::CVideoPlayer(QWidget* parent)
    : QWidget(parent)
{
    m_clock.start();
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CVideoPlayer::OnTimer);
}

CVideoPlayer::~CVideoPlayer()
{
    CloseFile();
}

bool CVideoPlayer::OpenFile(const QString& path, bool withSound)
{
    if (m_open && path == m_file)
        return true;
    CloseFile();
    if (!OpenVideo(path)) {
        CloseFile(); // forgets the path too, so the next call tries again
        return false;
    }
    m_file = path;
    if (withSound)
        OpenSound(path);
    if (m_hasSound)
        m_soundActive = m_soundWanted;
    m_open = true;
    return true;
}

bool CVideoPlayer::OpenVideo(const QString& path)
{
    m_format = OpenMediaInput(path);
    if (!m_format)
        return false;
    m_videoStream = FirstStreamOf(m_format.get(), AVMEDIA_TYPE_VIDEO);
    if (m_videoStream < 0)
        return false;
    const AVStream* stream = m_format->streams[m_videoStream];
    m_video = OpenStreamDecoder(stream);
    if (!m_video)
        return false;
    m_width = m_video->width;
    m_height = m_video->height;
    if (m_width < 1 || m_height < 1 || m_width > kMaxSide || m_height > kMaxSide
        || av_image_check_size(unsigned(m_width), unsigned(m_height), 0, nullptr) < 0)
        return false;
    // The stream's base rate, else its average, else the usual 25: never 0.
    AVRational rate = stream->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = stream->avg_frame_rate;
    m_frameRate = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 25.0;
    m_frameInterval = qMax(1, int(1000.0 / m_frameRate));
    qint64 duration = MediaDurationMs(m_format.get());
    if (duration < 0 && stream->duration != AV_NOPTS_VALUE)
        duration = av_rescale_q(stream->duration, stream->time_base, AVRational{1, 1000});
    m_durationMs = int(qBound<qint64>(0, duration, INT_MAX));
    m_videoStart = StreamStart(stream);
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    return m_frame && m_packet && Rewind();
}

void CVideoPlayer::OpenSound(const QString& path)
{
    const QAudioDeviceInfo device = m_soundDevice.isNull() ? QAudioDeviceInfo::defaultOutputDevice() : m_soundDevice;
    if (device.isNull())
        return; // no usable device: the video plays silently
    if (!m_sound) {
        m_sound = new CSoundThread(this);
        connect(m_sound, &CSoundThread::ready, this, &CVideoPlayer::OnSoundReady);
    }
    if (!m_sound->Open(path, &m_pcm, m_chosenChunk))
        return;
    QAudioFormat format;
    format.setSampleRate(m_sound->FileRate());
    format.setChannelCount(m_sound->FileChannels());
    format.setSampleSize(16);
    format.setCodec(QStringLiteral("audio/pcm"));
    format.setByteOrder(QAudioFormat::LittleEndian);
    format.setSampleType(QAudioFormat::SignedInt);
    if (!device.isFormatSupported(format))
        format = device.nearestFormat(format);
    // The thread delivers signed 16-bit samples, converted to the device's rate and channels.
    if (format.sampleSize() != 16 || format.sampleType() != QAudioFormat::SignedInt
        || format.byteOrder() != QAudioFormat::LittleEndian || format.sampleRate() < 1 || format.channelCount() < 1) {
        m_sound->Close();
        return;
    }
    m_sound->SetOutput(format.sampleRate(), format.channelCount());
    m_soundChunk = m_sound->ChunkMs();
    if (!m_pcm.isOpen())
        m_pcm.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    m_audio = new QAudioOutput(device, format, this);
    m_audio->setVolume(m_volume / 100.0);
    m_hasSound = true;
}

void CVideoPlayer::CloseFile()
{
    m_timer.stop();
    StopSound();
    delete m_audio;
    m_audio = nullptr;
    if (m_sound)
        m_sound->Close();
    m_pcm.Clear();
    m_file.clear();
    m_picture = QImage();
    m_scaler.reset();
    m_packet.reset();
    m_frame.reset();
    m_video.reset();
    m_format.reset();
    m_videoStream = -1;
    m_videoStart = 0;
    m_width = m_height = m_durationMs = 0;
    m_soundChunk = 0;
    m_elapsed = m_soundStart = m_target = 0;
    m_decoded = -1;
    m_busy = m_open = m_hasSound = m_soundActive = m_audioPending = m_playing = m_paused = false;
}

bool CVideoPlayer::Rewind()
{
    m_elapsed = m_soundStart = m_target = 0;
    m_decoded = -1;
    return SeekVideo(0);
}

qint64 CVideoPlayer::FirstFrameFrom(qint64 ms)
{
    if (!SeekStream(m_format.get(), m_videoStream, ms))
        return kSeekFailed;
    avcodec_flush_buffers(m_video.get());
    for (;;) {
        const int received = avcodec_receive_frame(m_video.get(), m_frame.get());
        if (received == 0) {
            const qint64 index = FrameIndexOf(m_frame.get());
            av_frame_unref(m_frame.get());
            return index;
        }
        if (received != AVERROR(EAGAIN))
            return kNoFrame;
        if (av_read_frame(m_format.get(), m_packet.get()) < 0) {
            avcodec_send_packet(m_video.get(), nullptr);
            continue;
        }
        if (m_packet->stream_index == m_videoStream)
            avcodec_send_packet(m_video.get(), m_packet.get());
        av_packet_unref(m_packet.get());
    }
}

bool CVideoPlayer::SeekVideo(qint64 ms)
{
    // Some containers (MPEG programs) land on a picture that needs earlier
    // ones, and the decoder starts at the next key picture, past the target:
    // the seek then starts further back and decodes forward.
    const qint64 target = FrameAt(ms);
    for (qint64 back : {0, 1000, 4000, 16000, 64000}) {
        const qint64 from = qMax<qint64>(ms - back, 0);
        const qint64 first = FirstFrameFrom(from);
        if (first == kSeekFailed)
            return false;
        if (first <= target || from == 0) {
            if (!SeekStream(m_format.get(), m_videoStream, from))
                return false;
            avcodec_flush_buffers(m_video.get());
            return true;
        }
    }
    return false;
}

void CVideoPlayer::StartTimer()
{
    m_timer.start(m_frameInterval);
    m_playing = true;
    m_paused = false;
}

void CVideoPlayer::Play()
{
    if (!m_open)
        return;
    m_clock.restart();
    if (m_soundActive)
        StartSound(); // the frames follow once the first sound is there
    else
        StartTimer();
}

void CVideoPlayer::StartSound()
{
    m_soundStart = m_elapsed;
    m_sound->Start(m_elapsed, ++m_soundRun);
}

void CVideoPlayer::StopSound()
{
    ++m_soundRun; // a late ready() of the ended run is ignored
    m_audioPending = false;
    if (m_audio)
        m_audio->stop();
    if (m_sound)
        m_sound->Cancel();
}

void CVideoPlayer::OnSoundReady(int run)
{
    if (run != m_soundRun || !m_soundActive || !m_audio)
        return;
    m_pcm.seek(0);
    if (!m_timer.isActive()) {
        StartTimer();
        m_audioPending = true;
    } else if (m_audio->state() == QAudio::StoppedState) {
        m_audioPending = true; // sound switched on while the pictures run
    }
}

void CVideoPlayer::OnTimer()
{
    m_elapsed += m_clock.restart();
    m_target = FrameAt(m_elapsed);
    QPointer<CVideoPlayer> alive(this);
    DecodeFrame();
    if (!alive || !m_open || !m_soundActive || !m_audio)
        return; // finished() may have stopped or closed the player
    if (m_audioPending) {
        m_audioPending = false;
        m_audio->start(&m_pcm);
    } else if (m_elapsed - m_soundStart >= m_soundChunk) {
        StartSound();
    }
}

qint64 CVideoPlayer::FrameAt(qint64 ms) const
{
    return qint64(double(ms) * m_frameRate / 1000.0);
}

qint64 CVideoPlayer::FrameIndexOf(const AVFrame* frame) const
{
    const int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE)
        return m_decoded + 1;
    const AVRational base = m_format->streams[m_videoStream]->time_base;
    return std::llround(double(pts - m_videoStart) * av_q2d(base) * m_frameRate);
}

bool CVideoPlayer::DecodeFrame()
{
    if (!m_open || m_busy)
        return false;
    m_busy = true;
    bool shown = false;
    bool ended = false;
    while (!shown && !ended) {
        const int received = avcodec_receive_frame(m_video.get(), m_frame.get());
        if (received == 0) {
            m_decoded = FrameIndexOf(m_frame.get());
            // Frames behind the target are dropped; when ahead, the next one is shown.
            if (m_decoded >= m_target)
                shown = ShowFrame(m_frame.get());
            av_frame_unref(m_frame.get());
        } else if (received != AVERROR(EAGAIN)) {
            ended = true;
        } else if (av_read_frame(m_format.get(), m_packet.get()) < 0) {
            avcodec_send_packet(m_video.get(), nullptr); // the frames still in the decoder, then the end
        } else {
            if (m_packet->stream_index == m_videoStream)
                avcodec_send_packet(m_video.get(), m_packet.get()); // a damaged packet is skipped
            av_packet_unref(m_packet.get());
        }
    }
    m_busy = false;
    if (shown)
        repaint();
    if (ended)
        emit finished();
    return shown;
}

bool CVideoPlayer::ShowFrame(const AVFrame* frame)
{
    if (frame->width < 1 || frame->height < 1)
        return false;
    SwsContext* scaler = sws_getCachedContext(m_scaler.release(), frame->width, frame->height,
                                              AVPixelFormat(frame->format), m_width, m_height, AV_PIX_FMT_RGB24,
                                              SWS_BICUBIC, nullptr, nullptr, nullptr);
    m_scaler.reset(scaler);
    if (!scaler)
        return false;
    if (m_picture.size() != QSize(m_width, m_height))
        m_picture = QImage(m_width, m_height, QImage::Format_RGB888);
    if (m_picture.isNull())
        return false;
    // The picture's rows are padded to four bytes: the scaler writes with its stride.
    uint8_t* planes[4] = {m_picture.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {int(m_picture.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    return true;
}

void CVideoPlayer::Pause()
{
    if (m_playing && m_timer.isActive()) {
        m_timer.stop();
        if (m_soundActive && m_audio)
            m_audio->stop();
    }
    ++m_soundRun; // a sound run still starting does not start the pictures
    m_audioPending = false;
    // Also while stopped, so that a seek shows its frame.
    m_paused = true;
}

void CVideoPlayer::Stop()
{
    m_timer.stop();
    StopSound();
    m_playing = false;
    m_paused = false;
    if (m_open && !m_busy && !Rewind())
        return; // the last picture stays
    m_picture = QImage();
    update();
}

void CVideoPlayer::Seek(int ms)
{
    if (!m_open || m_busy)
        return;
    const bool running = m_playing && !m_paused;
    if (running) {
        m_timer.stop();
        StopSound();
    }
    m_busy = true;
    bool ok;
    if (ms > 0) {
        m_elapsed = m_soundStart = ms;
        m_target = FrameAt(ms);
        m_decoded = m_target - 1;
        ok = SeekVideo(ms);
    } else {
        ok = Rewind();
    }
    m_busy = false;
    if (m_paused) {
        if (ok)
            DecodeFrame();
    } else if (running) {
        Play(); // a failed seek plays on from where it was
    }
}

void CVideoPlayer::SetSound(bool on)
{
    m_soundWanted = on;
    if (!m_hasSound)
        return;
    m_soundActive = on;
    if (m_playing && !m_paused) {
        if (on)
            StartSound();
        else
            StopSound();
    }
}

void CVideoPlayer::SetVolume(int volume)
{
    m_volume = qBound(0, volume, 100);
    if (m_audio)
        m_audio->setVolume(m_volume / 100.0);
}

void CVideoPlayer::SetDisplayMode(int mode)
{
    m_displayMode = mode;
    if (!m_playing)
        update();
}

void CVideoPlayer::SetSoundOutput(const QAudioDeviceInfo& device, int chunkMs)
{
    m_soundDevice = device;
    m_chosenChunk = qMax(chunkMs, 0);
}

void CVideoPlayer::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!m_open || m_busy || m_picture.isNull())
        return;
    const QSize size = m_picture.size();
    QRect target = rect();
    if (m_displayMode == Adjust) {
        const float sx = float(width()) / size.width();
        const float sy = float(height()) / size.height();
        if (sx >= sy) {
            const int w = int(size.width() * sy);
            target = QRect((width() - w) / 2, 0, w, height());
        } else {
            const int h = int(size.height() * sx);
            target = QRect(0, (height() - h) / 2, width(), h);
        }
    } else if (m_displayMode == Centre) {
        target = QRect((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(), size.height());
    }
    painter.drawImage(target, m_picture);
}
