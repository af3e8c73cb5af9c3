#include "model/PackedText.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

std::atomic<qint64> s_blocksInflated{0};

// At the fastest level: the text is kept only while it is read, and a
// show's text deflates well at any level. Throws when zlib cannot.
QByteArray DeflateBlock(const char* text, int size)
{
    uLongf packed = compressBound(uLong(size));
    QByteArray block(int(packed), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(block.data()), &packed, reinterpret_cast<const Bytef*>(text),
                  uLong(size), Z_BEST_SPEED)
        != Z_OK)
        throw std::bad_alloc();
    block.resize(int(packed));
    block.squeeze();
    return block;
}

// Blocks [first, last) of `text` deflated into `blocks`.
void DeflateBlocks(const QByteArray& text, int first, int last, std::vector<QByteArray>& blocks)
{
    for (int i = first; i < last; ++i)
        blocks[size_t(i)] = DeflateBlock(text.constData() + qint64(i) * CPackedText::kBlockBytes,
                                         CPackedText::kBlockBytes);
}

} // namespace

CPackedText::CPackedText(const QByteArray& text)
{
    const int count = text.size() / kBlockBytes;
    std::vector<QByteArray> blocks(static_cast<size_t>(count));
    // A large show's text takes a second or more to deflate on one core:
    // the last part is deflated here while workers deflate the others.
    const int parts = std::max(1, std::min({count / 4, int(std::thread::hardware_concurrency()), 4}));
    std::vector<std::future<void>> others;
    for (int part = 0; part + 1 < parts; ++part) {
        const int first = count * part / parts, last = count * (part + 1) / parts;
        const auto deflatePart = [&text, &blocks, first, last] { DeflateBlocks(text, first, last, blocks); };
        try {
            others.push_back(std::async(std::launch::async, deflatePart));
        } catch (const std::system_error&) {
            others.push_back(std::async(std::launch::deferred, deflatePart));
        }
    }
    bool deflated = true;
    try {
        DeflateBlocks(text, count * (parts - 1) / parts, count, blocks);
    } catch (const std::bad_alloc&) {
        deflated = false;
    }
    // Every worker is waited for before `blocks` goes.
    for (std::future<void>& part : others) {
        try {
            part.get();
        } catch (const std::bad_alloc&) {
            deflated = false;
        }
    }
    if (!deflated)
        throw std::bad_alloc();

    m_blocks.reserve(count);
    for (int i = 0; i < count; ++i)
        AddBlock(blocks[size_t(i)]);
    Append(text.constData() + qint64(count) * kBlockBytes, text.size() - count * kBlockBytes);
}

void CPackedText::AddBlock(const QByteArray& deflated)
{
    m_blocks.append(deflated);
    m_packedBytes += deflated.size();
}

void CPackedText::Append(const char* data, int size)
{
    while (size > 0) {
        const int take = std::min(size, kBlockBytes - m_tail.size());
        if (take == kBlockBytes) {
            AddBlock(DeflateBlock(data, take));
        } else {
            m_tail.append(data, take);
            if (m_tail.size() == kBlockBytes) {
                AddBlock(DeflateBlock(m_tail.constData(), kBlockBytes));
                m_tail = QByteArray();
            }
        }
        data += take;
        size -= take;
    }
}

int CPackedText::size() const
{
    return m_blocks.size() * kBlockBytes + m_tail.size();
}

qint64 CPackedText::HeldBytes() const
{
    qint64 held = m_packedBytes + m_tail.capacity();
    for (const SInflated& inflated : m_inflated)
        held += inflated.text.capacity();
    return held;
}

const QByteArray& CPackedText::Block(int index) const
{
    if (index == m_blocks.size())
        return m_tail;
    SInflated* slot = &m_inflated[0];
    for (SInflated& inflated : m_inflated) {
        if (inflated.index == index) {
            inflated.used = ++m_reads;
            return inflated.text;
        }
        if (inflated.used < slot->used)
            slot = &inflated;
    }
    slot->index = -1;
    slot->text.resize(kBlockBytes);
    if (!m_inflater)
        m_inflater = std::make_unique<CBlobCompressor>();
    const QByteArray& block = m_blocks[index];
    qint64 inflated = 0;
    // Blocks deflated here inflate unless memory runs out.
    if (!m_inflater->Inflate(reinterpret_cast<const uchar*>(block.constData()), block.size(), slot->text.data(),
                             kBlockBytes, inflated)
        || inflated != kBlockBytes)
        throw std::bad_alloc();
    slot->index = index;
    slot->used = ++m_reads;
    ++s_blocksInflated;
    return slot->text;
}

qint64 CPackedText::BlocksInflated()
{
    return s_blocksInflated;
}

void CPackedText::AppendTo(QByteArray& out, int from, int to) const
{
    from = std::max(from, 0);
    to = std::min(to, size());
    if (from >= to)
        return;
    out.reserve(out.size() + (to - from));
    for (int at = from; at < to;) {
        const int index = at / kBlockBytes;
        const int offset = at - index * kBlockBytes;
        const int take = std::min(to - at, kBlockBytes - offset);
        out.append(Block(index).constData() + offset, take);
        at += take;
    }
}

QByteArray CPackedText::Mid(int from, int to) const
{
    QByteArray out;
    AppendTo(out, from, to);
    return out;
}

int CPackedText::LineBreaksBefore(int at) const
{
    at = std::max(0, std::min(at, size()));
    int lineBreaks = 0;
    for (int index = 0; index * kBlockBytes < at; ++index) {
        const char* const block = Block(index).constData();
        lineBreaks += int(std::count(block, block + std::min(kBlockBytes, at - index * kBlockBytes), '\n'));
    }
    return lineBreaks;
}

int CPackedText::LineStartOf(int at) const
{
    at = std::max(0, std::min(at, size()));
    for (int index = at / kBlockBytes; index >= 0; --index) {
        const char* const block = Block(index).constData();
        for (int i = at - index * kBlockBytes; i > 0; --i) {
            if (block[i - 1] == '\n')
                return index * kBlockBytes + i;
        }
        at = index * kBlockBytes;
    }
    return 0;
}
