#pragma once

#include "model/PackedText.h"

#include <QByteArray>
#include <QColor>
#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QSet>
#include <QString>
#include <QVector>

#include <deque>
#include <functional>
#include <utility>

class CFixtureProfile;

// The one XML document class: a DOM with a cursor (the current element),
// typed attribute access on that element, value encoders, and whole-file
// storage in one of three modes chosen by the file suffix. Its definitions
// are spread by concern: XmlDocument.cpp (the tree, the cursor and the
// values), XmlDocumentStorage.cpp (the storage modes and whole files),
// XmlDocumentRead.cpp (the structure scan, its bounds and the trees built)
// and XmlDocumentSave.cpp (the writer, which counts as it writes, and the
// save check); the profile tree is ProfileFile.cpp's.
class CBlobCompressor;

class CXmlDocument
{
public:
    enum StorageMode {
        ScrambledStorage = 1, // "zks", "zkp"
        HexStorage = 2,       // "kv1", "kvp"
        CompressedStorage = 3 // every other suffix
    };

    // Element slots.
    enum Slot {
        CurrentSlot = 0,
        BookmarkSlot = 1,
        RootSlot = 2,
        // Anchors of the profile reader and writer.
        ProfileSlot = 3,
        PropertiesSlot = 4,
        BeamsSlot = 5,
        BeamSlot = 6,
        ModesSlot = 7,
        ModeSlot = 8,
        ChannelSlot = 9,
        RangesSlot = 10,
        PresetsSlot = 11,
        SlotCount = 12
    };

    // Nothing larger is ever uncompressed or read: a bigger document is a
    // load error, not an allocation. A save past this or the bounds below
    // fails before it writes (SaveFile), so that no file this program
    // writes is one it refuses to open.
    static constexpr int kMaxDocumentBytes = 64 * 1024 * 1024;
    // No show nests deeper or holds more; past these a file is refused
    // before a tree is built (deep nesting would exhaust the parser's stack).
    static constexpr int kMaxDepth = 64;
    // Every node counts: elements, attributes, texts, comments, processing
    // instructions. No tree built at once holds more (with children cut
    // out, SDeferredChildren, the rest and each child are trees of their
    // own); the whole document holds no more than kMaxDocumentNodes, which
    // a show with every kind of the capacity table at its bound stays well
    // within (some 2.1 million).
    static constexpr int kMaxNodes = 1000 * 1000;
    static constexpr int kMaxDocumentNodes = 4 * kMaxNodes;
    // Within kMaxNodes, attributes and long names or texts can still make a
    // tree of most of a gigabyte: past this estimate of the trees held at
    // once (the rest, and its largest deferred element with the largest
    // below that) a file is refused before they are built; and past
    // kMaxReadBytes with the text they are built from, which a show's
    // document may make larger than kMaxDocumentBytes. Every file an earlier
    // build saved stays within both.
    static constexpr qint64 kMaxTreeBytes = qint64(320) * 1024 * 1024;
    static constexpr qint64 kMaxReadBytes = kMaxTreeBytes + kMaxDocumentBytes;
    // The parser checks each attribute of an element against all those
    // before it, so an element of tens of thousands takes minutes, and even
    // at this bound a file of such elements takes seconds; the widest
    // element of a show has some forty.
    static constexpr int kMaxAttributes = 128;

    CXmlDocument() = default;

    void NewDocument();
    void AddElement(const QString& tag, QDomElement parent);
    // ".." selects the parent; otherwise the index-th child with the tag
    // (-1 or 0: the first). False leaves the current element unchanged.
    bool SelectElement(const QString& tag, int index = 0);
    bool SelectBookmark();
    void SetBookmark() { m_element[BookmarkSlot] = m_element[CurrentSlot]; }
    QDomElement& CurrentElement() { return m_element[CurrentSlot]; }

    void SetAttrString(const QString& name, const QString& text);
    void SetAttrInt(const QString& name, int value);
    void SetAttrByte(const QString& name, quint8 value);
    void SetAttrBool(const QString& name, bool value);
    void SetAttrColor(const QString& name, const QColor& color);

    // False, target unchanged, when the attribute is missing; text that is
    // not a number reads as 0.
    bool GetAttrString(const QString& name, QString& text) const;
    // What the texts read by GetAttrString take, as the reader keeps them,
    // besides those of the attributes a reader turns into numbers or bytes
    // (a step's levels, a mask, a list of ids): what a show keeps of its
    // file's text beyond it.
    qint64 KeptTextBytes() const { return m_keptTextBytes; }
    void SetParsedAttributes(const QSet<QString>& names) { m_parsedAttributes = names; }
    bool GetAttrInt(const QString& name, int& value) const;
    bool GetAttrLong(const QString& name, long& value) const;
    bool GetAttrByte(const QString& name, quint8& value) const;
    bool GetAttrBool(const QString& name, bool& value) const;
    bool GetAttrColor(const QString& name, QColor& color) const;
    // A number in base 10 that an int holds, and nothing else: false, value
    // unchanged, for text such as "", "abc", "3x", "0x1" or "1.5" too. For
    // places in lists (pages, scenes), where 0 is the first and must not
    // stand for a text that names none.
    bool GetAttrWhole(const QString& name, int& value) const;
    // A duration in ms, brought within 0..kMaxTimeMs: the editors enter no
    // longer time, and the tick's sums of such times cannot overflow.
    static constexpr int kMaxTimeMs = ((99 * 60 + 59) * 60 + 59) * 1000 + 999;
    bool GetAttrTime(const QString& name, int& ms) const;

    static QString BoolArrayToString(const quint8* flags, int count);
    // Writes at most `size` flags.
    static void StringToBoolArray(const QString& text, quint8* flags, int size);
    static QString BytesToDigits(const QByteArray& bytes);
    static void DigitsToBytes(const QString& text, QByteArray& bytes);
    // Calls `piece(QStringRef)` for each piece of `text` between separators,
    // empty ones too, in order, until it returns false. Unlike splitRef it
    // makes no list: an attribute of millions of separators would make one
    // of sixteen times its size.
    template <typename Piece>
    static void ForEachPiece(const QString& text, QChar separator, Piece piece)
    {
        ForEachPiece(QStringRef(&text), separator, piece);
    }
    template <typename Piece>
    static void ForEachPiece(const QStringRef& text, QChar separator, Piece piece)
    {
        int from = 0;
        for (;;) {
            const int at = text.indexOf(separator, from);
            if (!piece(text.mid(from, at < 0 ? -1 : at - from)) || at < 0)
                return;
            from = at + 1;
        }
    }
    static QString IntListToString(const QList<int>& list);
    // At most the first `maxCount` pieces: a list longer than what it can
    // name is damaged, and would otherwise take memory for every separator.
    static void StringToIntList(const QString& text, QList<int>& list, int maxCount);
    static QString EncodeBlob(const QByteArray& bytes);
    // The same through a compressor kept by a writer of many blobs.
    static QString EncodeBlob(const QByteArray& bytes, CBlobCompressor& compressor);
    // False (bytes empty) on text that is not a valid compressed blob.
    bool DecodeBlob(const QString& text, QByteArray& bytes) const;
    // The same through a compressor kept by a reader of many blobs.
    bool DecodeBlob(const QString& text, QByteArray& bytes, CBlobCompressor& compressor) const;
    void WriteMatrixSize(int x, int y);

    // Profile tree below the current element; the current element is kept.
    // Reading fails without "ZKProfile" and "ZKProperties" or on a beam
    // position no fixture can have; `error`, when given, says why. Beams
    // past CFixtureProfile::kMaxBeams are left out.
    void WriteProfile(const CFixtureProfile& profile, bool allModes);
    bool ReadProfile(CFixtureProfile& profile, QString* error = nullptr);

    // Lists that a document leaves out of its tree and keeps as text, each
    // element built into a tree of its own when it is read (ParseDeferred):
    // a show's pages hold nearly all of it, and as one tree they would take
    // several times the memory of the show they make.
    struct SDeferredChildren
    {
        // Lists within lists are cut out again: a page's scenes, a scene's
        // steps. Level 0 are the children `child` of the first element
        // `section` below the root; level k + 1 the children `child` of the
        // first element `section` directly below the root of a level k
        // element's own tree.
        static constexpr int kLevels = 3;
        struct SLevel
        {
            const char* section = nullptr;
            const char* child = nullptr;
        };
        struct SCut
        {
            SLevel levels[kLevels];
            // The levels named, from the first on.
            int Depth() const;
        };
        QVector<SCut> cuts;
        // What the scan found: each level's elements as byte ranges
        // [first, second) of the text, in document order; none at all when
        // the text cannot be cut apart safely (a DOCTYPE, namespaces, an
        // encoding other than UTF-8). Those below the i-th element of level
        // k - 1 are ranges[k][firsts[k][i]] up to ranges[k][firsts[k][i + 1]];
        // rangeCut says which cut each element of level 0 belongs to.
        QVector<std::pair<int, int>> ranges[kLevels];
        QVector<int> firsts[kLevels];
        QVector<int> rangeCut;
        // The largest text a document read so may hold: a show's comes from
        // what its capacities take as text.
        int maxBytes = kMaxDocumentBytes;

        void ClearRanges();
    };
    // Where a deferred element is: its level and its place among all of
    // that level.
    struct SDeferredPlace
    {
        int level = -1;
        int index = -1;
    };

    static int GetStorageMode(const QString& path);
    // `error` gets the reason on failure (for a file that cannot be opened,
    // the system's reason).
    bool LoadFile(const QString& path, QString& error);
    // LoadFile in two parts. The first reads, decodes and checks the text
    // and touches no document, so it may run on another thread; the second
    // builds the tree from that text.
    // With `deferred`, its children are found in the text, and the tree is
    // built without them.
    static bool ReadDocumentText(const QString& path, QByteArray& xml, QString& error,
                                 SDeferredChildren* deferred = nullptr);
    // The text is given up once the tree is built, or with `deferred` once
    // it is packed (CPackedText): pass it with std::move for its memory to
    // go then.
    bool ParseDocumentText(QByteArray xml, QString& error, const SDeferredChildren* deferred = nullptr);
    int DeferredCount() const { return m_deferredRanges[0].size(); }
    // What the text the deferred elements are kept in takes, and its length.
    qint64 DeferredTextBytes() const { return m_deferredText.HeldBytes() + m_deferredOwnText.HeldBytes(); }
    qint64 DeferredTextLength() const { return m_deferredText.size(); }
    // The places (as ParseDeferred takes them) of the deferred children
    // `tag` of `parent`, in order; none unless `parent` is a section the
    // reader cut apart.
    QVector<int> DeferredChildrenOf(const QDomElement& parent, const QString& tag) const;
    // The deferred elements `tag` of the element `parent` of the tree of the
    // deferred element `open`: those of the next level, when `parent` is
    // its list of them; their first place and count (none otherwise).
    std::pair<int, int> DeferredBelow(const QDomElement& parent, const QString& tag, SDeferredPlace open) const;
    // The deferred element as the root element of `tree`, without the
    // deferred elements below it; false with the parser's reason, placed in
    // the whole text.
    bool ParseDeferredAt(SDeferredPlace place, QDomDocument& tree, QString& error) const;
    bool ParseDeferred(int index, QDomDocument& tree, QString& error) const
    {
        return ParseDeferredAt({0, index}, tree, error);
    }
    // The deferred elements below the deferred element `place`: their first
    // place at the next level and their count.
    std::pair<int, int> DeferredBelowOf(SDeferredPlace place) const;
    // Gives up the text the deferred children were kept in.
    void DropDeferred();
    // Turns an element just made into the text the file will hold and
    // drops it from the tree, leaving a mark in its place that the text
    // takes when the tree is written (SaveFile, ToBytes, and the WriteOut of
    // an element above it, which takes the marks' texts into its own): a
    // show would otherwise stand as a tree several times its size until the
    // file is written. Elements at any depth may be written out so, each
    // once it is whole; one beside text of its parent stays in the tree.
    void WriteOut(QDomElement child);
    // What the texts of the elements written out take until the file is
    // written.
    qint64 WrittenOutTextBytes() const { return m_writtenText.HeldBytes(); }
    // What the elements and attributes made since NewDocument give at least
    // (every element and attribute a node, every name and value its bytes):
    // past the bounds of reading the text will be refused, so a writer can
    // stop there rather than make the rest. True past them, `reason` then
    // the reader's (empty when no language is loaded: the verdict is the result).
    bool GrownPastBounds(QString& reason, int maxBytes) const;
    // Nothing is written that would not load again: a text past the bounds
    // of reading (checked as ReadDocumentText checks it, with the children
    // its reader defers, when given) fails, and the file stays as it was.
    bool SaveFile(const QString& path, QString* error = nullptr, const SDeferredChildren* readAs = nullptr) const;
    // Whether ReadDocumentText would refuse `xml`; `reason` gets its reason,
    // which is empty when no language is loaded: the verdict is the result.
    static bool Refuses(const QByteArray& xml, QString& reason, const SDeferredChildren* readAs = nullptr);
    // The text SaveFile stores: attributes in name order, so the same
    // document always gives the same bytes.
    QByteArray ToBytes() const;
    static bool CompressFileCopy(const QString& path);
    static bool UncompressFileCopy(const QString& path);

    // The storage modes as plain byte transforms. Decode fails with a reason
    // on malformed input and never yields more than `maxBytes`.
    static QByteArray EncodeStorage(int mode, const QByteArray& xml);
    static bool DecodeStorage(int mode, const QByteArray& stored, QByteArray& xml, QString& error,
                              int maxBytes = kMaxDocumentBytes);
    // A streaming pass over the text, before any tree is built: false with
    // a reason when it nests deeper than kMaxDepth, has more than kMaxNodes
    // in a tree built at once or kMaxDocumentNodes in all, an element of
    // more than kMaxAttributes, would build trees of more than kMaxTreeBytes
    // or hold more than kMaxReadBytes with them, or declares entities of its own (a DOCTYPE with an internal
    // subset). With `deferred`, the ranges of its elements are found, and
    // the trees built at once (the rest, its largest deferred element
    // without those below, and so on down) are weighed, not the whole.
    // Whether it is well-formed is the parser's to say.
    // It stops at the first node past a bound.
    static bool CheckStructure(const QByteArray& xml, QString& error, SDeferredChildren* deferred = nullptr);
    // What the readers have done in this process so far: bytes of text
    // CheckStructure went over, and bytes handed to the parser. Tests bound
    // the work a file causes with it rather than the time it takes.
    struct SReadWork
    {
        qint64 scanned = 0;
        qint64 parsed = 0;
    };
    static SReadWork ReadWork();
    // qUncompress with the size header checked against `maxBytes` before
    // anything is allocated, and the output bounded by that header.
    // With `inflater`, its kept stream inflates instead of a new one.
    static bool UncompressBounded(const QByteArray& data, QByteArray& out, QString* error = nullptr,
                                  int maxBytes = kMaxDocumentBytes, CBlobCompressor* inflater = nullptr);

    // What CheckStructure counts of a text, counted as the text is written,
    // never less than it finds; `sure` is false for a text it might count
    // otherwise (nodes other than elements and text, odd names, a namespace
    // near the root).
    struct STextCount
    {
        qint64 nodes = 0;
        qint64 attributes = 0;
        int depth = 0; // of the deepest element with children, the root's 1
        int widest = 0; // attributes of the element with most
        bool sure = true;
    };
    // An element written out (WriteOut): where its text lies among those
    // kept packed, what the reader will count of it, the bytes of its
    // element alone (without the indent and line break around it), its
    // tag, and the mark that stands for it in the tree; `taken` once the
    // text of an element above holds its text. Public only so that the
    // writer's helpers can walk them. A large show's save keeps hundreds of
    // thousands of them until its file is made, so its counts are kept in
    // the room of an int (SetCount).
    struct SWrittenOut
    {
        QDomNode mark;
        // The elements written out below it stay apart until the file's text
        // is made: where each goes into its text (before the byte at that
        // place), its index, and the list it stands in when that is the
        // first of its name directly below this element (which a reader may
        // cut apart again), in order; `bytes` is the text with them.
        struct SBelow
        {
            int at = 0;
            int index = 0;
            QString list;
        };
        QVector<SBelow> below;
        QString tag;
        qint64 bytes = 0;
        int textFrom = 0;
        int textSize = 0;
        int nodes = 0;
        int attributes = 0;
        int depth = 0;
        int widest = 0;
        quint16 layoutBytes = 0; // the indent and line break of its text
        bool sure = true;
        bool taken = false;

        STextCount Count() const { return {nodes, attributes, depth, widest, sure}; }
        void SetCount(const STextCount& count);
        qint64 ElementBytes() const { return bytes - layoutBytes; }
    };

    // Apart, not in one block: grown by the hundred thousand, a block would
    // be copied into one twice its size, beside itself, as the save goes.
    using SWrittenOutList = std::deque<SWrittenOut>;

private:
    // Points the cursor slots at the root of a tree just built; false with a
    // reason when it is no project document.
    bool AdoptRoot(QString& error);
    // ToBytes, given up once past `maxBytes`: the text then ends there.
    // With `count`, what the reader will count of it, the elements written
    // out included.
    QByteArray WriteText(int maxBytes) const;
    // What WriteText counts, and the length of its text, without making
    // the texts of the elements written out.
    qint64 MeasureText(STextCount& count) const;
    // The text handed to `flush` a piece at a time, each piece given up once
    // handed on; false once `flush` fails.
    bool WriteTextTo(const std::function<bool(QByteArray&)>& flush) const;
    // False when the counts of writing show the reader takes a text of
    // `textBytes` as it is without scanning it; true when it may refuse it
    // (CheckStructure decides).
    bool MayBeRefused(qint64 textBytes, const STextCount& count, const SDeferredChildren* readAs) const;
    // What trees the reader builds of an element written out that it cuts
    // at `level` of `cut` take at most at once, and the nodes of the
    // largest of them.
    std::pair<qint64, qint64> WeighWrittenOut(const SWrittenOut& written, const SDeferredChildren::SCut& cut,
                                              int level) const;
    // CheckStructure, telling where it stopped.
    static bool ScanStructure(const QByteArray& xml, QString& error, SDeferredChildren* deferred,
                              const char*& scannedTo);
    // Builds a tree from a text: false with the parser's reason, placed in
    // the whole text for a deferred child that starts at `deferredAt`.
    bool BuildTree(QDomDocument& tree, const QByteArray& xml, QString& error, int deferredAt = 0) const;
    // What the trees of so many nodes, attributes and bytes of text take, as
    // the reader weighs them against kMaxTreeBytes and the writer predicts it.
    static qint64 TreeBytes(qint64 nodes, qint64 attributes, qint64 bytes);

    // Storage shared by the reader, the writer and the copies.
    static QString TooLargeText(int maxBytes);
    // Past `maxBytes` of file, the user hears of a document past `documentBytes`.
    static bool ReadWholeFile(const QString& path, qint64 maxBytes, QByteArray& bytes, QString& error,
                              int documentBytes = kMaxDocumentBytes);
    static bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error);
    // Unlike QByteArray::fromHex, which skips what it does not understand,
    // this refuses any stray character and an odd digit count (a cut file).
    static bool DecodeHexStrict(const QByteArray& text, QByteArray& out);

    // Counted as an attribute is set: a new one counts, one set again
    // counts its new value instead of the old.
    void SetAttr(const QString& name, const QString& text);
    bool AttrText(const QString& name, QString& text) const;

    QSet<QString> m_parsedAttributes;
    mutable qint64 m_keptTextBytes = 0;
    SWrittenOutList m_writtenOut;
    QSet<QString> m_writtenTags;
    // Their texts, without those below each: a show's text, held whole
    // until the file is written, would take the memory of the show again.
    CPackedText m_writtenText;
    qint64 m_grownNodes = 0;
    qint64 m_grownBytes = 0;
    CPackedText m_deferredText;
    // The text of each deferred element with deferred elements below it,
    // without them: its own tree's, from m_ownTextStarts[level][index] up to
    // the next start.
    CPackedText m_deferredOwnText;
    QVector<int> m_ownTextStarts[SDeferredChildren::kLevels];
    QVector<std::pair<int, int>> m_deferredRanges[SDeferredChildren::kLevels];
    QVector<int> m_deferredFirsts[SDeferredChildren::kLevels];
    QVector<int> m_deferredRangeCut;
    QVector<SDeferredChildren::SCut> m_deferredCuts;

public:
    QString m_version = QStringLiteral("2.0");
    bool m_oldFile = false;
    QDomDocument m_document;
    QDomElement m_element[SlotCount];
};
