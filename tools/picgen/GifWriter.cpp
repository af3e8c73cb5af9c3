#include "GifWriter.h"

#include <QHash>

namespace {

constexpr int kMinCodeSize = 8;
constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeWidth = 12;
constexpr int kTransparent = 255;

class BitWriter
{
public:
    void Put(int code, int width)
    {
        m_acc |= quint32(code) << m_bits;
        m_bits += width;
        while (m_bits >= 8) {
            m_out.append(char(m_acc & 0xff));
            m_acc >>= 8;
            m_bits -= 8;
        }
    }
    QByteArray Finish()
    {
        if (m_bits > 0)
            m_out.append(char(m_acc & 0xff));
        m_acc = 0;
        m_bits = 0;
        return m_out;
    }

private:
    QByteArray m_out;
    quint32 m_acc = 0;
    int m_bits = 0;
};

void PutWord(QByteArray& out, int value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

bool Opaque(QRgb pixel)
{
    return qAlpha(pixel) >= 128;
}

// 6 x 7 x 6 levels: green gets the extra step the eye is most sensitive to.
int CubeIndex(QRgb pixel)
{
    return (qRed(pixel) * 5 + 127) / 255 * 42 + (qGreen(pixel) * 6 + 127) / 255 * 6 + (qBlue(pixel) * 5 + 127) / 255;
}

QRgb CubeColor(int index)
{
    return qRgb(index / 42 * 255 / 5, index / 6 % 7 * 255 / 6, index % 6 * 255 / 5);
}

} // namespace

QByteArray LzwEncode(const QByteArray& indices)
{
    const int clear = 1 << kMinCodeSize;
    const int end = clear + 1;
    BitWriter bits;
    QHash<quint32, int> table;
    int next = end + 1;
    int width = kMinCodeSize + 1;
    auto emitCode = [&](int code) {
        // The reader adds its entries one code later than we do, so it widens
        // one code later too.
        if (next > (1 << width) && width < kMaxCodeWidth)
            ++width;
        bits.Put(code, width);
    };
    bits.Put(clear, width);
    if (indices.isEmpty()) {
        bits.Put(end, width);
        return bits.Finish();
    }
    int prefix = quint8(indices.at(0));
    for (int i = 1; i < indices.size(); ++i) {
        const int symbol = quint8(indices.at(i));
        const quint32 key = quint32(prefix) << 8 | quint32(symbol);
        const auto found = table.constFind(key);
        if (found != table.constEnd()) {
            prefix = found.value();
            continue;
        }
        emitCode(prefix);
        if (next < kMaxCodes) {
            table.insert(key, next++);
        } else {
            emitCode(clear);
            table.clear();
            next = end + 1;
            width = kMinCodeSize + 1;
        }
        prefix = symbol;
    }
    emitCode(prefix);
    emitCode(end);
    return bits.Finish();
}

QByteArray EncodeGif(const QVector<QImage>& frames, int delayMs)
{
    if (frames.isEmpty())
        return QByteArray();
    const QSize size = frames.first().size();
    QVector<QImage> argb;
    QHash<QRgb, int> exact;
    bool fits = true;
    for (const QImage& frame : frames) {
        argb.append(frame.convertToFormat(QImage::Format_ARGB32).scaled(size));
        for (int y = 0; fits && y < size.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(argb.last().constScanLine(y));
            for (int x = 0; fits && x < size.width(); ++x) {
                if (!Opaque(line[x]) || exact.contains(line[x] | 0xff000000u))
                    continue;
                if (exact.size() == kTransparent)
                    fits = false;
                else
                    exact.insert(line[x] | 0xff000000u, exact.size());
            }
        }
    }
    QVector<QRgb> palette(256, qRgb(0, 0, 0));
    if (fits) {
        for (auto it = exact.constBegin(); it != exact.constEnd(); ++it)
            palette[it.value()] = it.key();
    } else {
        for (int i = 0; i < 252; ++i)
            palette[i] = CubeColor(i);
    }

    QByteArray out("GIF89a");
    PutWord(out, size.width());
    PutWord(out, size.height());
    out.append(char(0xf7)); // global table of 256 colours, 8 bits each
    out.append(char(0));
    out.append(char(0));
    for (QRgb color : palette) {
        out.append(char(qRed(color)));
        out.append(char(qGreen(color)));
        out.append(char(qBlue(color)));
    }
    out.append("\x21\xff\x0bNETSCAPE2.0\x03\x01", 16);
    PutWord(out, 0); // loop for ever
    out.append(char(0));

    for (const QImage& frame : argb) {
        out.append("\x21\xf9\x04", 3);
        out.append(char(0x09)); // restore to background, transparent index given
        PutWord(out, qMax(1, (delayMs + 5) / 10));
        out.append(char(kTransparent));
        out.append(char(0));
        out.append(char(0x2c));
        PutWord(out, 0);
        PutWord(out, 0);
        PutWord(out, size.width());
        PutWord(out, size.height());
        out.append(char(0));
        QByteArray indices;
        indices.reserve(size.width() * size.height());
        for (int y = 0; y < size.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                const QRgb pixel = line[x];
                const int index = !Opaque(pixel) ? kTransparent
                                  : fits         ? exact.value(pixel | 0xff000000u)
                                                 : CubeIndex(pixel);
                indices.append(char(index));
            }
        }
        out.append(char(kMinCodeSize));
        const QByteArray codes = LzwEncode(indices);
        for (int at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            out.append(char(block.size()));
            out.append(block);
        }
        out.append(char(0));
    }
    out.append(char(0x3b));
    return out;
}
