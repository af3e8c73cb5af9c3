#include "DataTable.h"
#include "FileBytes.h"
#include "FileSizeLimit.h"
#include "HostileXml.h"
#include "NoLanguage.h"
#include "TestRegistry.h"

#include "Captions.h"
#include "model/BlobCompressor.h"
#include "model/Language.h"
#include "model/PackedText.h"
#include "model/XmlDocument.h"

#include <functional>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

namespace {

const QString kNonAscii = QStringLiteral("Lyre à tête — 光 \U0001F3AD & <\"quote\">");

QByteArray SizeHeader(quint32 size)
{
    QByteArray header(4, '\0');
    header[0] = char(size >> 24);
    header[1] = char(size >> 16);
    header[2] = char(size >> 8);
    header[3] = char(size);
    return header;
}

// A document with a little of everything the writers produce.
void BuildSample(CXmlDocument& doc)
{
    doc.NewDocument();
    doc.AddElement(QStringLiteral("ZKScene"), doc.m_element[CXmlDocument::RootSlot]);
    doc.SetAttrString(QStringLiteral("ZKName"), kNonAscii);
    doc.SetAttrInt(QStringLiteral("ZKNumber"), -42);
    doc.SetAttrColor(QStringLiteral("ZKColor"), QColor(1, 2, 3));
}

// Elements, attributes, texts, comments and every other node the DOM holds.
int NodeCount(const QDomNode& node)
{
    int count = node.attributes().count();
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
        count += 1 + NodeCount(child);
    return count;
}

// The pages a show's reader builds one at a time.
CXmlDocument::SDeferredChildren Pages()
{
    CXmlDocument::SDeferredChildren pages;
    pages.cuts = {{{{"ZKPages", "ZKPage"}}}};
    return pages;
}

// A root with a section of `pages` pages written out as they are made, of
// `elements` elements each, and `rest` elements in the root; all of
// `attributes` attributes of 200 bytes (some 14 KB of trees and 2 KB of text
// for ten). `extra` goes into the first page, the root, the section or the
// root before the section (`into` 0-3), or names the pages written out (4).
void BuildPaged(CXmlDocument& doc, int pages, int elements, int rest, int attributes, const QString& extra, int into)
{
    const QString pageTag = into == 4 ? extra : QStringLiteral("ZKPage");
    static const QString value(200, QLatin1Char('v'));
    doc.NewDocument();
    const QDomElement root = doc.m_element[CXmlDocument::RootSlot];
    const auto addElements = [&doc, attributes](const QDomElement& parent, int count) {
        for (int e = 0; e < count; ++e) {
            doc.AddElement(QStringLiteral("e"), parent);
            for (int a = 0; a < attributes; ++a)
                doc.SetAttrString(QStringLiteral("a%1").arg(a), value);
        }
    };
    const auto addExtra = [&doc, &extra](QDomElement target, const QDomNode& before = QDomNode()) {
        QDomDocument parsed;
        parsed.setContent(QStringLiteral("<x>%1</x>").arg(extra));
        for (QDomNode n = parsed.documentElement().firstChild(); !n.isNull(); n = n.nextSibling()) {
            if (before.isNull())
                target.appendChild(doc.m_document.importNode(n, true));
            else
                target.insertBefore(doc.m_document.importNode(n, true), before);
        }
    };
    addElements(root, rest);
    doc.AddElement(QStringLiteral("ZKPages"), root);
    QDomElement section = doc.CurrentElement();
    for (int p = 0; p < pages; ++p) {
        doc.AddElement(pageTag, section);
        const QDomElement page = doc.CurrentElement();
        addElements(page, elements);
        if (p == 0 && into == 0 && !extra.isEmpty())
            addExtra(page);
        doc.WriteOut(page);
    }
    if (!extra.isEmpty() && into > 0 && into < 4)
        addExtra(into == 2 ? section : QDomElement(root), into == 3 ? section : QDomNode());
    doc.AddElement(QStringLiteral("ZKMasks"), root);
}

// The first section's children of that name, taken out of the tree.
QStringList TakeChildren(QDomDocument& tree, const QString& section, const QString& child)
{
    QStringList texts;
    QDomElement parent = tree.documentElement().firstChildElement(section);
    for (QDomElement e = parent.firstChildElement(child); !e.isNull(); e = parent.firstChildElement(child)) {
        QString text;
        QTextStream stream(&text);
        e.save(stream, 1);
        texts << text;
        parent.removeChild(e);
    }
    return texts;
}

} // namespace

class XmlDocumentTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // Loads a file that must be refused; returns the error text.
    QString LoadFailure(const QString& name, const QByteArray& bytes)
    {
        const QString path = Path(name);
        if (!WriteBytes(path, bytes))
            return QStringLiteral("test could not write %1").arg(path);
        CXmlDocument doc;
        QString error;
        if (doc.LoadFile(path, error))
            return QStringLiteral("loaded");
        return error;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        ResetLanguageTables();
        SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
        SetLanguage(0);
    }

    void cleanupTestCase() { ResetLanguageTables(); }

    void storageModeFollowsTheSuffixWhateverItsCase()
    {
        QCOMPARE(CXmlDocument::GetStorageMode(QStringLiteral("a/b.zkp")), 1);
        QCOMPARE(CXmlDocument::GetStorageMode(QStringLiteral("b.ZKS")), 1);
        QCOMPARE(CXmlDocument::GetStorageMode(QStringLiteral("b.KVP")), 2);
        QCOMPARE(CXmlDocument::GetStorageMode(QStringLiteral("b.kv1")), 2);
        QCOMPARE(CXmlDocument::GetStorageMode(QStringLiteral("b.kv3")), 3);
        QCOMPARE(CXmlDocument::GetStorageMode(QStringLiteral("b.kv2")), 3);
        QCOMPARE(CXmlDocument::GetStorageMode(QStringLiteral("show")), 3);
        QCOMPARE(CXmlDocument::GetStorageMode(QStringLiteral("dir.kvp/show")), 3);
    }

    void everyStorageModeRoundTripsNonAsciiText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("scrambled") << QStringLiteral("p.zkp");
        QTest::newRow("hex") << QStringLiteral("p.kvp");
        QTest::newRow("hex, capital suffix") << QStringLiteral("p.KVP");
        QTest::newRow("compressed") << QStringLiteral("p.kv3");
        QTest::newRow("no suffix") << QStringLiteral("plain");
    }

    void everyStorageModeRoundTripsNonAsciiText()
    {
        QFETCH(QString, name);
        CXmlDocument doc;
        BuildSample(doc);
        QVERIFY(doc.SaveFile(Path(name)));

        const QByteArray stored = ReadBytes(Path(name));
        const QByteArray xml = doc.ToBytes();
        switch (CXmlDocument::GetStorageMode(name)) {
        case 1:
            QVERIFY(!stored.contains("ZKFile"));
            QCOMPARE(stored.size(), xml.size());
            break;
        case 2:
            QCOMPARE(stored, xml.toHex()); // lower case, no separators
            break;
        default:
            QCOMPARE(qUncompress(stored), xml);
            break;
        }

        CXmlDocument loaded;
        QString error;
        QVERIFY2(loaded.LoadFile(Path(name), error), qPrintable(error));
        QVERIFY(!loaded.m_oldFile);
        QCOMPARE(loaded.CurrentElement().tagName(), QStringLiteral("ZKFile"));
        QVERIFY(loaded.SelectElement(QStringLiteral("ZKScene")));
        QString text;
        int number = 0;
        QColor color;
        QVERIFY(loaded.GetAttrString(QStringLiteral("ZKName"), text));
        QVERIFY(loaded.GetAttrInt(QStringLiteral("ZKNumber"), number));
        QVERIFY(loaded.GetAttrColor(QStringLiteral("ZKColor"), color));
        QCOMPARE(text, kNonAscii);
        QCOMPARE(number, -42);
        QCOMPARE(color, QColor(1, 2, 3));
    }

    void scramblingRoundTripsEveryByteValue()
    {
        // Files written by earlier versions open only while the key holds:
        // each byte is xored with 0x5C + 0x1D * position, then rotated left by 3.
        QCOMPARE(CXmlDocument::EncodeStorage(1, QByteArray("<A\0", 3)).toHex(), QByteArray("03c1b4"));
        QCOMPARE(CXmlDocument::EncodeStorage(1, "0123456789").right(1).toHex(), QByteArray("c2"));
        QByteArray all;
        for (int i = 0; i < 4 * 256 + 3; ++i)
            all.append(char(i * 7));
        const QByteArray scrambled = CXmlDocument::EncodeStorage(1, all);
        QVERIFY(scrambled != all);
        QByteArray back;
        QString error;
        QVERIFY(CXmlDocument::DecodeStorage(1, scrambled, back, error));
        QCOMPARE(back, all);
    }

    void malformedFilesAreRefusedWithAReason()
    {
        const QByteArray xml = QByteArrayLiteral("<ZKFile Version=\"2.0\"><ZKScene/></ZKFile>");
        const QByteArray hex = xml.toHex();
        const QByteArray compressed = qCompress(xml);

        QCOMPARE(LoadFailure(QStringLiteral("cut.kvp"), hex.left(hex.size() - 1)), GetLangText(Txt::NotHexText));
        QByteArray stray = hex;
        stray[10] = 'g';
        QCOMPARE(LoadFailure(QStringLiteral("stray.kvp"), stray), GetLangText(Txt::NotHexText));

        QByteArray corrupt = compressed;
        for (int i = 6; i < corrupt.size(); i += 3)
            corrupt[i] = char(corrupt[i] ^ 0x55);
        QCOMPARE(LoadFailure(QStringLiteral("corrupt.kv3"), corrupt), GetLangText(Txt::DamagedCompressedData));
        QCOMPARE(LoadFailure(QStringLiteral("cut.kv3"), compressed.left(compressed.size() / 2)),
                 GetLangText(Txt::DamagedCompressedData));
        QCOMPARE(LoadFailure(QStringLiteral("tiny.kv3"), QByteArrayLiteral("\x00\x01")),
                 GetLangText(Txt::DamagedCompressedData));

        // A header that understates the size would let the output grow
        // without bound; the stream must end within what it announced.
        QCOMPARE(LoadFailure(QStringLiteral("understated.kv3"), SizeHeader(10) + compressed.mid(4)),
                 GetLangText(Txt::DamagedCompressedData));

        const QString parseError = LoadFailure(QStringLiteral("garbage.kvp"), QByteArrayLiteral("<ZKFile><open></ZKFile>").toHex());
        QVERIFY2(parseError.startsWith(GetLangText(Txt::ParseErrorAt).arg(1).section(QLatin1Char(','), 0, 0)),
                 qPrintable(parseError));
        QVERIFY(parseError.contains(QLatin1Char('\n')));
        QVERIFY(LoadFailure(QStringLiteral("empty.kv3"), QByteArray()) != QStringLiteral("loaded"));
        QVERIFY(LoadFailure(QStringLiteral("empty.kvp"), QByteArray()).startsWith(GetLangText(Txt::ParseErrorAt).left(5)));
        QVERIFY(LoadFailure(QStringLiteral("binary.zkp"), QByteArray(300, '\x01')) != QStringLiteral("loaded"));

        QCOMPARE(LoadFailure(QStringLiteral("root.kvp"), QByteArrayLiteral("<ZKProject Version=\"2.0\"/>").toHex()),
                 GetLangText(Txt::BadFileFormat));
    }

    // The four bytes before the stream are a size only behind a zlib header,
    // and an honest one only within what deflate can reach.
    void sizeHeadersAreToldApart_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QString notProject = GetLangText(Txt::NotAProjectFile);
        const QString damaged = GetLangText(Txt::DamagedCompressedData);
        const QByteArray stream = qCompress(QByteArray("<ZKFile/>")).mid(4);
        QByteArray noise(80 * 1024, '\0');
        quint32 seed = 12345;
        for (char& b : noise)
            b = char((seed = seed * 1103515245u + 12345u) >> 24);
        const QByteArray bigStream = qCompress(noise).mid(4);
        QTest::newRow("picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << notProject;
        QTest::newRow("random bytes") << noise.left(4096) << notProject;
        QTest::newRow("header lies") << SizeHeader(0xFFFFFFFFu) + stream << damaged;
        QTest::newRow("just over, small stream") << SizeHeader(CXmlDocument::kMaxDocumentBytes + 1u) + stream << damaged;
        QTest::newRow("too large")
            << SizeHeader(CXmlDocument::kMaxDocumentBytes + 1u) + bigStream
            << GetLangText(Txt::DocumentTooLarge).arg(CXmlDocument::kMaxDocumentBytes / (1024 * 1024));
    }

    void sizeHeadersAreToldApart()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QCOMPARE(LoadFailure(QStringLiteral("header.kv3"), bytes), error);
    }

    // Checked by a streaming pass before any tree is built.
    void deepOrCrowdedDocumentsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("error");
        const auto nested = [](int depth) {
            return QByteArray("<a>").repeated(depth - 1).prepend("<ZKFile>") + QByteArray("</a>").repeated(depth - 1)
                + "</ZKFile>";
        };
        QTest::newRow("at the limit") << nested(CXmlDocument::kMaxDepth) << QString();
        QTest::newRow("one deeper") << nested(CXmlDocument::kMaxDepth + 1)
                                    << GetLangText(Txt::DocumentTooDeep).arg(CXmlDocument::kMaxDepth);
        QTest::newRow("100000 deep, unclosed") << QByteArray("<a>").repeated(100000)
                                               << GetLangText(Txt::DocumentTooDeep).arg(CXmlDocument::kMaxDepth);
        const int widest = CXmlDocument::kMaxAttributes;
        QTest::newRow("widest element") << WideElementXml(widest) << QString();
        QTest::newRow("one attribute wider")
            << WideElementXml(widest + 1) << GetLangText(Txt::DocumentTooManyAttributes).arg(widest);
        // Within the bound on memory, which a million attributes pass first.
        QTest::newRow("too many attributes")
            << "<ZKFile>" + QByteArray("<a b='1'/>").repeated(CXmlDocument::kMaxNodes / 5)
                   + QByteArray("<a/>").repeated(CXmlDocument::kMaxNodes * 3 / 5) + "</ZKFile>"
            << GetLangText(Txt::DocumentTooManyElements).arg(CXmlDocument::kMaxNodes);
    }

    void deepOrCrowdedDocumentsAreRefused()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, error);
        const QString result = LoadFailure(QStringLiteral("deep.kv3"), qCompress(xml));
        QCOMPARE(result, error.isEmpty() ? QStringLiteral("loaded") : error);
    }

    void nestedEntitiesDoNotExplode()
    {
        QByteArray xml = "<?xml version=\"1.0\"?><!DOCTYPE ZKFile [<!ENTITY a0 \"aaaaaaaaaa\">";
        for (int i = 1; i < 10; ++i)
            xml += QStringLiteral("<!ENTITY a%1 \"&a%2;&a%2;&a%2;&a%2;&a%2;&a%2;&a%2;&a%2;&a%2;&a%2;\">").arg(i).arg(i - 1).toLatin1();
        xml += "]><ZKFile Version=\"2.0\" ZKName=\"&a9;\"/>";
        CXmlDocument doc;
        QString error;
        const bool loaded = [&] {
            if (!WriteBytes(Path(QStringLiteral("laughs.kvp")), xml.toHex()))
                return true;
            return doc.LoadFile(Path(QStringLiteral("laughs.kvp")), error);
        }();
        if (loaded) {
            QString name;
            doc.GetAttrString(QStringLiteral("ZKName"), name);
            QVERIFY(name.size() < 1000000);
        } else {
            QVERIFY(!error.isEmpty());
        }
    }

    // Each is refused for what it is, in every storage form, where it passes
    // a bound and before the parser sees a byte of it.
    void hostileDocumentsAreRefusedQuickly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("error");
        const QByteArray legit = "<?xml version=\"1.0\"?><!DOCTYPE ZKFile><!-- saved --><ZKFile Version=\"2.0\">"
                                 "<ZKScene ZKName=\"a &amp; b\">x &lt;<![CDATA[y]]><?z?></ZKScene></ZKFile>";
        // Compressed, every one fits in a few kilobytes; the other forms
        // take the same path, shown by the smallest and the legit file.
        for (const char* suffix : {"kv2", "kv1", "kvp", "zkp"}) {
            const QString name = QStringLiteral("hostile.") + QLatin1String(suffix);
            for (const CHostileXml& document : HostileXmlDocuments()) {
                if (qstrcmp(suffix, "kv2") == 0 || document.reason == CHostileXml::DeclaresEntities
                    || document.reason == CHostileXml::TooManyAttributes)
                    QTest::addRow("%s, %s", document.name, suffix) << name << document.xml << document.Error();
            }
            QTest::addRow("legit, %s", suffix) << name << legit << QString();
        }
    }

    void hostileDocumentsAreRefusedQuickly()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, xml);
        QFETCH(QString, error);
        const QByteArray stored = CXmlDocument::EncodeStorage(CXmlDocument::GetStorageMode(name), xml);
        const CXmlDocument::SReadWork before = CXmlDocument::ReadWork();
        QCOMPARE(LoadFailure(name, stored), error.isEmpty() ? QStringLiteral("loaded") : error);
        const CXmlDocument::SReadWork after = CXmlDocument::ReadWork();
        if (error.isEmpty()) {
            QCOMPARE(after.scanned - before.scanned, qint64(xml.size()));
            QVERIFY(after.parsed > before.parsed);
        } else {
            QVERIFY2(after.scanned - before.scanned < xml.size(), qPrintable(QString::number(after.scanned - before.scanned)));
            QCOMPARE(after.parsed, before.parsed);
        }
    }

    // The scan ends at the first node past a bound: what follows it, however
    // long, costs nothing.
    void refusalStopsAtTheFirstNodePastTheBound_data()
    {
        Columns<QByteArray, int>("unit", "count");
        const int maxNodes = CXmlDocument::kMaxNodes;
        QTest::newRow("nodes") << QByteArray("<a/>") << maxNodes;
        QTest::newRow("memory") << QByteArray("<a b=\"\" c=\"\" d=\"\" e=\"\"/>") << maxNodes / 6;
        QTest::newRow("depth") << QByteArray("<a>") << maxNodes;
    }
    void refusalStopsAtTheFirstNodePastTheBound()
    {
        const auto [unit, count] = Row<QByteArray, int>("unit", "count");
        qint64 scanned[2] = {};
        for (int times : {1, 2}) {
            const QByteArray xml = CrowdedXml(unit, count * times);
            const CXmlDocument::SReadWork before = CXmlDocument::ReadWork();
            QString error;
            QVERIFY(!CXmlDocument::CheckStructure(xml, error));
            scanned[times - 1] = CXmlDocument::ReadWork().scanned - before.scanned;
        }
        QVERIFY(scanned[0] > 0);
        QCOMPARE(scanned[1], scanned[0]);
    }

    // The pre-scan's count against the DOM's own, then its verdict right at
    // the bound: white space and the built-in references make no node.
    void everyNodeTheParserBuildsIsCounted_data()
    {
        QTest::addColumn<QByteArray>("unit");
        QTest::addColumn<int>("nodes");
        QTest::newRow("element") << QByteArray("<a></a>") << 1;
        QTest::newRow("quoted markup in attributes") << QByteArray("<a b=\"1\" c='>=['/>") << 3;
        QTest::newRow("comment") << QByteArray("<!-- a > b -->") << 1;
        QTest::newRow("processing instruction") << QByteArray("<?p a > b?>") << 1;
        QTest::newRow("CDATA") << QByteArray("<![CDATA[<a/>]]>") << 1;
        QTest::newRow("text") << QByteArray("<a/>x") << 2;
        QTest::newRow("text after a comment") << QByteArray("<!---->x") << 2;
        QTest::newRow("'>' as text") << QByteArray("<a/>><!---->>") << 4;
        QTest::newRow("white space") << QByteArray("<a/> \r\n\t") << 1;
        QTest::newRow("built-in references") << QByteArray("<a/>&amp;x&#65;&#x42;&lt;") << 2;
        QTest::newRow("unknown entity") << QByteArray("<a/>&e;") << 2;
        QTest::newRow("unknown entity inside text") << QByteArray("<a/>x&e;y") << 4;
    }

    void everyNodeTheParserBuildsIsCounted()
    {
        QFETCH(QByteArray, unit);
        QFETCH(int, nodes);
        QDomDocument dom;
        QVERIFY(dom.setContent(CrowdedXml(unit, 3), true));
        QCOMPARE(NodeCount(dom), 2 + 3 * nodes);

        // A thousand units among plain elements, so that one node too many
        // or too few in a unit shows.
        const int units = 1000;
        const QByteArray atTheBound = unit.repeated(units) + QByteArray("<a/>").repeated(CXmlDocument::kMaxNodes - 2 - units * nodes);
        QString error;
        QVERIFY2(CXmlDocument::CheckStructure(CrowdedXml(atTheBound, 1), error), qPrintable(error));
        QVERIFY(!CXmlDocument::CheckStructure(CrowdedXml(atTheBound + "<a/>", 1), error));
        QCOMPARE(error, GetLangText(Txt::DocumentTooManyElements).arg(CXmlDocument::kMaxNodes));
    }

    // Files as large as those measured by hand in a Release build: those
    // that stayed well within half a gigabyte open, the others are refused.
    void largeTreesAreWeighedBeforeTheyAreBuilt_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("opensByPages");
        const int maxNodes = CXmlDocument::kMaxNodes;
        QTest::newRow("a million elements") << CrowdedXml("<a/>", maxNodes - 2) << true << true;
        QTest::newRow("60 MB of text") << CrowdedXml(QByteArray(60 << 20, 't'), 1) << true << true;
        QTest::newRow("250000 long attributes") << CrowdedXml("<a b=\"" + QByteArray(120, 'v') + "\"/>", 250000) << true << true;
        QTest::newRow("a million long names") << CrowdedXml("<" + QByteArray(58, 'n') + "/>", maxNodes - 2) << false << false;
        // Built one page at a time, only the largest page and the rest count.
        const QByteArray attributes = "<a " + QByteArray("b=\"\" ").repeated(100) + "/>";
        QTest::newRow("pages, too much at once")
            << CrowdedXml("<ZKPages>" + ("<ZKPage>" + attributes.repeated(1000) + "</ZKPage>").repeated(6) + "</ZKPages>", 1)
            << false << true;
        QTest::newRow("the rest and a page together")
            << CrowdedXml(attributes.repeated(3600) + "<ZKPages><ZKPage>" + attributes.repeated(3600) + "</ZKPage></ZKPages>", 1)
            << false << false;
        QTest::newRow("one page too large")
            << CrowdedXml("<ZKPages><ZKPage>" + attributes.repeated(6000) + "</ZKPage></ZKPages>", 1) << false << false;
    }

    void largeTreesAreWeighedBeforeTheyAreBuilt()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, opens);
        QFETCH(bool, opensByPages);
        QString error;
        QCOMPARE(CXmlDocument::CheckStructure(xml, error), opens);
        if (!opens)
            QCOMPARE(error, GetLangText(Txt::DocumentNeedsTooMuchMemory).arg(CXmlDocument::kMaxTreeBytes / (1024 * 1024)));
        CXmlDocument::SDeferredChildren pages = Pages();
        QCOMPARE(CXmlDocument::CheckStructure(xml, error, &pages), opensByPages);
    }

    // A show's document may hold more text than others: the text counts
    // with the trees built from it. A rest of some 280 MB of trees beside
    // pages of a megabyte each opens with 50 pages, not with 120.
    void theTextHeldCountsWithTheTrees_data()
    {
        Columns<int, bool>("pages", "opens");
        QTest::newRow("50 pages") << 50 << true;
        QTest::newRow("120 pages") << 120 << false;
    }
    void theTextHeldCountsWithTheTrees()
    {
        const auto [pages, opens] = Row<int, bool>("pages", "opens");
        const QByteArray xml = "<ZKFile>" + QByteArray("<a b=\"\" c=\"\" d=\"\" e=\"\"/>").repeated(110000) + "<ZKPages>"
            + ("<ZKPage a=\"" + QByteArray(1 << 20, 'x') + "\"/>").repeated(pages) + "</ZKPages></ZKFile>";
        CXmlDocument::SDeferredChildren show = Pages();
        show.maxBytes = 128 << 20;
        QString error;
        QCOMPARE(CXmlDocument::CheckStructure(xml, error, &show), opens);
        if (!opens)
            QCOMPARE(error, GetLangText(Txt::DocumentNeedsTooMuchMemory).arg(CXmlDocument::kMaxReadBytes >> 20));
    }

    // Pages cut out of the text build the trees they would build in the
    // whole one, and the rest builds the whole tree without them. Text that
    // could read otherwise once cut apart is not cut.
    void deferredChildrenBuildTheTreesOfTheWhole_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<int>("cut");
        const auto file = [](const QByteArray& pages) {
            return "<ZKFile Version=\"2.0\">\n <ZKParams/>\n <ZKPages>" + pages + "</ZKPages><ZKMasks/>\n</ZKFile>";
        };
        QTest::newRow("pages") << file("\n  <ZKPage a=\"1\">\n   <x>t</x>\n  </ZKPage>\n  <ZKPage/>\n ") << 2;
        QTest::newRow("markup that looks like an end")
            << file("<ZKPage a=\"&lt;/ZKPage>\" b='/>'><!-- </ZKPage> --><![CDATA[</ZKPage>]]><?p </ZKPage>?></ZKPage>") << 1;
        QTest::newRow("a page inside a page") << file("<ZKPage><ZKPage/><y><ZKPage></ZKPage></y></ZKPage>") << 1;
        QTest::newRow("other children stay") << file("<Other/><ZKPage/><ZKPageX/><Other><ZKPage/></Other>") << 1;
        QTest::newRow("only the first section")
            << QByteArray("<ZKFile><ZKPages><ZKPage/></ZKPages><ZKPages><ZKPage b=\"2\"/></ZKPages></ZKFile>") << 1;
        QTest::newRow("a section deeper down") << QByteArray("<ZKFile><a><ZKPages><ZKPage/></ZKPages></a></ZKFile>") << 0;
        QTest::newRow("UTF-8 declared") << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + file("<ZKPage/>") << 1;
        QTest::newRow("another encoding") << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + file("<ZKPage/>") << 0;
        QTest::newRow("a DOCTYPE") << "<!DOCTYPE ZKFile>" + file("<ZKPage/>") << 0;
        QTest::newRow("namespaces") << QByteArray("<ZKFile xmlns:p=\"u\"><ZKPages><ZKPage p:a=\"1\"/></ZKPages></ZKFile>") << 0;
    }
    void deferredChildrenBuildTheTreesOfTheWhole()
    {
        QFETCH(QByteArray, xml);
        QFETCH(int, cut);
        QDomDocument whole;
        QVERIFY(whole.setContent(xml, true));
        const QStringList pages = TakeChildren(whole, QStringLiteral("ZKPages"), QStringLiteral("ZKPage"));

        CXmlDocument::SDeferredChildren deferred = Pages();
        QString error;
        QVERIFY2(CXmlDocument::CheckStructure(xml, error, &deferred), qPrintable(error));
        QCOMPARE(deferred.ranges[0].size(), cut);
        CXmlDocument doc;
        QVERIFY2(doc.ParseDocumentText(xml, error, &deferred), qPrintable(error));
        QCOMPARE(doc.DeferredCount(), cut);
        QStringList read;
        for (int i = 0; i < cut; ++i) {
            QDomDocument tree;
            QVERIFY2(doc.ParseDeferred(i, tree, error), qPrintable(error));
            QString text;
            QTextStream stream(&text);
            tree.documentElement().save(stream, 1);
            read << text;
        }
        read += TakeChildren(doc.m_document, QStringLiteral("ZKPages"), QStringLiteral("ZKPage"));
        QCOMPARE(read, pages);
        QCOMPARE(doc.m_document.toByteArray(1), whole.toByteArray(1));
    }

    // A page's scenes are cut out of the page's own text, those of its first
    // scene list only, each a tree of its own, and a scene's steps out of
    // the scene's: put back in order, they give the page's tree.
    void deferredScenesBuildThePageTrees_data()
    {
        QTest::addColumn<QByteArray>("pages");
        QTest::addColumn<QVector<int>>("scenes");
        QTest::addColumn<QVector<int>>("steps");
        QTest::newRow("scenes of each page")
            << QByteArray("<ZKPage a=\"1\"><ZKScenes n=\"2\"><ZKScene b=\"1\"><ZKSteps><ZKStep/><ZKStep><x/></ZKStep>"
                          "</ZKSteps></ZKScene><ZKScene/></ZKScenes></ZKPage><ZKPage/><ZKPage><ZKScenes><ZKScene>"
                          "<ZKSteps n=\"1\"><ZKStep c=\"3\"/></ZKSteps></ZKScene></ZKScenes></ZKPage>")
            << QVector<int>{2, 0, 1} << QVector<int>{2, 0, 1};
        QTest::newRow("the first list only")
            << QByteArray("<ZKPage><ZKScenes><ZKScene><ZKSteps><ZKStep/></ZKSteps><ZKSteps><ZKStep d=\"4\"/></ZKSteps>"
                          "</ZKScene></ZKScenes><ZKScenes><ZKScene c=\"2\"/></ZKScenes></ZKPage>")
            << QVector<int>{1} << QVector<int>{1};
        QTest::newRow("a namespace of a page")
            << QByteArray("<ZKPage xmlns:p=\"u\"><ZKScenes><ZKScene p:a=\"1\"/></ZKScenes></ZKPage>") << QVector<int>{}
            << QVector<int>{};
        QTest::newRow("a namespace of a scene's step list")
            << QByteArray("<ZKPage><ZKScenes><ZKScene><ZKSteps xmlns:p=\"u\"><ZKStep p:a=\"1\"/></ZKSteps></ZKScene>"
                          "</ZKScenes></ZKPage>")
            << QVector<int>{} << QVector<int>{};
        QTest::newRow("a namespace's name in a value")
            << QByteArray("<ZKPage a=\"xmlns:p\"><ZKScenes><ZKScene b=' xmlns:q=\"u\"'/></ZKScenes></ZKPage>")
            << QVector<int>{1} << QVector<int>{0};
        QTest::newRow("lists deeper down")
            << QByteArray("<ZKPage><x><ZKScenes><ZKScene/></ZKScenes></x><ZKScenes><y><ZKScene/></y></ZKScenes></ZKPage>")
            << QVector<int>{0} << QVector<int>{};
        // Held packed in blocks, which elements and the gaps between them
        // straddle.
        QByteArray large;
        for (int page = 0; page < 2; ++page) {
            large += "<ZKPage a=\"" + QByteArray::number(page) + "\"><ZKScenes>";
            for (int scene = 0; scene < 3; ++scene) {
                large += "<ZKScene b=\"" + QByteArray::number(scene) + "\" p=\""
                    + QByteArray::number(page * 10 + scene).repeated(200003) + "\"><ZKSteps>\n";
                for (int step = 0; step < 4; ++step)
                    large += "<ZKStep p=\"" + QByteArray::number(step * 7 + scene).repeated(150001) + "\"/>\n";
                large += "</ZKSteps><q/></ZKScene>";
            }
            large += "</ZKScenes></ZKPage>";
        }
        QTest::newRow("pages over several blocks") << large << QVector<int>{3, 3} << QVector<int>{4, 4, 4, 4, 4, 4};
    }
    void deferredScenesBuildThePageTrees()
    {
        QFETCH(QByteArray, pages);
        QFETCH(QVector<int>, scenes);
        QFETCH(QVector<int>, steps);
        const QByteArray xml = "<ZKFile Version=\"2.0\"><ZKPages>" + pages + "</ZKPages></ZKFile>";
        QDomDocument whole;
        QVERIFY(whole.setContent(xml, true));
        const QStringList expected = TakeChildren(whole, QStringLiteral("ZKPages"), QStringLiteral("ZKPage"));
        CXmlDocument::SDeferredChildren deferred = Pages();
        deferred.cuts[0].levels[1] = {"ZKScenes", "ZKScene"};
        deferred.cuts[0].levels[2] = {"ZKSteps", "ZKStep"};
        QString error;
        QVERIFY2(CXmlDocument::CheckStructure(xml, error, &deferred), qPrintable(error));
        CXmlDocument doc;
        QVERIFY2(doc.ParseDocumentText(xml, error, &deferred), qPrintable(error));
        QCOMPARE(doc.DeferredCount(), scenes.size());
        // What the elements are read from is held deflated, but for the
        // text after the last whole block.
        if (xml.size() > 4 * CPackedText::kBlockBytes)
            QVERIFY2(doc.DeferredTextBytes() < xml.size() / 8 + 2 * CPackedText::kBlockBytes,
                     QByteArray::number(doc.DeferredTextBytes()));
        // Each element's tree with those cut out of it put back.
        const std::function<QDomDocument(CXmlDocument::SDeferredPlace, const char*)> rebuild =
            [&](CXmlDocument::SDeferredPlace place, const char* list) {
                QDomDocument tree;
                if (!doc.ParseDeferredAt(place, tree, error))
                    return QDomDocument();
                const auto [first, count] = doc.DeferredBelowOf(place);
                QDomElement into = tree.documentElement().firstChildElement(QLatin1String(list));
                for (int i = first; i < first + count; ++i)
                    into.appendChild(tree.importNode(rebuild({place.level + 1, i}, "ZKSteps").documentElement(), true));
                return tree;
            };
        QStringList read;
        QVector<int> stepsRead;
        for (int i = 0; i < scenes.size(); ++i) {
            QCOMPARE(doc.DeferredBelowOf({0, i}).second, scenes[i]);
            for (int j = 0; j < scenes[i]; ++j)
                stepsRead << doc.DeferredBelowOf({1, doc.DeferredBelowOf({0, i}).first + j}).second;
            QString text;
            QTextStream stream(&text);
            rebuild({0, i}, "ZKScenes").documentElement().save(stream, 1);
            read << text;
        }
        QCOMPARE(stepsRead, steps);
        read += TakeChildren(doc.m_document, QStringLiteral("ZKPages"), QStringLiteral("ZKPage"));
        QCOMPARE(read, expected);
    }

    // A page that does not parse is reported where it stands in the file,
    // also past the blocks its text is held in.
    void damagedDeferredChildIsPlacedInTheFile_data()
    {
        Columns<QByteArray, QByteArray, int>("before", "damaged", "line");
        const QByteArray onItsSecondLine = "<ZKPage>\n <a></b></ZKPage>";
        QTest::newRow("near the start") << QByteArray() << onItsSecondLine << 4;
        QTest::newRow("past several blocks")
            << "<ZKPage><t>" + QByteArray("a line of text\n").repeated(200000) + "</t></ZKPage>" << onItsSecondLine
            << 200004;
        // Its column counts from a line that starts blocks before it.
        QTest::newRow("on a line over blocks")
            << "<ZKPage><t>" + QByteArray(2500000, 'x') + "</t></ZKPage>" << QByteArray("<ZKPage><a></b></ZKPage>")
            << 3;
    }
    void damagedDeferredChildIsPlacedInTheFile()
    {
        const auto [before, damagedPage, line] = Row<QByteArray, QByteArray, int>("before", "damaged", "line");
        const QByteArray xml =
            "<ZKFile>\n<ZKPages>\n " + before + "<ZKPage/>" + damagedPage + "\n</ZKPages></ZKFile>";
        CXmlDocument whole;
        QString expected;
        QVERIFY(!whole.ParseDocumentText(xml, expected));
        CXmlDocument::SDeferredChildren deferred = Pages();
        QString error;
        QVERIFY(CXmlDocument::CheckStructure(xml, error, &deferred));
        CXmlDocument doc;
        QVERIFY(doc.ParseDocumentText(xml, error, &deferred));
        QDomDocument tree;
        const int damaged = doc.DeferredCount() - 1;
        for (int i = 0; i < damaged; ++i)
            QVERIFY(doc.ParseDeferred(i, tree, error));
        QVERIFY(!doc.ParseDeferred(damaged, tree, error));
        QCOMPARE(error, expected);
        QVERIFY2(error.startsWith(GetLangText(Txt::ParseErrorAt).arg(line).section(QLatin1Char(','), 0, 0)),
                 qPrintable(error));
    }

    // Elements written out as they are made, at any depth and inside one
    // another, give the bytes of the whole tree; an instruction of the
    // mark's name that marks nothing is written as it is.
    void writtenOutChildrenKeepTheBytes()
    {
        CXmlDocument whole, out;
        for (CXmlDocument* doc : {&whole, &out}) {
            doc->NewDocument();
            doc->AddElement(QStringLiteral("ZKParams"), doc->m_element[CXmlDocument::RootSlot]);
            doc->CurrentElement().appendChild(doc->m_document.createProcessingInstruction(
                QStringLiteral("written-out"), QStringLiteral("0")));
            doc->AddElement(QStringLiteral("ZKPages"), doc->m_element[CXmlDocument::RootSlot]);
            const QDomElement pages = doc->CurrentElement();
            for (int i = 0; i < 3; ++i) {
                doc->AddElement(QStringLiteral("ZKPage"), pages);
                const QDomElement page = doc->CurrentElement();
                doc->SetAttrString(QStringLiteral("ZKName"), kNonAscii + QString::number(i));
                doc->AddElement(QStringLiteral("ZKScene"), page);
                const QDomElement scene = doc->CurrentElement();
                for (int s = 0; s < 2; ++s) {
                    doc->AddElement(QStringLiteral("ZKStep"), scene);
                    doc->SetAttrInt(QStringLiteral("ZKWait"), s);
                    if (doc == &out && i != s)
                        doc->WriteOut(doc->CurrentElement());
                }
                if (doc == &out && i > 0)
                    doc->WriteOut(scene);
                if (doc == &out && i < 2)
                    doc->WriteOut(page);
            }
            doc->AddElement(QStringLiteral("ZKMasks"), doc->m_element[CXmlDocument::RootSlot]);
        }
        QCOMPARE(out.m_document.elementsByTagName(QStringLiteral("ZKPage")).size(), 1);
        QCOMPARE(out.m_document.elementsByTagName(QStringLiteral("ZKStep")).size(), 0);
        QCOMPARE(out.ToBytes(), whole.ToBytes());
        QVERIFY(out.SaveFile(Path(QStringLiteral("out.kv3"))));
        QCOMPARE(ReadBytes(Path(QStringLiteral("out.kv3"))), qCompress(whole.ToBytes(), -1));
        // Saved again, weighed as the reader cuts it apart.
        CXmlDocument::SDeferredChildren readAs = Pages();
        readAs.cuts[0].levels[1] = {"ZKScenes", "ZKScene"};
        QVERIFY(out.SaveFile(Path(QStringLiteral("again.kv3")), nullptr, &readAs));
        QCOMPARE(ReadBytes(Path(QStringLiteral("again.kv3"))), qCompress(whole.ToBytes(), -1));
    }

    // A show's elements written out over many blocks of text, one scene
    // over several: held packed until the file is written, and read back
    // with each block inflated about once, though an element's text lies
    // after those below it.
    void writtenOutTextsAreHeldPacked()
    {
        CXmlDocument whole, out;
        const QString pad(1000, QLatin1Char('x'));
        for (CXmlDocument* doc : {&whole, &out}) {
            doc->NewDocument();
            doc->AddElement(QStringLiteral("ZKPages"), doc->m_element[CXmlDocument::RootSlot]);
            const QDomElement pages = doc->CurrentElement();
            for (int p = 0; p < 8; ++p) {
                doc->AddElement(QStringLiteral("ZKPage"), pages);
                const QDomElement page = doc->CurrentElement();
                doc->SetAttrString(QStringLiteral("ZKName"), pad + QString::number(p));
                for (int s = 0; s < 16; ++s) {
                    doc->AddElement(QStringLiteral("ZKScene"), page);
                    const QDomElement scene = doc->CurrentElement();
                    for (int t = 0; t < (p == 7 && s == 0 ? 6000 : 64); ++t) {
                        doc->AddElement(QStringLiteral("ZKStep"), scene);
                        doc->SetAttrString(QStringLiteral("ZKPad"), pad + QString::number(t));
                        if (doc == &out)
                            doc->WriteOut(doc->CurrentElement());
                    }
                    if (doc == &out)
                        doc->WriteOut(scene);
                }
                if (doc == &out)
                    doc->WriteOut(page);
            }
        }
        const QByteArray expected = whole.ToBytes();
        const int blocks = expected.size() / CPackedText::kBlockBytes;
        QVERIFY(blocks >= 12);
        QVERIFY2(out.WrittenOutTextBytes() < expected.size() / 8, QByteArray::number(out.WrittenOutTextBytes()));
        const qint64 inflated = CPackedText::BlocksInflated();
        QCOMPARE(out.ToBytes(), expected);
        QVERIFY2(CPackedText::BlocksInflated() - inflated <= blocks + 2,
                 QByteArray::number(CPackedText::BlocksInflated() - inflated));
    }

    void missingFileGivesTheSystemReason()
    {
        CXmlDocument doc;
        QString error;
        QVERIFY(!doc.LoadFile(Path(QStringLiteral("absent.kv3")), error));
        QVERIFY2(error.contains(QStringLiteral("absent.kv3")), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("No such file"), Qt::CaseInsensitive), qPrintable(error));
    }

    void oldVersionDecodesBlobsFromRawCodeUnits()
    {
        const QByteArray levels("\x00\x10\xff\x80\x01", 5);
        QByteArray compressed = qCompress(levels);
        if (compressed.size() % 2)
            compressed.append('\0'); // zlib ignores what follows the stream
        QString raw;
        for (int i = 0; i < compressed.size(); i += 2)
            raw.append(QChar(ushort(quint8(compressed[i]) | (quint8(compressed[i + 1]) << 8))));

        CXmlDocument doc;
        const QByteArray xml = QByteArrayLiteral("<ZKFile Version=\"1.0\"/>");
        QVERIFY(WriteBytes(Path(QStringLiteral("old.kv2")), qCompress(xml)));
        QString error;
        QVERIFY(doc.LoadFile(Path(QStringLiteral("old.kv2")), error));
        QVERIFY(doc.m_oldFile);
        QCOMPARE(doc.m_version, QStringLiteral("2.0")); // a load never changes it

        QByteArray decoded;
        QVERIFY(doc.DecodeBlob(raw, decoded));
        QCOMPARE(decoded, levels);

        doc.m_oldFile = false;
        const QString blob = CXmlDocument::EncodeBlob(levels);
        QCOMPARE(blob, blob.toLower());
        QVERIFY(doc.DecodeBlob(blob, decoded));
        QCOMPARE(decoded, levels);
        QVERIFY(!doc.DecodeBlob(blob.left(blob.size() - 1), decoded));
        QVERIFY(decoded.isEmpty());
        QVERIFY(!doc.DecodeBlob(QString::fromLatin1(SizeHeader(0xFFFFFFF0u).toHex()) + blob.mid(8), decoded));
        QVERIFY(doc.DecodeBlob(QString::fromLatin1(qCompress(QByteArray()).toHex()), decoded));
        QVERIFY(decoded.isEmpty());
    }

    // One compressor writes blob after blob as qCompress writes each alone.
    void keptCompressorWritesWhatQCompressWrites()
    {
        QByteArray random(70000, '\0');
        for (int i = 0; i < random.size(); ++i)
            random[i] = char((i * 2654435761u) >> 13);
        const QList<QByteArray> blobs = {QByteArray(), QByteArray("\1\2\3"), QByteArray(512, '\x7f'), random,
                                         QByteArray(), random.left(1531), QByteArray(3, '\0')};
        CBlobCompressor compressor;
        for (const QByteArray& blob : blobs)
            QCOMPARE(compressor.Compress(blob), qCompress(blob, -1));
    }

    // A kept stream reads blob after blob as a new one reads each; a damaged
    // blob among them fails alone.
    void keptCompressorReadsWhatItWrote()
    {
        CXmlDocument doc;
        CBlobCompressor compressor;
        const QList<QByteArray> blobs = {QByteArray("\1\2\3"), QByteArray(70000, 'x'), QByteArray(512, '\x7f')};
        for (int round = 0; round < 2; ++round) {
            for (const QByteArray& blob : blobs) {
                const QString text = CXmlDocument::EncodeBlob(blob, compressor);
                QByteArray decoded;
                QVERIFY(!doc.DecodeBlob(text.left(text.size() - 6), decoded, compressor));
                QVERIFY(decoded.isEmpty());
                QVERIFY(doc.DecodeBlob(text, decoded, compressor));
                QCOMPARE(decoded, blob);
            }
        }
    }

    // The compressed mode is deflated while the text is written: whatever
    // the document's size, the file is what qCompress makes of the text.
    void compressedFileIsTheTextCompressedWhole_data()
    {
        QTest::addColumn<int>("elements");
        QTest::newRow("root only") << 0;
        QTest::newRow("a few elements") << 3;
        QTest::newRow("megabytes of text") << 20000;
    }
    void compressedFileIsTheTextCompressedWhole()
    {
        QFETCH(int, elements);
        CXmlDocument doc;
        doc.NewDocument();
        for (int i = 0; i < elements; ++i) {
            doc.AddElement(QStringLiteral("ZKStep"), doc.m_element[CXmlDocument::RootSlot]);
            doc.SetAttrInt(QStringLiteral("ZKId"), i * 7919);
            doc.SetAttrString(QStringLiteral("ZKName"), kNonAscii + QString::number(i));
        }
        QVERIFY(doc.SaveFile(Path(QStringLiteral("whole.kv3"))));
        QCOMPARE(ReadBytes(Path(QStringLiteral("whole.kv3"))), qCompress(doc.ToBytes(), -1));
    }

    // Whichever reader builds it, the tree is the one the DOM's own reader
    // builds from the same text.
    void everyTextGivesTheDomReadersTree_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::newRow("plain") << QByteArray("<ZKFile a=\"1&#xa;2\" b='&amp;'>\n <x>t &lt; u</x>\n</ZKFile>");
        QTest::newRow("raw line break in an attribute") << QByteArray("<ZKFile a=\"1\n2\"><x b='3\n4'/></ZKFile>");
        QTest::newRow("raw tab") << QByteArray("<ZKFile a=\"1\t2\"/>");
        QTest::newRow("carriage returns") << QByteArray("<ZKFile a=\"1\r\n2\">\r\n<x/></ZKFile>");
        QTest::newRow("declaration and comment")
            << QByteArray("<?xml version=\"1.0\"?><!-- a\n'b --><ZKFile a=\"x\ny\"/>");
        QTest::newRow("non-ASCII") << (QByteArray("<ZKFile a=\"") + kNonAscii.toHtmlEscaped().toUtf8() + "\"/>");
    }
    void everyTextGivesTheDomReadersTree()
    {
        QFETCH(QByteArray, xml);
        QDomDocument expected;
        QVERIFY(expected.setContent(xml, true));
        CXmlDocument doc;
        QString error;
        QVERIFY2(doc.ParseDocumentText(xml, error), qPrintable(error));
        QCOMPARE(doc.m_document.toByteArray(1), expected.toByteArray(1));
        QCOMPARE(doc.CurrentElement().tagName(), QStringLiteral("ZKFile"));
    }

    void cursorNavigation()
    {
        CXmlDocument doc;
        QVERIFY(!doc.SelectElement(QStringLiteral("ZKAny")));
        QVERIFY(!doc.SelectElement(QStringLiteral("..")));
        QVERIFY(!doc.SelectBookmark());
        doc.SetAttrInt(QStringLiteral("ZKNothing"), 1); // no document yet: ignored

        doc.NewDocument();
        const QDomElement root = doc.CurrentElement();
        for (int i = 0; i < 3; ++i) {
            doc.AddElement(QStringLiteral("ZKItem"), root);
            doc.SetAttrInt(QStringLiteral("ZKId"), i);
            doc.AddElement(QStringLiteral("ZKOther"), root);
        }
        doc.CurrentElement() = root;
        QVERIFY(!doc.SelectElement(QStringLiteral("..")));
        QCOMPARE(doc.CurrentElement(), root);

        int id = -1;
        QVERIFY(doc.SelectElement(QStringLiteral("ZKItem"), -1));
        QVERIFY(doc.GetAttrInt(QStringLiteral("ZKId"), id));
        QCOMPARE(id, 0);
        doc.SetBookmark();
        QVERIFY(doc.SelectElement(QStringLiteral("..")));
        QVERIFY(doc.SelectElement(QStringLiteral("ZKItem"), 0));
        QCOMPARE(doc.CurrentElement(), doc.m_element[CXmlDocument::BookmarkSlot]);
        QVERIFY(doc.SelectElement(QStringLiteral("..")));
        QVERIFY(doc.SelectElement(QStringLiteral("ZKItem"), 2));
        QVERIFY(doc.GetAttrInt(QStringLiteral("ZKId"), id));
        QCOMPARE(id, 2);
        QVERIFY(doc.SelectElement(QStringLiteral("..")));
        QVERIFY(!doc.SelectElement(QStringLiteral("ZKItem"), 3));
        QVERIFY(!doc.SelectElement(QStringLiteral("ZKItem"), -2));
        QCOMPARE(doc.CurrentElement(), root);
        QVERIFY(doc.SelectBookmark());
        QVERIFY(doc.GetAttrInt(QStringLiteral("ZKId"), id));
        QCOMPARE(id, 0);

        doc.CurrentElement() = root;
        doc.WriteMatrixSize(8, 4);
        QCOMPARE(doc.CurrentElement().tagName(), QStringLiteral("ZKMatrix"));
        QCOMPARE(doc.CurrentElement().parentNode(), QDomNode(root));
        QCOMPARE(doc.CurrentElement().attribute(QStringLiteral("ZKMatrixSizeX")), QStringLiteral("8"));
        QCOMPARE(doc.CurrentElement().attribute(QStringLiteral("ZKMatrixSizeY")), QStringLiteral("4"));
    }

    void attributeGettersKeepTheTargetWhenMissingAndReadJunkAsZero()
    {
        CXmlDocument doc;
        doc.NewDocument();
        doc.SetAttrString(QStringLiteral("ZKJunk"), QStringLiteral("twelve"));
        doc.SetAttrInt(QStringLiteral("ZKBig"), 300);
        doc.SetAttrInt(QStringLiteral("ZKNeg"), -1);
        doc.SetAttrByte(QStringLiteral("ZKByte"), 255);
        doc.SetAttrBool(QStringLiteral("ZKOn"), true);
        doc.SetAttrColor(QStringLiteral("ZKColor"), QColor(10, 20, 30, 40));
        QCOMPARE(doc.CurrentElement().attribute(QStringLiteral("ZKColor")), QString::number(10 + 20 * 256 + 30 * 65536));
        QCOMPARE(doc.CurrentElement().attribute(QStringLiteral("ZKOn")), QStringLiteral("1"));

        int value = 7;
        QString text = QStringLiteral("kept");
        quint8 byte = 9;
        bool flag = true;
        long wide = 5;
        QColor color(Qt::red);
        QVERIFY(!doc.GetAttrInt(QStringLiteral("ZKMissing"), value));
        QVERIFY(!doc.GetAttrString(QStringLiteral("ZKMissing"), text));
        QVERIFY(!doc.GetAttrByte(QStringLiteral("ZKMissing"), byte));
        QVERIFY(!doc.GetAttrBool(QStringLiteral("ZKMissing"), flag));
        QVERIFY(!doc.GetAttrLong(QStringLiteral("ZKMissing"), wide));
        QVERIFY(!doc.GetAttrColor(QStringLiteral("ZKMissing"), color));
        QCOMPARE(value, 7);
        QCOMPARE(text, QStringLiteral("kept"));
        QCOMPARE(byte, quint8(9));
        QVERIFY(flag);
        QCOMPARE(wide, 5L);
        QCOMPARE(color, QColor(Qt::red));

        QVERIFY(doc.GetAttrInt(QStringLiteral("ZKJunk"), value));
        QCOMPARE(value, 0);
        QVERIFY(doc.GetAttrBool(QStringLiteral("ZKJunk"), flag));
        QVERIFY(!flag);
        QVERIFY(doc.GetAttrByte(QStringLiteral("ZKBig"), byte));
        QCOMPARE(byte, quint8(300 & 0xFF));
        QVERIFY(doc.GetAttrByte(QStringLiteral("ZKNeg"), byte));
        QCOMPARE(byte, quint8(255));
        QVERIFY(doc.GetAttrLong(QStringLiteral("ZKNeg"), wide));
        QCOMPARE(wide, -1L);
        QVERIFY(doc.GetAttrColor(QStringLiteral("ZKColor"), color));
        QCOMPARE(color, QColor(10, 20, 30)); // transparency is not stored
        QVERIFY(doc.GetAttrColor(QStringLiteral("ZKNeg"), color));
        QCOMPARE(color, QColor(255, 255, 255));
    }

    void valueEncoders()
    {
        const quint8 flags[] = {1, 0, 7, 0};
        QCOMPARE(CXmlDocument::BoolArrayToString(flags, 4), QStringLiteral("1010"));
        QCOMPARE(CXmlDocument::BoolArrayToString(flags, 0), QString());

        // A text longer than the mask must stop at the mask's end.
        quint8 mask[6] = {9, 9, 9, 9, 9, 9};
        CXmlDocument::StringToBoolArray(QStringLiteral("1x011111111"), mask, 4);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(mask), 6), QByteArray("\x01\x00\x00\x01\x09\x09", 6));
        CXmlDocument::StringToBoolArray(QStringLiteral("1"), mask, 4);
        QCOMPARE(mask[1], quint8(0)); // a short text leaves the rest alone

        QCOMPARE(CXmlDocument::BytesToDigits(QByteArray("\x00\x07\xff", 3)), QStringLiteral("000007255"));
        QByteArray bytes;
        CXmlDocument::DigitsToBytes(QStringLiteral("0072551"), bytes);
        QCOMPARE(bytes, QByteArray("\x07\xff", 2));
        CXmlDocument::DigitsToBytes(QStringLiteral("ab"), bytes);
        QVERIFY(bytes.isEmpty());

        QCOMPARE(CXmlDocument::IntListToString({}), QString());
        QCOMPARE(CXmlDocument::IntListToString({-1, 0, 42}), QStringLiteral("-1|0|42"));
        QList<int> list{5, 6};
        CXmlDocument::StringToIntList(QString(), list, 10);
        QCOMPARE(list, QList<int>({0}));
        CXmlDocument::StringToIntList(QStringLiteral("3||x|-7|"), list, 10);
        QCOMPARE(list, QList<int>({3, 0, 0, -7, 0}));
        CXmlDocument::StringToIntList(QStringLiteral("3||x|-7|"), list, 3);
        QCOMPARE(list, QList<int>({3, 0, 0}));
        CXmlDocument::StringToIntList(QStringLiteral("3|4"), list, 0);
        QVERIFY(list.isEmpty());
    }

    // The pieces splitRef would give, empty ones too, up to the one the
    // visitor stops at.
    void piecesAreVisitedAsSplitGivesThem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("stopAt");
        QTest::newRow("empty") << QString() << -1;
        QTest::newRow("one") << "abc" << -1;
        QTest::newRow("empty pieces") << "|a||b|" << -1;
        QTest::newRow("separators only") << "|||" << -1;
        QTest::newRow("stopped") << "a|b|c|d" << 1;
        QTest::newRow("stopped at the last") << "a|b" << 1;
    }
    void piecesAreVisitedAsSplitGivesThem()
    {
        QFETCH(QString, text);
        QFETCH(int, stopAt);
        QStringList expected;
        for (const QStringRef& piece : text.splitRef(QLatin1Char('|')))
            expected << piece.toString();
        if (stopAt >= 0)
            expected = expected.mid(0, stopAt + 1);
        QStringList visited;
        CXmlDocument::ForEachPiece(text, QLatin1Char('|'), [&](const QStringRef& piece) {
            visited << piece.toString();
            return visited.size() - 1 != stopAt;
        });
        QCOMPARE(visited, expected);
        visited.clear();
        const QString framed = "x;" + text + ";y";
        CXmlDocument::ForEachPiece(framed.midRef(2, text.size()), QLatin1Char('|'), [&](const QStringRef& piece) {
            visited << piece.toString();
            return visited.size() - 1 != stopAt;
        });
        QCOMPARE(visited, expected);
    }

    void failedSaveKeepsThePreviousFile()
    {
        const QString path = Path(QStringLiteral("keep.kv3"));
        CXmlDocument small;
        BuildSample(small);
        QVERIFY(small.SaveFile(path));
        const QByteArray before = ReadBytes(path);

        CXmlDocument large;
        BuildSample(large);
        QString noise;
        for (int i = 0; i < 5000; ++i)
            noise += QString::number(i * 7919);
        large.SetAttrString(QStringLiteral("ZKNoise"), noise);
        QString error;
        {
            CFileSizeLimit limit(before.size() + 64);
            QVERIFY(!large.SaveFile(path, &error));
            QVERIFY(!large.SaveFile(Path(QStringLiteral("keep.kvp"))));
        }
        const auto tooLarge = [](const QString& file) {
            return GetLangText(Txt::CannotWriteFile).arg(QDir::toNativeSeparators(file), qt_error_string(EFBIG));
        };
        QCOMPARE(error, tooLarge(path));
        QCOMPARE(ReadBytes(path), before);
        QVERIFY(!QFile::exists(Path(QStringLiteral("keep.kvp"))));
        // A document smaller than the write buffer fails too, not only at commit.
        QVERIFY(before.size() < 1024);
        small.SetAttrInt(QStringLiteral("ZKNumber"), 7);
        for (const char* name : {"keep.kv3", "keep.zkp", "keep.kvp"}) {
            CFileSizeLimit limit(16);
            error.clear();
            QVERIFY2(!small.SaveFile(Path(QLatin1String(name)), &error), name);
            QCOMPARE(error, tooLarge(Path(QLatin1String(name))));
        }
        QCOMPARE(ReadBytes(path), before);
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("keep*")}, QDir::Files), QStringList({QStringLiteral("keep.kv3")}));

        QVERIFY(!small.SaveFile(Path(QStringLiteral("no/such/folder/x.kv3")), &error));
        QVERIFY(error.contains(QStringLiteral("x.kv3")));
        QVERIFY(large.SaveFile(path));
        QVERIFY(ReadBytes(path) != before);
    }

    // A document the reader would refuse is not written, whatever its
    // storage; the file saved before stays. One the reader takes loads.
    void documentsTheReaderRefusesAreNotWritten_data()
    {
        Columns<int, int, int, int, QString>("depth", "valueBytes", "attributes", "maxBytes", "reason");
        const int maxDepth = CXmlDocument::kMaxDepth, widest = CXmlDocument::kMaxAttributes;
        const int maxBytes = CXmlDocument::kMaxDocumentBytes, mb = 1 << 20;
        QTest::newRow("deepest read") << maxDepth << 0 << 1 << maxBytes << QString();
        QTest::newRow("one deeper") << maxDepth + 1 << 0 << 1 << maxBytes
                                    << GetLangText(Txt::DocumentTooDeep).arg(maxDepth);
        QTest::newRow("longer") << 1 << maxBytes << 1 << maxBytes << GetLangText(Txt::DocumentTooLarge).arg(maxBytes >> 20);
        // A reader that takes larger documents (a show's) saves and reads
        // them, and one that takes smaller ones neither.
        QTest::newRow("within a larger bound") << 1 << maxBytes << 1 << maxBytes + mb << QString();
        QTest::newRow("past a smaller bound") << 1 << mb << 1 << mb << GetLangText(Txt::DocumentTooLarge).arg(1);
        QTest::newRow("widest read") << 2 << 0 << widest << maxBytes << QString();
        QTest::newRow("one wider") << 2 << 0 << widest + 1 << maxBytes
                                   << GetLangText(Txt::DocumentTooManyAttributes).arg(widest);
    }
    void documentsTheReaderRefusesAreNotWritten()
    {
        const auto [depth, valueBytes, attributes, maxBytes, reason] =
            Row<int, int, int, int, QString>("depth", "valueBytes", "attributes", "maxBytes", "reason");
        CXmlDocument doc;
        doc.NewDocument();
        for (int level = 1; level < depth; ++level)
            doc.AddElement(QStringLiteral("ZKLevel"), doc.CurrentElement());
        doc.CurrentElement().appendChild(doc.m_document.createTextNode(QStringLiteral("x")));
        doc.SetAttrString(QStringLiteral("ZKValue"), QString(valueBytes, QLatin1Char('v')));
        for (int i = 1; i < attributes; ++i)
            doc.SetAttrInt(QStringLiteral("ZKA%1").arg(i), i);
        CXmlDocument::SDeferredChildren readAs = Pages();
        readAs.maxBytes = maxBytes;
        for (const char* name : {"refused.kv3", "refused.kvp"}) {
            const QString path = Path(QLatin1String(name));
            QVERIFY(WriteBytes(path, "before"));
            QString error;
            QCOMPARE(doc.SaveFile(path, &error, &readAs), reason.isEmpty());
            if (!reason.isEmpty()) {
                QCOMPARE(error, GetLangText(Txt::CannotWriteFile)
                                    .arg(QDir::toNativeSeparators(path), GetLangText(Txt::WouldNotOpenAgain).arg(reason)));
                QCOMPARE(ReadBytes(path), QByteArray("before"));
                // Without captions the reason has no words; the save still fails.
                CNoLanguage noLanguage;
                QVERIFY(!doc.SaveFile(path, &error, &readAs));
                QCOMPARE(ReadBytes(path), QByteArray("before"));
                continue;
            }
            QByteArray xml;
            QVERIFY2(CXmlDocument::ReadDocumentText(path, xml, error, &readAs), qPrintable(error));
            CXmlDocument loaded;
            QVERIFY2(loaded.ParseDocumentText(xml, error, &readAs), qPrintable(error));
            // A reader of the usual bound refuses what a larger one took.
            if (valueBytes >= CXmlDocument::kMaxDocumentBytes)
                QVERIFY(!loaded.LoadFile(path, error));
        }
    }

    // What the writer counts of a document settles its save as the reader's
    // scan would, without that scan; a document the counts cannot clear is
    // scanned. Pages are weighed one at a time only as the reader cuts them.
    void savesAreCheckedAsTheReaderChecks_data()
    {
        Columns<int, int, int, int, QString, int, bool, bool, bool>(
            "pages", "elements", "rest", "attributes", "extra", "into", "savesByPages", "scans", "savesWhole");
        // 27000 elements of ten attributes weigh some 380 MB at once, a
        // sixth of it by pages.
        QTest::newRow("weighed by pages") << 6 << 4500 << 0 << 10 << QString() << 0 << true << false << false;
        QTest::newRow("scanned by pages")
            << 6 << 4500 << 0 << 10 << QStringLiteral("<!-- c -->") << 0 << true << true << false;
        // The pages' text weighs in their trees alone, not in the rest's.
        QTest::newRow("two large pages") << 2 << 15000 << 0 << 10 << QString() << 0 << true << false << false;
        QTest::newRow("one page too large") << 1 << 24500 << 0 << 10 << QString() << 0 << false << true << false;
        QTest::newRow("the rest and a page") << 1 << 12500 << 12500 << 10 << QString() << 0 << false << true << false;
        // The reader cuts only the first section of that name, here empty.
        QTest::newRow("pages under a later section")
            << 6 << 4500 << 0 << 10 << QStringLiteral("<ZKPages/>") << 3 << false << true << false;
        QTest::newRow("pages under another name")
            << 6 << 4500 << 0 << 10 << QStringLiteral("ZKScene") << 4 << false << true << false;
        // A million bare elements, well within the bound on memory: too
        // many for one tree, not for the trees of pages.
        QTest::newRow("a million nodes over pages")
            << 10 << CXmlDocument::kMaxNodes / 10 << 0 << 0 << QString() << 0 << true << false << false;
        // A namespace near the root keeps the pages in the rest's tree.
        QTest::newRow("a million nodes over pages and a namespace") << 10 << CXmlDocument::kMaxNodes / 10 << 0 << 0
                                                                    << QStringLiteral("<x xmlns=\"u\"/>") << 1
                                                                    << false << true << false;
        QTest::newRow("too many nodes in the rest")
            << 1 << 10 << CXmlDocument::kMaxNodes << 0 << QString() << 0 << false << true << false;
        // 800000 elements, and 150000 texts between them, in one page.
        QTest::newRow("too many nodes with the texts")
            << 1 << 800000 << 0 << 0 << QStringLiteral("t<b/>").repeated(150000) << 0 << false << true << false;
        // Below the page (the root's third level) as deep as the reader goes, and one deeper.
        const auto nested = [](int levels) {
            return QStringLiteral("<n>").repeated(levels) + QLatin1Char('t') + QStringLiteral("</n>").repeated(levels);
        };
        const int belowPage = CXmlDocument::kMaxDepth - 3;
        QTest::newRow("a page as deep as read") << 2 << 10 << 10 << 10 << nested(belowPage) << 0 << true << false << true;
        QTest::newRow("a page nested too deep")
            << 2 << 10 << 10 << 10 << nested(belowPage + 1) << 0 << false << true << false;
        // What the counts cannot vouch for is scanned.
        QTest::newRow("small") << 2 << 10 << 10 << 10 << QString() << 0 << true << false << true;
        QTest::newRow("a namespace near the root")
            << 2 << 10 << 10 << 10 << QStringLiteral("<n xmlns:p=\"u\"/>") << 1 << true << true << true;
        QTest::newRow("a comment in a page")
            << 2 << 10 << 10 << 10 << QStringLiteral("<!-- c -->") << 0 << true << true << true;
        QTest::newRow("an odd name")
            << 2 << 10 << 10 << 10 << QStringLiteral("<n a='1' b\u00e9='2'/>") << 0 << true << true << true;
        QTest::newRow("a page left in the tree")
            << 2 << 10 << 10 << 10 << QStringLiteral("<ZKPage/>") << 2 << true << false << true;
    }
    void savesAreCheckedAsTheReaderChecks()
    {
        const auto [pages, elements, rest, attributes, extra, into, savesByPages, scans, savesWhole] =
            Row<int, int, int, int, QString, int, bool, bool, bool>(
                "pages", "elements", "rest", "attributes", "extra", "into", "savesByPages", "scans", "savesWhole");
        CXmlDocument doc;
        BuildPaged(doc, pages, elements, rest, attributes, extra, into);
        CXmlDocument::SDeferredChildren pagesApart = Pages();
        for (CXmlDocument::SDeferredChildren* readAs : {&pagesApart, static_cast<CXmlDocument::SDeferredChildren*>(nullptr)}) {
            const bool saves = readAs ? savesByPages : savesWhole;
            QString error;
            QCOMPARE(CXmlDocument::CheckStructure(doc.ToBytes(), error, readAs), saves);

            const QString path = Path(QStringLiteral("checked.kv3"));
            QVERIFY(WriteBytes(path, "before"));
            const CXmlDocument::SReadWork before = CXmlDocument::ReadWork();
            QCOMPARE(doc.SaveFile(path, &error, readAs), saves);
            if (readAs)
                QCOMPARE(CXmlDocument::ReadWork().scanned > before.scanned, scans);
            if (!saves) {
                QCOMPARE(ReadBytes(path), QByteArray("before"));
                continue;
            }
            QByteArray xml;
            QVERIFY2(CXmlDocument::ReadDocumentText(path, xml, error, readAs), qPrintable(error));
        }
    }

    // Hex text may be framed by white space, as an editor leaves a file.
    void hexTextFramedByWhiteSpaceDecodes_data()
    {
        Columns<QByteArray, QByteArray>("before", "after");
        QTest::newRow("none") << QByteArray() << QByteArray();
        QTest::newRow("leading") << QByteArray(" \t") << QByteArray();
        QTest::newRow("trailing line break") << QByteArray() << QByteArray("\n");
        QTest::newRow("trailing spaces and CR LF") << QByteArray() << QByteArray("  \r\n");
        QTest::newRow("both") << QByteArray("\n") << QByteArray(" \n\n");
    }
    void hexTextFramedByWhiteSpaceDecodes()
    {
        const auto [before, after] = Row<QByteArray, QByteArray>("before", "after");
        const QByteArray levels("\x00\x7f\xff\x10", 4);
        CXmlDocument doc;
        QByteArray decoded;
        const QString blob = QString::fromLatin1(before) + CXmlDocument::EncodeBlob(levels) + QString::fromLatin1(after);
        QVERIFY(doc.DecodeBlob(blob, decoded));
        QCOMPARE(decoded, levels);

        const QByteArray xml = "<ZKFile Version=\"2.0\"/>";
        QString error;
        QVERIFY2(CXmlDocument::DecodeStorage(CXmlDocument::HexStorage, before + xml.toHex() + after, decoded, error),
                 qPrintable(error));
        QCOMPARE(decoded, xml);
    }

    void savedBytesKeepTheLayoutWithAttributesInNameOrder()
    {
        // One attribute per element: the layout and escaping are the DOM writer's.
        CXmlDocument doc;
        doc.NewDocument();
        const QString tricky = QStringLiteral("a<b>&\"c\"]]>\n\t\r ") + kNonAscii;
        doc.AddElement(QStringLiteral("ZKScene"), doc.m_element[CXmlDocument::RootSlot]);
        doc.SetAttrString(QStringLiteral("ZKName"), tricky);
        doc.AddElement(QStringLiteral("ZKStep"), doc.CurrentElement());
        doc.AddElement(QStringLiteral("ZKEmpty"), doc.m_element[CXmlDocument::RootSlot]);
        doc.CurrentElement().appendChild(doc.m_document.createTextNode(tricky));
        QCOMPARE(doc.ToBytes(), doc.m_document.toByteArray(1));

        // Attributes set in opposite orders give the same bytes, in name order.
        CXmlDocument up, down;
        up.NewDocument();
        down.NewDocument();
        for (int i = 0; i < 40; ++i) {
            up.SetAttrInt(QStringLiteral("A%1").arg(i, 2, 10, QLatin1Char('0')), i);
            down.SetAttrInt(QStringLiteral("A%1").arg(39 - i, 2, 10, QLatin1Char('0')), 39 - i);
        }
        QCOMPARE(up.ToBytes(), down.ToBytes());
        QVERIFY(up.ToBytes().indexOf("A00=") < up.ToBytes().indexOf("A01=") && up.ToBytes().indexOf("A38=") < up.ToBytes().indexOf("A39="));
    }

    void maintenanceCopies()
    {
        const QByteArray content = QByteArray("levels ").repeated(200);
        const QString source = Path(QStringLiteral("show.kv3"));
        QVERIFY(WriteBytes(source, content));
        QVERIFY(CXmlDocument::CompressFileCopy(source));
        const QByteArray packed = ReadBytes(Path(QStringLiteral("show_cp.kv3")));
        QCOMPARE(qUncompress(packed), content);

        QVERIFY(CXmlDocument::UncompressFileCopy(Path(QStringLiteral("show_cp.kv3"))));
        QCOMPARE(ReadBytes(Path(QStringLiteral("show_cp_ucp.kv3"))), content);

        // Plain text is no compressed file: nothing is written.
        QVERIFY(!CXmlDocument::UncompressFileCopy(source));
        QVERIFY(!QFile::exists(Path(QStringLiteral("show_ucp.kv3"))));
        QVERIFY(!CXmlDocument::CompressFileCopy(Path(QStringLiteral("gone.kv3"))));
        QVERIFY(!QFile::exists(Path(QStringLiteral("gone_cp.kv3"))));
    }
};

ORVANE_TEST(XmlDocumentTest)
#include "XmlDocumentTest.moc"
