#include "DataTable.h"
#include "TestRegistry.h"

#include "model/PackedText.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>

namespace {

constexpr int kBlock = CPackedText::kBlockBytes;

// Lines of different lengths, so that blocks and lines never align.
QByteArray LinedText(int size)
{
    QByteArray text;
    text.reserve(size);
    for (int line = 0; text.size() < size; ++line)
        text += QByteArray(line % 97, char('a' + line % 26)) + '\n';
    text.resize(size);
    return text;
}

// The same text packed whole, and added in pieces that end off the blocks.
std::pair<CPackedText, CPackedText> PackedBothWays(const QByteArray& text)
{
    CPackedText appended;
    for (int at = 0, piece = 1; at < text.size(); at += piece, piece = piece * 7 % 1500007 + 1)
        appended.Append(text.constData() + at, std::min(piece, text.size() - at));
    return {CPackedText(text), std::move(appended)};
}

} // namespace

class PackedTextTest : public QObject
{
    Q_OBJECT

private slots:
    // A range reads back as the text held it, within a block, across
    // blocks, in the part not yet a block, and cut to the text at its ends.
    void rangesReadBackTheText_data()
    {
        Columns<int, int, int>("size", "from", "to");
        const int size = 3 * kBlock + 12345;
        QTest::newRow("within the first block") << size << 10 << 4000;
        QTest::newRow("across one boundary") << size << kBlock - 3 << kBlock + 5;
        QTest::newRow("across several") << size << 17 << 3 * kBlock + 100;
        QTest::newRow("a whole block") << size << kBlock << 2 * kBlock;
        QTest::newRow("the part not yet a block") << size << 3 * kBlock + 1 << size;
        QTest::newRow("past both ends") << size << -50 << size + 50;
        QTest::newRow("empty") << size << 500 << 500;
        QTest::newRow("backwards") << size << 600 << 500;
        QTest::newRow("a text of blocks only") << 2 * kBlock << kBlock - 1 << 2 * kBlock;
        QTest::newRow("a text under a block") << 5000 << 0 << 5000;
    }
    void rangesReadBackTheText()
    {
        const auto [size, from, to] = Row<int, int, int>("size", "from", "to");
        const QByteArray text = LinedText(size);
        const auto [whole, appended] = PackedBothWays(text);
        const int first = std::clamp(from, 0, size), last = std::clamp(to, 0, size);
        const QByteArray expected = last > first ? text.mid(first, last - first) : QByteArray();
        for (const CPackedText* packed : {&whole, &appended}) {
            QCOMPARE(packed->size(), size);
            QCOMPARE(packed->Mid(from, to), expected);
            // Read again after another block was inflated.
            packed->Mid(size - 1, size);
            QByteArray out("kept ");
            packed->AppendTo(out, from, to);
            QCOMPARE(out, "kept " + expected);
        }
    }

    // Where an error stands is told from the whole text: the line breaks
    // before a place and the start of its line, however far back.
    void linesAreCountedAcrossBlocks_data()
    {
        Columns<QByteArray, int>("text", "at");
        const QByteArray lined = LinedText(3 * kBlock + 700);
        QByteArray oneLong = "a\nb\n" + QByteArray(2 * kBlock, 'x');
        QTest::newRow("start") << lined << 0;
        QTest::newRow("first block") << lined << 1000;
        QTest::newRow("a block's first byte") << lined << 2 * kBlock;
        QTest::newRow("after the blocks") << lined << 3 * kBlock + 650;
        QTest::newRow("the end") << lined << lined.size();
        QTest::newRow("a line over blocks") << oneLong << 2 * kBlock;
        QTest::newRow("no line break before") << QByteArray(kBlock + 10, 'y') << kBlock + 5;
    }
    void linesAreCountedAcrossBlocks()
    {
        const auto [text, at] = Row<QByteArray, int>("text", "at");
        const CPackedText packed(text);
        QCOMPARE(packed.LineBreaksBefore(at), int(std::count(text.begin(), text.begin() + at, '\n')));
        QCOMPARE(packed.LineStartOf(at), at == 0 ? 0 : text.lastIndexOf('\n', at - 1) + 1);
    }

    // What it holds is what it kept deflated: text a file repeats takes
    // next to nothing, and a text that is not yet a block is held as is.
    void holdsTheTextDeflated()
    {
        QByteArray repeated = QByteArray("<ZKStep ZKPad=\"xxxxxxxx\"/>\n").repeated(400000);
        repeated.resize(10 * kBlock);
        const auto [whole, appended] = PackedBothWays(repeated);
        QVERIFY2(whole.HeldBytes() < repeated.size() / 50, QByteArray::number(whole.HeldBytes()));
        QVERIFY2(appended.HeldBytes() < repeated.size() / 50, QByteArray::number(appended.HeldBytes()));
        // Text that does not deflate, and text not yet a block, count whole.
        QByteArray noise(3 * kBlock + 100, Qt::Uninitialized);
        QRandomGenerator random(7);
        std::generate(noise.begin(), noise.end(), [&random] { return char(random.generate()); });
        QVERIFY(CPackedText(noise).HeldBytes() >= noise.size());
        const QByteArray small = LinedText(kBlock - 1);
        QVERIFY(CPackedText(small).HeldBytes() >= small.size());
        QCOMPARE(CPackedText().Mid(0, 10), QByteArray());
    }
};

ORVANE_TEST(PackedTextTest)
#include "PackedTextTest.moc"
