#pragma once

#include <QByteArray>

#include <memory>

// Compresses blobs exactly as qCompress at the default level does (a 4-byte
// big-endian length, then a zlib stream), keeping one zlib stream between
// calls: a writer of tens of thousands of small blobs sets zlib up once
// instead of for every blob.
class CBlobCompressor
{
public:
    CBlobCompressor();
    ~CBlobCompressor();
    CBlobCompressor(const CBlobCompressor&) = delete;
    CBlobCompressor& operator=(const CBlobCompressor&) = delete;

    // Empty when zlib fails, as qCompress returns.
    QByteArray Compress(const QByteArray& bytes);

private:
    struct SStream;
    std::unique_ptr<SStream> m_stream;
};
