#include "media/SoundThread.h"

#include "media/PcmBuffer.h"

#include <vector>

CSoundThread::CSoundThread(QObject* parent)
    : QThread(parent)
{
}

CSoundThread::~CSoundThread()
{
    Close();
}

bool CSoundThread::Open(const QString& path, CPcmBuffer* pcm, int chunkMs)
{
    Close();
    FormatPtr format = OpenMediaInput(path);
    if (!format || !pcm)
        return false;
    const int stream = FirstStreamOf(format.get(), AVMEDIA_TYPE_AUDIO);
    if (stream < 0)
        return false;
    CodecPtr codec = OpenStreamDecoder(format->streams[stream]);
    FramePtr frame(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    if (!codec || !frame || !packet || codec->ch_layout.nb_channels < 1 || codec->sample_rate < 1)
        return false;
    m_channels = codec->ch_layout.nb_channels;
    m_rate = codec->sample_rate;
    m_format = std::move(format);
    m_codec = std::move(codec);
    m_frame = std::move(frame);
    m_packet = std::move(packet);
    m_stream = stream;
    m_chunkMs = chunkMs > 0 ? chunkMs : m_channels <= 2 ? 300000 : 60000;
    m_pcm = pcm;
    m_opened = true;
    return true;
}

void CSoundThread::Close()
{
    Cancel();
    m_opened = false;
    m_pcm = nullptr;
    m_stream = -1;
    m_channels = 0;
    m_rate = 0;
    m_chunkMs = 0;
    m_packet.reset();
    m_frame.reset();
    m_codec.reset();
    m_format.reset();
    m_converter.SetOutput(0, 0);
}

void CSoundThread::Start(qint64 startMs, int run)
{
    Cancel();
    if (!m_opened)
        return;
    m_startMs = qMax<qint64>(startMs, 0);
    m_run = run;
    m_cancel = false;
    start(QThread::InheritPriority);
}

void CSoundThread::Cancel()
{
    m_cancel = true;
    wait();
}

bool CSoundThread::Append(int samples, const char* data)
{
    if (samples <= 0)
        return false;
    m_pcm->Append(data, qint64(samples) * m_converter.Channels() * 2);
    return true;
}

void CSoundThread::run()
{
    const int run = m_run;
    m_pcm->Clear(); // here, so the GUI thread never waits for the old sound to be freed
    bool announced = false;
    auto announce = [&] {
        if (!announced && !m_cancel) {
            announced = true;
            emit ready(run);
        }
    };
    if (!SeekStream(m_format.get(), m_stream, m_startMs)) {
        announce();
        return;
    }
    avcodec_flush_buffers(m_codec.get());
    // A run ends after a chunk of sound time, whatever the frames hold:
    // samples per channel still wanted, -1 until the first frame.
    qint64 left = -1;
    bool draining = false;
    while (!m_cancel && left != 0) {
        const int received = avcodec_receive_frame(m_codec.get(), m_frame.get());
        if (received == 0) {
            int samples = m_converter.Convert(m_frame.get());
            av_frame_unref(m_frame.get());
            if (samples < 0)
                continue; // a frame that cannot be converted is skipped
            if (left < 0)
                left = qint64(m_chunkMs) * m_converter.Rate() / 1000; // the output rate is known now
            samples = int(qMin<qint64>(samples, left));
            if (Append(samples, reinterpret_cast<const char*>(m_converter.Samples()))) {
                left -= samples;
                announce();
            }
            continue;
        }
        if (received != AVERROR(EAGAIN) || draining) {
            if (received == AVERROR_EOF && left != 0 && !m_cancel) {
                const int tail = m_converter.Flush();
                if (left > 0 && Append(int(qMin<qint64>(tail, left)), reinterpret_cast<const char*>(m_converter.Samples())))
                    announce();
            }
            break;
        }
        if (av_read_frame(m_format.get(), m_packet.get()) < 0) {
            draining = true;
            avcodec_send_packet(m_codec.get(), nullptr);
            continue;
        }
        if (m_packet->stream_index == m_stream)
            avcodec_send_packet(m_codec.get(), m_packet.get());
        av_packet_unref(m_packet.get());
    }
    announce();
}
