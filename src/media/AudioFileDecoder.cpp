#include "media/AudioFileDecoder.h"

#include "Captions.h"
#include "model/Language.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace {

int ClampToInt(qint64 v)
{
    return int(qBound<qint64>(INT_MIN, v, INT_MAX));
}

} // namespace

bool CAudioFileDecoder::DecodeAudioFile(const QString& path, int valuesPerSecond, int& maxLength, int& duration)
{
    m_message = GetLangText(Txt::MediaDecoderFailed);
    MediaOpenError openError;
    FormatPtr format = OpenMediaInput(path, &openError);
    if (!format) {
        duration = -1;
        m_message = GetLangText(openError == MediaOpenError::StreamInfo ? Txt::MediaNoStreamInfo
                                                                         : Txt::MediaOpenFailed);
        return false;
    }
    const qint64 known = MediaDurationMs(format.get());
    duration = known < 0 ? -1 : ClampToInt(known);
    if (known >= 0 && (maxLength <= 0 || maxLength > known))
        maxLength = duration;

    const int stream = FirstStreamOf(format.get(), AVMEDIA_TYPE_AUDIO);
    if (stream < 0) {
        m_message = GetLangText(Txt::MediaNoAudioStream);
        return false;
    }
    DecoderError decoderError;
    CodecPtr codec = OpenStreamDecoder(format->streams[stream], &decoderError);
    if (!codec) {
        m_message = GetLangText(decoderError == DecoderError::NotFound ? Txt::MediaNoDecoder : Txt::MediaDecoderNotOpened);
        return false;
    }
    m_channels = codec->ch_layout.nb_channels;
    m_sampleRate = codec->sample_rate;
    if (m_channels < 1 || valuesPerSecond < 1 || m_sampleRate < valuesPerSecond)
        return false;
    m_samplesPerValue = m_sampleRate / valuesPerSecond;
    m_valueLimit = maxLength > 0 ? qint64(maxLength) * valuesPerSecond / 1000 : LLONG_MAX;
    m_counter = 0;
    m_sums.fill(0, m_channels);
    ClearValues();
    if (m_channels != 2)
        m_stereo = false;
    m_converter.SetOutput(0, 0);
    if (!Decode(format.get(), stream, codec.get()))
        return false;
    m_message = GetLangText(Txt::MediaDecoded);
    return true;
}

bool CAudioFileDecoder::Decode(AVFormatContext* format, int stream, AVCodecContext* codec)
{
    FramePtr frame(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    if (!frame || !packet) {
        m_message = GetLangText(Txt::MediaNoFrame);
        return false;
    }
    bool draining = false;
    while (qint64(m_left.size()) < m_valueLimit) {
        int received = avcodec_receive_frame(codec, frame.get());
        if (received == 0) {
            const bool ok = TakeFrame(frame.get());
            av_frame_unref(frame.get());
            if (!ok)
                return false;
            continue;
        }
        if (received != AVERROR(EAGAIN) || draining)
            break; // the end of the stream, or a decoder that cannot go on
        if (av_read_frame(format, packet.get()) < 0) {
            draining = true;
            avcodec_send_packet(codec, nullptr);
            continue;
        }
        if (packet->stream_index == stream)
            avcodec_send_packet(codec, packet.get()); // a damaged packet is skipped like a lost one
        av_packet_unref(packet.get());
    }
    return true;
}

bool CAudioFileDecoder::TakeFrame(const AVFrame* frame)
{
    if (frame->nb_samples <= 0 || !frame->extended_data || !frame->extended_data[0])
        return false;
    if (frame->ch_layout.nb_channels != m_channels)
        return true; // a stream that changes its channels midway: those frames are left out
    const bool planar = av_sample_fmt_is_planar(AVSampleFormat(frame->format));
    switch (av_get_packed_sample_fmt(AVSampleFormat(frame->format))) {
    case AV_SAMPLE_FMT_U8:
        return Accumulate<uint8_t, 128>(frame->extended_data, planar, frame->nb_samples);
    case AV_SAMPLE_FMT_S16:
        return Accumulate<int16_t, 0>(frame->extended_data, planar, frame->nb_samples);
    case AV_SAMPLE_FMT_S32:
        return Accumulate<int32_t, 0>(frame->extended_data, planar, frame->nb_samples);
    default:
        break;
    }
    // Floating-point (and 64-bit) sound is measured on a 16-bit scale.
    int converted = m_converter.Convert(frame);
    if (converted < 0) {
        converted = frame->nb_samples; // counted as silence, so the envelope keeps its timing
        std::vector<int16_t> silence(size_t(converted) * size_t(m_channels), 0);
        const uint8_t* plane = reinterpret_cast<const uint8_t*>(silence.data());
        return Accumulate<int16_t, 0>(&plane, false, converted);
    }
    const uint8_t* plane = reinterpret_cast<const uint8_t*>(m_converter.Samples());
    return Accumulate<int16_t, 0>(&plane, false, converted);
}

template <typename T, int Zero>
bool CAudioFileDecoder::Accumulate(const uint8_t* const* data, bool planar, int frames)
{
    const int channels = m_channels;
    qint64* sums = m_sums.data();
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const uint8_t* at = planar ? data[c] + size_t(i) * sizeof(T) : data[0] + (size_t(i) * channels + c) * sizeof(T);
            T sample;
            std::memcpy(&sample, at, sizeof(T));
            const qint64 v = qint64(sample) - Zero;
            sums[c] += v < 0 ? -v : v;
        }
        if (++m_counter == m_samplesPerValue && !CloseValue())
            return true;
    }
    return true;
}

// Returns false once the envelope is as long as wanted.
bool CAudioFileDecoder::CloseValue()
{
    if (m_stereo) {
        const int left = ClampToInt(m_sums[0] / m_samplesPerValue);
        const int right = ClampToInt(m_sums[1] / m_samplesPerValue);
        m_left.append(left);
        m_right.append(right);
        m_leftPeak = qMax(m_leftPeak, left);
        m_rightPeak = qMax(m_rightPeak, right);
    } else {
        qint64 total = 0;
        for (qint64 sum : qAsConst(m_sums))
            total += sum / m_samplesPerValue;
        const int value = ClampToInt(total / m_channels);
        m_left.append(value);
        m_leftPeak = qMax(m_leftPeak, value);
    }
    m_sums.fill(0);
    m_counter = 0;
    return qint64(m_left.size()) < m_valueLimit;
}

int CAudioFileDecoder::GetMediaDuration(const QString& path)
{
    FormatPtr format = OpenMediaInput(path);
    if (!format)
        return -1;
    const qint64 ms = MediaDurationMs(format.get());
    return ms < 0 ? -1 : ClampToInt(ms);
}

void CAudioFileDecoder::BandFilter(const int* values, int count, int f1, int f2)
{
    m_filtered.clear();
    m_filterPeak = 0;
    if (!values || count <= 0)
        return;
    m_filtered.resize(count);
    if (m_sampleRate <= 0) {
        // No file decoded yet, so no frequency scale: the envelope passes unfiltered.
        for (int i = 0; i < count; ++i) {
            m_filtered[i] = values[i] < 0 ? -values[i] : values[i];
            m_filterPeak = qMax(m_filterPeak, m_filtered[i]);
        }
        return;
    }
    constexpr int kHalf = 10;
    constexpr int kTaps = 2 * kHalf + 1;
    // The constants stay as the timeline has always drawn with them.
    const double fc1 = double(f1) / m_sampleRate;
    const double fc2 = double(f2) / m_sampleRate;
    double g[kTaps];
    for (int n = -kHalf; n <= kHalf; ++n) {
        double h = n == 0 ? 2.0 * fc1 : std::sin(2.0 * 3.1415 * fc1 * n) / (n * 3.1415);
        h *= 0.54 + 0.46 * std::cos(n * 6.283 / kTaps);
        if (fc2 > 0)
            h *= std::cos(fc2 * 6.283 * n);
        g[n + kHalf] = h;
    }
    // Only the centre of the full convolution is kept: y[i + 10] for each input.
    for (int i = 0; i < count; ++i) {
        const int k = i + kHalf;
        const int first = qMax(0, k - (kTaps - 1));
        const int last = qMin(k, count - 1);
        qint64 sum = 0;
        for (int j = first; j <= last; ++j)
            sum = qint64(double(sum) + double(values[j]) * g[k - j]);
        const int out = ClampToInt(sum < 0 ? -sum : sum);
        m_filtered[i] = out;
        m_filterPeak = qMax(m_filterPeak, out);
    }
}

void CAudioFileDecoder::ClearValues()
{
    m_left.clear();
    m_right.clear();
    m_leftPeak = 0;
    m_rightPeak = 0;
}
