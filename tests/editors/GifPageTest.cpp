#include "TestRegistry.h"

#include "ColorPageRig.h"
#include "PictureFolder.h"
#include "editors/GifEffectWnd.h"
#include "editors/GifEffectsTab.h"
#include "editors/GifEffectsWnd.h"
#include "editors/GifViewerCtrl.h"
#include "editors/MatrixPreviewWnd.h"
#include "effects/MatrixGifEffect.h"
#include "widgets/SliderCtrl.h"

#include <QBuffer>
#include <QGridLayout>
#include <QImageReader>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

namespace {

const QString kParticles = QStringLiteral("System/Effects/Particles");
const QString kSpirals = QStringLiteral("System/Effects/Spirals");

std::unique_ptr<CGifEffectWnd> Page(CColorPageRig& rig, CFixtureMatrix* matrix,
                                    const CMatrixGifEffect* effect = nullptr)
{
    return std::make_unique<CGifEffectWnd>(rig.project, effect, rig.Engine(), matrix, &rig.time, false);
}

// Thumbnails per grid row, "5,5,2".
QString RowSizes(const CGifEffectsWnd& pictures)
{
    auto* grid = static_cast<QGridLayout*>(pictures.layout());
    QMap<int, int> rows;
    for (int i = 0; i < grid->count(); ++i) {
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        ++rows[row];
    }
    QStringList sizes;
    for (int count : rows)
        sizes << QString::number(count);
    return sizes.join(QLatin1Char(','));
}

// Marked thumbnails of every tab, "0:1 1:-" (tab: index or none).
QString Marks(const CGifEffectWnd& page)
{
    QStringList marks;
    for (int tab = 0; tab < page.LibraryTabs().size(); ++tab) {
        QString mark = QStringLiteral("-");
        for (const CGifViewerCtrl* thumb : page.LibraryTabs()[tab]->Pictures()->Thumbnails())
            mark = thumb->IsMarked() ? QString::number(thumb->Index()) : mark;
        marks << QStringLiteral("%1:%2").arg(tab).arg(mark);
    }
    return marks.join(QLatin1Char(' '));
}

CGifViewerCtrl* Thumb(const CGifEffectWnd& page, int tab, int index)
{
    return page.LibraryTabs().at(tab)->Pictures()->Thumbnails().at(index);
}

// A real GIF whose logical screen claims 60000 x 60000 pixels.
QByteArray Oversized()
{
    QByteArray bytes = CPictureFolder::Animation(QSize(4, 4), 2);
    bytes[6] = char(0x60);
    bytes[7] = char(0xea);
    bytes[8] = char(0x60);
    bytes[9] = char(0xea);
    return bytes;
}

} // namespace

class GifPageTest : public QObject
{
    Q_OBJECT

private slots:
    void listing_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("listed");
        QTest::addColumn<QString>("rows");
        QStringList twelve;
        for (int i = 0; i < 12; ++i)
            twelve << QStringLiteral("p%1.gif").arg(i);
        QTest::newRow("twelve") << twelve << 12 << "5,5,2";
        QTest::newRow("five fill one row") << QStringList(twelve.mid(0, 5)) << 5 << "5";
        QTest::newRow("other kinds and links left out")
            << QStringList{"a.gif", "b.png", "c.gif.txt", "d", "@link.gif"} << 1 << "1";
        QTest::newRow("missing folder") << QStringList() << 0 << "";
    }
    void listing()
    {
        QFETCH(QStringList, names);
        QFETCH(int, listed);
        QFETCH(QString, rows);
        CPictureFolder folder;
        QString written;
        for (const QString& name : names) {
            // "@name": a link to the file written before it.
            if (name.startsWith('@'))
                QVERIFY(QFile::link(written, folder.Path(kParticles + '/' + name.mid(1))));
            else
                written = folder.Write(kParticles, name, QByteArray("x"));
        }
        CGifEffectsWnd pictures(folder.Path(kParticles));
        QCOMPARE(pictures.Files().size(), listed);
        QCOMPARE(RowSizes(pictures), rows);
        for (const QString& file : pictures.Files())
            QVERIFY(QFileInfo(file).isAbsolute());
    }

    // Presses on thumbnails: "tab.index" each; what is emitted, what regenerates.
    void choosing_data()
    {
        QTest::addColumn<QStringList>("presses");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("regeneratedLast");
        QTest::newRow("one") << QStringList{"0.1"} << "0:1 1:- 2:- 3:- 4:-" << "0.1" << true;
        QTest::newRow("again on the mark") << QStringList{"0.1", "0.1"} << "0:1 1:- 2:- 3:- 4:-" << "0.1" << false;
        QTest::newRow("another in the tab") << QStringList{"0.1", "0.0"} << "0:0 1:- 2:- 3:- 4:-" << "0.0" << true;
        QTest::newRow("another tab keeps its mark") << QStringList{"0.1", "1.0"} << "0:1 1:0 2:- 3:- 4:-" << "1.0"
                                                    << true;
    }
    void choosing()
    {
        QFETCH(QStringList, presses);
        QFETCH(QString, marks);
        QFETCH(QString, chosen);
        QFETCH(bool, regeneratedLast);
        CPictureFolder folder;
        for (const char* name : {"a.gif", "b.gif"})
            folder.Write(kParticles, QLatin1String(name), CPictureFolder::Animation(QSize(4, 4), 3));
        folder.Write(kSpirals, QStringLiteral("s.gif"), CPictureFolder::Animation(QSize(4, 4), 5));
        CColorPageRig rig;
        auto page = Page(rig, rig.AddMatrix(4, 4));
        QCOMPARE(page->SpeedCtrl()->Value(), 8);
        QSignalSpy emitted(page->LibraryTabs()[0]->Pictures(), &CGifEffectsWnd::selChanged);
        int pressesInFirstTab = 0;
        for (const QString& press : presses) {
            rig.ClearRegenerated();
            const int tab = press.section('.', 0, 0).toInt();
            pressesInFirstTab += tab == 0;
            QTest::mouseClick(Thumb(*page, tab, press.section('.', 1, 1).toInt()), Qt::LeftButton);
        }
        QCOMPARE(Marks(*page), marks);
        const int chosenTab = chosen.section('.', 0, 0).toInt();
        QCOMPARE(page->Effect()->m_file,
                 page->LibraryTabs()[chosenTab]->Pictures()->Files().at(chosen.section('.', 1, 1).toInt()));
        QCOMPARE(rig.Regenerated(), regeneratedLast);
        QCOMPARE(emitted.size(), presses.first() == presses.last() ? 1 : pressesInFirstTab);
        const int frames = chosenTab == 1 ? 5 : 3;
        QCOMPARE(page->Effect()->m_len, frames * 120);
        QVERIFY(page->Effect()->m_flag);
    }

    void speed_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("stepTime");
        QTest::newRow("fastest") << 10 << 40;
        QTest::newRow("slowest") << 1 << 400;
        QTest::newRow("middle") << 5 << 240;
    }
    void speed()
    {
        QFETCH(int, speed);
        QFETCH(int, stepTime);
        CPictureFolder folder;
        CColorPageRig rig;
        auto page = Page(rig, rig.AddMatrix(4, 4));
        rig.ClearRegenerated();
        page->SpeedCtrl()->SpinBox()->setValue(speed);
        QCOMPARE(page->Effect()->m_fade, stepTime);
        QVERIFY(page->Effect()->m_flag);
        QVERIFY(!rig.Regenerated());
    }

    // Fields as a file may hold them, and what the page makes of them.
    void storedFields_data()
    {
        QTest::addColumn<QList<int>>("stored"); // step time, intensity, saturation
        QTest::addColumn<QList<int>>("shown");  // speed, intensity, saturation
        QTest::addColumn<QList<int>>("kept");
        QTest::newRow("in range") << QList<int>{200, 60, 30} << QList<int>{6, 60, 30} << QList<int>{200, 60, 30};
        QTest::newRow("too low") << QList<int>{-5, -1, -9} << QList<int>{10, 10, 0} << QList<int>{40, 10, 0};
        QTest::newRow("too high") << QList<int>{1 << 30, 900, 900} << QList<int>{1, 100, 100}
                                  << QList<int>{400, 100, 100};
    }
    void storedFields()
    {
        QFETCH(QList<int>, stored);
        QFETCH(QList<int>, shown);
        QFETCH(QList<int>, kept);
        CPictureFolder folder;
        CColorPageRig rig;
        CFixtureMatrix* matrix = rig.AddMatrix(4, 4);
        CMatrixGifEffect effect(matrix, stored[0]);
        effect.m_intensity = stored[1];
        effect.m_saturation = stored[2];
        auto page = Page(rig, matrix, &effect);
        QCOMPARE(QList<int>({page->SpeedCtrl()->Value(), page->IntensityCtrl()->Value(),
                             page->SaturationCtrl()->Value()}),
                 shown);
        const CMatrixGifEffect* edited = page->Effect();
        QCOMPARE(QList<int>({edited->m_fade, edited->m_intensity, edited->m_saturation}), kept);
        page->OnIntensityChanged(5000);
        page->OnSaturationChanged(-3);
        page->OnSpeedValueChanged(99);
        QCOMPARE(QList<int>({edited->m_fade, edited->m_intensity, edited->m_saturation}),
                 QList<int>({40, 100, 0}));
    }

    // An existing effect: regenerated when its file is there, never marked.
    void existingEffect_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("length");
        QTest::newRow("readable") << CPictureFolder::Animation(QSize(4, 4), 4) << 4 * 120;
        QTest::newRow("gone") << QByteArray() << 0;
        QTest::newRow("not a picture") << QByteArray("GIF89a garbage") << 0;
        QTest::newRow("oversized") << Oversized() << 0;
    }
    void existingEffect()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, length);
        CPictureFolder folder;
        const QString file = bytes.isEmpty() ? folder.Path(kParticles + QStringLiteral("/gone.gif"))
                                             : folder.Write(kParticles, QStringLiteral("mine.gif"), bytes);
        CColorPageRig rig;
        CFixtureMatrix* matrix = rig.AddMatrix(4, 4);
        CMatrixGifEffect effect(matrix, 120);
        effect.m_file = file;
        rig.ClearRegenerated();
        auto page = Page(rig, matrix, &effect);
        QCOMPARE(page->Effect()->m_len, length);
        QCOMPARE(rig.Regenerated(), bytes.size() > 0);
        QCOMPARE(Marks(*page), QStringLiteral("0:- 1:- 2:- 3:- 4:-"));
        QVERIFY(!page->Effect()->m_flag);
        QCOMPARE(page->Effect()->m_file, file);
    }

    // A picture the library cannot show leaves an empty thumbnail, and
    // choosing it gives an empty effect.
    void unshowablePictures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("GIF89a\x01\x00");
        QTest::newRow("oversized") << Oversized();
    }
    void unshowablePictures()
    {
        QFETCH(QByteArray, bytes);
        CPictureFolder folder;
        folder.Write(kParticles, QStringLiteral("bad.gif"), bytes);
        CColorPageRig rig;
        auto page = Page(rig, rig.AddMatrix(4, 4));
        CGifViewerCtrl* thumb = Thumb(*page, 0, 0);
        QVERIFY(!thumb->Movie());
        QTest::mouseClick(thumb, Qt::LeftButton);
        QCOMPARE(page->Effect()->m_len, 0);
        page->Tick(40);
    }

    void tabsAndCaptions()
    {
        CPictureFolder folder;
        CColorPageRig rig;
        auto page = Page(rig, rig.AddMatrix(4, 4));
        QStringList captions;
        for (int i = 0; i < page->Tabs()->count(); ++i)
            captions << page->Tabs()->tabText(i);
        QCOMPARE(captions, QStringList({"Particles", "Spirals", "Anim", "Neon", "Other"}));
        QCOMPARE(CGifEffectWnd::LibraryFolders().last(), QStringLiteral("System/Effects/Others"));
    }

    // Pictures big enough that the code table fills and starts over, with
    // transparent pixels, read back by Qt's own reader.
    void writtenAnimationsReadBack_data()
    {
        QTest::addColumn<int>("edge");
        QTest::addColumn<int>("frames");
        QTest::newRow("tiny") << 1 << 2;
        QTest::newRow("small") << 16 << 4;
        QTest::newRow("table restarts") << 150 << 3;
    }
    void writtenAnimationsReadBack()
    {
        QFETCH(int, edge);
        QFETCH(int, frames);
        QVector<QImage> drawn;
        for (int f = 0; f < frames; ++f) {
            QImage image(edge, edge, QImage::Format_ARGB32);
            for (int y = 0; y < edge; ++y) {
                for (int x = 0; x < edge; ++x) {
                    const quint32 h = (quint32(x) * 7919u + quint32(y) * 104729u + quint32(f) * 31u) * 2654435761u;
                    image.setPixel(x, y, h % 7 == 0 ? 0u : qRgb(h >> 24, (h >> 16) & 0xf0, (h >> 8) & 0xc0));
                }
            }
            drawn << image;
        }
        QByteArray bytes = EncodeGif(drawn, 70);
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer, "gif");
        QCOMPARE(reader.imageCount(), frames);
        QCOMPARE(reader.loopCount(), -1);
        for (int f = 0; f < frames; ++f) {
            const QImage read = reader.read().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(reader.nextImageDelay(), 70);
            QCOMPARE(read.size(), QSize(edge, edge));
            int wrong = 0;
            for (int y = 0; y < edge; ++y) {
                for (int x = 0; x < edge; ++x) {
                    const QRgb want = drawn[f].pixel(x, y), got = read.pixel(x, y);
                    const bool clear = qAlpha(want) == 0;
                    wrong += clear ? qAlpha(got) != 0
                                   : qAbs(qRed(want) - qRed(got)) > 26 || qAbs(qGreen(want) - qGreen(got)) > 22 ||
                                         qAbs(qBlue(want) - qBlue(got)) > 26;
                }
            }
            QCOMPARE(wrong, 0);
        }
    }
};

ORVANE_TEST(GifPageTest)
#include "GifPageTest.moc"
