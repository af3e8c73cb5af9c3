#pragma once

// Media made by the tests themselves: WAV files written byte by byte and
// short videos encoded with FFmpeg's own encoders. Frame i of a video is a
// grey of i * 255 / 50 once shown, with a white band down its left edge, so
// a picture names its frame and shows whether its rows are skewed.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QSaveFile>
#include <QString>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <functional>

inline bool WriteTestFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() && file.commit();
}

struct WavFormat {
    int rate = 44100;
    int channels = 2;
    int bits = 16; // 8 is unsigned; 32 with isFloat is IEEE float
    bool isFloat = false;
};

// sample(frame, channel): the value in the format's own units (offset from
// 128 for 8-bit, the float itself for float files).
using SampleFn = std::function<double(int frame, int channel)>;

inline QByteArray MakeWav(const WavFormat& f, int frames, const SampleFn& sample)
{
    const int bytes = f.bits / 8;
    const quint32 dataSize = quint32(frames) * quint32(f.channels * bytes);
    QByteArray out;
    auto u32 = [&out](quint32 v) { v = qToLittleEndian(v); out.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&out](quint16 v) { v = qToLittleEndian(v); out.append(reinterpret_cast<const char*>(&v), 2); };
    out.append("RIFF");
    u32(36 + dataSize);
    out.append("WAVEfmt ");
    u32(16);
    u16(f.isFloat ? 3 : 1);
    u16(quint16(f.channels));
    u32(quint32(f.rate));
    u32(quint32(f.rate * f.channels * bytes));
    u16(quint16(f.channels * bytes));
    u16(quint16(f.bits));
    out.append("data");
    u32(dataSize);
    out.reserve(out.size() + int(dataSize));
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < f.channels; ++c) {
            const double v = sample(i, c);
            if (f.isFloat) {
                const float x = float(v);
                out.append(reinterpret_cast<const char*>(&x), 4);
            } else if (bytes == 1) {
                out.append(char(quint8(128 + std::lround(v))));
            } else if (bytes == 2) {
                u16(quint16(qint16(std::lround(v))));
            } else {
                u32(quint32(qint32(std::llround(v))));
            }
        }
    }
    return out;
}

// Writes a WAV file into a folder; its path, empty on failure.
inline QString WriteWav(const QDir& dir, const QString& name, const WavFormat& format, int frames, const SampleFn& sample)
{
    const QString path = dir.filePath(name);
    return WriteTestFile(path, MakeWav(format, frames, sample)) ? path : QString();
}

// A square wave of the given amplitude on one channel, the others silent.
inline SampleFn SquareOn(int channel, double amplitude)
{
    return [=](int i, int c) { return c == channel ? ((i / 50) % 2 ? -amplitude : amplitude) : 0.0; };
}

struct VideoRecipe {
    AVCodecID video = AV_CODEC_ID_MPEG4; // AV_CODEC_ID_NONE: sound only
    AVCodecID audio = AV_CODEC_ID_NONE;
    int width = 64;
    int height = 48;
    int frames = 50; // at 25 a second
    int audioRate = 44100;
};

// The grey a frame is drawn with.
inline int FrameGrey(int frame)
{
    return frame * 255 / 50;
}

// The frame a shown picture came from, read from its middle; -1 without picture.
inline int FrameOfPicture(const QImage& picture)
{
    if (picture.isNull())
        return -1;
    return int(std::lround(qRed(picture.pixel(picture.width() / 2, picture.height() / 2)) * 50.0 / 255.0));
}

namespace MediaFilesDetail {

struct Track {
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    int64_t next = 0; // pts of the next frame, in the codec's time base
    ~Track()
    {
        avcodec_free_context(&codec);
        av_frame_free(&frame);
    }
};

inline bool Drain(AVFormatContext* out, Track& t, const AVFrame* frame)
{
    if (avcodec_send_frame(t.codec, frame) < 0)
        return false;
    AVPacket* packet = av_packet_alloc();
    int r;
    while ((r = avcodec_receive_packet(t.codec, packet)) == 0) {
        av_packet_rescale_ts(packet, t.codec->time_base, t.stream->time_base);
        packet->stream_index = t.stream->index;
        if (av_interleaved_write_frame(out, packet) < 0)
            r = AVERROR_EXTERNAL;
    }
    av_packet_free(&packet);
    return r == AVERROR(EAGAIN) || r == AVERROR_EOF;
}

inline bool Open(AVFormatContext* out, Track& t, AVCodecID id, const std::function<void(AVCodecContext*)>& setup)
{
    const AVCodec* codec = avcodec_find_encoder(id);
    if (!codec || !(t.codec = avcodec_alloc_context3(codec)))
        return false;
    setup(t.codec);
    if (out->oformat->flags & AVFMT_GLOBALHEADER)
        t.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(t.codec, codec, nullptr) < 0 || !(t.stream = avformat_new_stream(out, nullptr)))
        return false;
    t.stream->time_base = t.codec->time_base;
    return avcodec_parameters_from_context(t.stream->codecpar, t.codec) >= 0 && (t.frame = av_frame_alloc());
}

inline bool VideoFrame(Track& t, int index)
{
    AVFrame* f = t.frame;
    av_frame_unref(f);
    f->format = AV_PIX_FMT_YUV420P;
    f->width = t.codec->width;
    f->height = t.codec->height;
    if (av_frame_get_buffer(f, 0) < 0)
        return false;
    // Limited-range luma, so the shown grey is FrameGrey(index).
    for (int y = 0; y < f->height; ++y)
        for (int x = 0; x < f->width; ++x)
            f->data[0][y * f->linesize[0] + x] = uint8_t(x < 4 ? 235 : 16 + (FrameGrey(index) * 219 + 127) / 255);
    for (int p = 1; p < 3; ++p)
        for (int y = 0; y < (f->height + 1) / 2; ++y)
            std::memset(f->data[p] + y * f->linesize[p], 128, size_t((f->width + 1) / 2));
    f->pts = t.next++;
    return true;
}

inline bool AudioFrame(Track& t)
{
    AVFrame* f = t.frame;
    av_frame_unref(f);
    f->format = t.codec->sample_fmt;
    f->sample_rate = t.codec->sample_rate;
    f->nb_samples = t.codec->frame_size > 0 ? t.codec->frame_size : 1024;
    if (av_channel_layout_copy(&f->ch_layout, &t.codec->ch_layout) < 0 || av_frame_get_buffer(f, 0) < 0)
        return false;
    const int channels = f->ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(AVSampleFormat(f->format));
    for (int i = 0; i < f->nb_samples; ++i) {
        const double v = 0.3 * std::sin(2 * M_PI * 440.0 * double(t.next + i) / f->sample_rate);
        for (int c = 0; c < channels; ++c) {
            const int plane = planar ? c : 0;
            const int at = planar ? i : i * channels + c;
            if (av_get_packed_sample_fmt(AVSampleFormat(f->format)) == AV_SAMPLE_FMT_FLT)
                reinterpret_cast<float*>(f->data[plane])[at] = float(v);
            else
                reinterpret_cast<int16_t*>(f->data[plane])[at] = int16_t(v * 32767);
        }
    }
    f->pts = t.next;
    t.next += f->nb_samples;
    return true;
}

} // namespace MediaFilesDetail

// Encodes a test video; the container follows the file's suffix.
inline bool EncodeVideo(const QString& path, const VideoRecipe& recipe)
{
    using namespace MediaFilesDetail;
    const QByteArray name = path.toUtf8();
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, nullptr, name.constData()) < 0)
        return false;
    bool ok = true;
    {
        Track video, audio;
        if (recipe.video != AV_CODEC_ID_NONE)
            ok = Open(out, video, recipe.video, [&](AVCodecContext* c) {
                c->width = recipe.width;
                c->height = recipe.height;
                c->time_base = AVRational{1, 25};
                c->framerate = AVRational{25, 1};
                c->pix_fmt = AV_PIX_FMT_YUV420P;
                c->gop_size = 12;
                c->flags |= AV_CODEC_FLAG_QSCALE;
                c->global_quality = FF_QP2LAMBDA * 2;
            });
        if (ok && recipe.audio != AV_CODEC_ID_NONE)
            ok = Open(out, audio, recipe.audio, [&](AVCodecContext* c) {
                const AVCodec* codec = avcodec_find_encoder(recipe.audio);
                c->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
                c->sample_rate = recipe.audioRate;
                av_channel_layout_default(&c->ch_layout, 2);
                c->bit_rate = 128000;
                c->time_base = AVRational{1, recipe.audioRate};
            });
        ok = ok && avio_open(&out->pb, name.constData(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(out, nullptr) >= 0;
        const int64_t audioEnd = int64_t(recipe.frames) * recipe.audioRate / 25;
        int written = 0;
        while (ok) {
            const bool videoDue = video.codec && written < recipe.frames;
            const bool audioDue = audio.codec && audio.next < audioEnd;
            if (!videoDue && !audioDue)
                break;
            const bool takeVideo = videoDue && (!audioDue || written * int64_t(recipe.audioRate) <= audio.next * 25);
            if (takeVideo)
                ok = VideoFrame(video, written++) && Drain(out, video, video.frame);
            else
                ok = AudioFrame(audio) && Drain(out, audio, audio.frame);
        }
        if (ok && video.codec)
            ok = Drain(out, video, nullptr);
        if (ok && audio.codec)
            ok = Drain(out, audio, nullptr);
        ok = ok && av_write_trailer(out) >= 0;
    }
    if (out->pb)
        avio_closep(&out->pb);
    avformat_free_context(out);
    return ok;
}
