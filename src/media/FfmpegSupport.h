#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <QString>
#include <memory>

// Owners of FFmpeg's objects, so that every early return frees what was made.
struct FormatCloser {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct CodecFreer {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrFreer {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct SwsFreer {
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFreer>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFreer>;

enum class MediaOpenError { None, Open, StreamInfo };

// Opens a local media file and reads its stream information. Paths come from
// project files, so only the file protocol is allowed: a crafted name never
// reaches the network or another protocol.
FormatPtr OpenMediaInput(const QString& path, MediaOpenError* error = nullptr);

// The first stream of a type, -1 when there is none.
int FirstStreamOf(const AVFormatContext* format, AVMediaType type);

enum class DecoderError { None, NotFound, NotOpened };

// A decoder opened on a stream's parameters; null with the reason on failure.
CodecPtr OpenStreamDecoder(const AVStream* stream, DecoderError* error = nullptr);

// The container's duration in ms, -1 when it does not know it.
qint64 MediaDurationMs(const AVFormatContext* format);

// A stream's first timestamp in its own time base; 0 when unknown.
int64_t StreamStart(const AVStream* stream);

// Positions a stream at or before ms from its start (its own start time
// added, as files like MPEG programs do not begin at 0).
bool SeekStream(AVFormatContext* format, int streamIndex, qint64 ms);
