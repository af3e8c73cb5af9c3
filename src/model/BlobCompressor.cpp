#include "model/BlobCompressor.h"

#include <algorithm>

#include <zlib.h>

#include <climits>

struct CBlobCompressor::SStream
{
    z_stream z{};
    bool ready = false;
};

struct CBlobCompressor::SInflater
{
    z_stream z{};
    bool ready = false;
};

CBlobCompressor::CBlobCompressor() : m_stream(new SStream), m_inflater(new SInflater) {}

CBlobCompressor::~CBlobCompressor()
{
    if (m_stream->ready)
        deflateEnd(&m_stream->z);
    if (m_inflater->ready)
        inflateEnd(&m_inflater->z);
}

bool CBlobCompressor::Inflate(const uchar* stream, qint64 size, char* out, qint64 capacity, qint64& produced)
{
    produced = 0;
    // One call of inflate takes at most 4 GB each way; no blob comes near.
    if (size < 0 || capacity < 0 || size > qint64(UINT_MAX) || capacity > qint64(UINT_MAX))
        return false;
    z_stream& z = m_inflater->z;
    if (!m_inflater->ready) {
        if (inflateInit(&z) != Z_OK)
            return false;
        m_inflater->ready = true;
    } else if (inflateReset(&z) != Z_OK) {
        return false;
    }
    z.next_in = const_cast<Bytef*>(stream);
    z.avail_in = uInt(size);
    z.next_out = reinterpret_cast<Bytef*>(out);
    z.avail_out = uInt(capacity);
    const int result = inflate(&z, Z_FINISH);
    produced = qint64(z.total_out);
    return result == Z_STREAM_END;
}

namespace {

void PutLength(QByteArray& out, quint32 length)
{
    out[0] = char(length >> 24);
    out[1] = char(length >> 16);
    out[2] = char(length >> 8);
    out[3] = char(length);
}

} // namespace

bool CBlobCompressor::ReadyToDeflate()
{
    z_stream& z = m_stream->z;
    if (!m_stream->ready) {
        if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK)
            return false;
        m_stream->ready = true;
        return true;
    }
    return deflateReset(&z) == Z_OK;
}

QByteArray CBlobCompressor::Compress(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QByteArray(4, '\0'); // qCompress writes nothing but the length
    if (!ReadyToDeflate())
        return QByteArray();
    z_stream& z = m_stream->z;
    const uLong bound = deflateBound(&z, uLong(bytes.size()));
    QByteArray out(int(4 + bound), Qt::Uninitialized);
    PutLength(out, quint32(bytes.size()));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    z.avail_in = uInt(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data() + 4);
    z.avail_out = uInt(bound);
    if (deflate(&z, Z_FINISH) != Z_STREAM_END)
        return QByteArray();
    out.resize(int(4 + z.total_out));
    return out;
}

bool CBlobCompressor::CompressInto(const QByteArray& bytes, const Write& write)
{
    return CompressInto(
        quint32(bytes.size()), [&bytes](const Write& feed) { return feed(bytes.constData(), bytes.size()); }, write);
}

bool CBlobCompressor::CompressInto(quint32 length, const std::function<bool(const Write& feed)>& produce,
                                   const Write& write)
{
    QByteArray header(4, '\0');
    PutLength(header, length);
    if (!write(header.constData(), header.size()))
        return false;
    if (length == 0) // qCompress of nothing is its length alone
        return produce([](const char*, qint64 size) { return size == 0; });
    if (!ReadyToDeflate())
        return false;
    z_stream& z = m_stream->z;
    qint64 fed = 0;
    const auto deflateAll = [&](const char* data, qint64 size, int flush) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z.avail_in = uInt(size);
        int result = Z_OK;
        do {
            char chunk[64 * 1024];
            z.next_out = reinterpret_cast<Bytef*>(chunk);
            z.avail_out = uInt(sizeof chunk);
            result = deflate(&z, flush);
            if (result == Z_STREAM_ERROR || !write(chunk, qint64(sizeof chunk - z.avail_out)))
                return false;
        } while (flush == Z_FINISH ? result != Z_STREAM_END : z.avail_out == 0);
        return true;
    };
    const bool produced = produce([&](const char* data, qint64 size) {
        fed += size;
        // Pieces of zlib's own size at most, whatever the caller's.
        for (qint64 from = 0; from < size; from += 1 << 30) {
            if (!deflateAll(data + from, std::min<qint64>(size - from, 1 << 30), Z_NO_FLUSH))
                return false;
        }
        return true;
    });
    return produced && fed == qint64(length) && deflateAll(nullptr, 0, Z_FINISH);
}
