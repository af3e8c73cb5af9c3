#pragma once

#include <QByteArray>

#include <functional>
#include <memory>

// Compresses blobs exactly as qCompress at the default level does (a 4-byte
// big-endian length, then a zlib stream), keeping one zlib stream between
// calls: a writer of tens of thousands of small blobs sets zlib up once
// instead of for every blob. A reader of as many keeps one for inflating.
class CBlobCompressor
{
public:
    CBlobCompressor();
    ~CBlobCompressor();
    CBlobCompressor(const CBlobCompressor&) = delete;
    CBlobCompressor& operator=(const CBlobCompressor&) = delete;

    // Empty when zlib fails, as qCompress returns.
    QByteArray Compress(const QByteArray& bytes);
    // What Compress returns, handed to `write` a piece at a time as it is
    // made rather than held: for a text of tens or hundreds of megabytes,
    // which goes straight into a file. False when zlib or `write` fails.
    using Write = std::function<bool(const char*, qint64)>;
    bool CompressInto(const QByteArray& bytes, const Write& write);
    // The same of a text of `length` bytes that `produce` hands over a piece
    // at a time, through the function it is given: never held whole either.
    // False too when `produce` fails or its pieces do not come to `length`.
    bool CompressInto(quint32 length, const std::function<bool(const Write& feed)>& produce, const Write& write);
    // Inflates one whole zlib stream of `size` bytes into `out` of
    // `capacity` bytes, as zlib's uncompress does: false unless the stream
    // is sound and ends within `capacity`. `produced` gets the length.
    bool Inflate(const uchar* stream, qint64 size, char* out, qint64 capacity, qint64& produced);

private:
    // The kept deflate stream, set up or reset for a new blob.
    bool ReadyToDeflate();

    struct SStream;
    std::unique_ptr<SStream> m_stream;
    struct SInflater;
    std::unique_ptr<SInflater> m_inflater;
};
