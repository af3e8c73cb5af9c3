#pragma once

#include "model/BlobCompressor.h"

#include <QByteArray>
#include <QVector>

#include <memory>

// A long text kept deflated in blocks and read back a range at a time. A
// show's reader goes back to its document's text for one element after
// another until the show is made; held whole, the text would sit beside
// the show it makes, while deflated it takes a fraction of that (of text
// a crafted file repeats, nearly nothing).
//
// A save keeps the text of each element it has written the same way until
// the file takes it: an element's text comes after the texts of those
// below it, and the file wants it before them.
//
// Reading keeps the last few blocks inflated, so ranges read in order, or
// an element's range read between those of the elements below it,
// inflate each block about once; it is not for use from two threads at
// once.
class CPackedText
{
public:
    CPackedText() = default;
    // Throws std::bad_alloc when the memory for the blocks runs out, as
    // Append does.
    explicit CPackedText(const QByteArray& text);
    // Text added at the end, deflated a block at a time as blocks fill.
    void Append(const char* data, int size);

    int size() const;
    // What it holds: the deflated blocks and those kept inflated.
    qint64 HeldBytes() const;

    // The bytes [from, to) appended to `out` (those within the text).
    void AppendTo(QByteArray& out, int from, int to) const;
    QByteArray Mid(int from, int to) const;
    // The line breaks before `at`, and where the line of `at` starts: for
    // telling where an error is, they inflate the blocks before it.
    int LineBreaksBefore(int at) const;
    int LineStartOf(int at) const;

    static constexpr int kBlockBytes = 1 << 20;
    // Blocks inflated in this process so far, by every packed text: tests
    // bound the work of reading with it.
    static qint64 BlocksInflated();

private:
    // The block, inflated; throws std::bad_alloc when zlib cannot.
    const QByteArray& Block(int index) const;
    void AddBlock(const QByteArray& deflated);

    QVector<QByteArray> m_blocks;
    qint64 m_packedBytes = 0;
    // The text after the last block, as it is until it makes a block.
    QByteArray m_tail;
    // The blocks kept inflated, the one read longest ago replaced first.
    struct SInflated
    {
        int index = -1;
        quint64 used = 0;
        QByteArray text;
    };
    static constexpr int kInflatedBlocks = 4;
    mutable SInflated m_inflated[kInflatedBlocks];
    mutable quint64 m_reads = 0;
    // Kept for the blocks read one after another.
    mutable std::unique_ptr<CBlobCompressor> m_inflater;
};
