#include "media/FfmpegSupport.h"

FormatPtr OpenMediaInput(const QString& path, MediaOpenError* error)
{
    if (error)
        *error = MediaOpenError::Open;
    if (path.isEmpty())
        return nullptr;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* raw = nullptr;
    const QByteArray url = QByteArrayLiteral("file:") + path.toUtf8();
    const int opened = avformat_open_input(&raw, url.constData(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        return nullptr; // FFmpeg frees the context itself on failure
    FormatPtr format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0) {
        if (error)
            *error = MediaOpenError::StreamInfo;
        return nullptr;
    }
    if (error)
        *error = MediaOpenError::None;
    return format;
}

int FirstStreamOf(const AVFormatContext* format, AVMediaType type)
{
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (format->streams[i]->codecpar->codec_type == type)
            return int(i);
    }
    return -1;
}

CodecPtr OpenStreamDecoder(const AVStream* stream, DecoderError* error)
{
    if (error)
        *error = DecoderError::NotFound;
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return nullptr;
    if (error)
        *error = DecoderError::NotOpened;
    CodecPtr context(avcodec_alloc_context3(codec));
    if (!context || avcodec_parameters_to_context(context.get(), stream->codecpar) < 0)
        return nullptr;
    context->pkt_timebase = stream->time_base;
    if (avcodec_open2(context.get(), codec, nullptr) != 0)
        return nullptr;
    if (error)
        *error = DecoderError::None;
    return context;
}

qint64 MediaDurationMs(const AVFormatContext* format)
{
    if (format->duration == AV_NOPTS_VALUE || format->duration < 0)
        return -1;
    return format->duration * 1000 / AV_TIME_BASE;
}

int64_t StreamStart(const AVStream* stream)
{
    return stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
}

bool SeekStream(AVFormatContext* format, int streamIndex, qint64 ms)
{
    const AVStream* stream = format->streams[streamIndex];
    const int64_t ts = StreamStart(stream) + av_rescale_q(qMax<qint64>(ms, 0), AVRational{1, 1000}, stream->time_base);
    if (avformat_seek_file(format, streamIndex, INT64_MIN, ts, ts, 0) >= 0)
        return true;
    return av_seek_frame(format, streamIndex, ts, AVSEEK_FLAG_BACKWARD) >= 0;
}
