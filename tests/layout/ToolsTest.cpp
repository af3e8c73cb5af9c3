#include "LayoutRig.h"
#include "TestRegistry.h"
#include "../widgets/WidgetTestUtil.h"

#include "show/Group.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kLetters = QStringLiteral("KRGBW");
const QList<QColor> kColors{Qt::black, Qt::red, Qt::green, Qt::blue, Qt::white};

// A matrix of 3 x `rows` cells of the named profile at (0, 0); "gap" is a
// 3 x 1 RGB matrix whose first member has gone.
class CToolsRig : public CLayoutRig
{
public:
    explicit CToolsRig(const QString& setup)
    {
        CLibraryProfile* profile = setup.startsWith(QLatin1String("cmy"))    ? CmyProfile()
                                   : setup.startsWith(QLatin1String("head")) ? MovingHeadProfile()
                                                                             : RgbProfile();
        item = AddMatrix(profile, 3, setup.endsWith(QLatin1String("3x3")) ? 3 : 1, QPoint(0, 0),
                         profile->ChannelCount());
        if (setup == QLatin1String("gap")) {
            item->Matrix()->RemoveMember(0);
            item->SetMatrix(item->Matrix());
        }
    }

    CFixtureMatrix* Matrix() const { return item->Matrix(); }
    void SetCells(const QString& letters)
    {
        for (int m = 0; m < letters.size(); ++m) {
            const QColor c = kColors.at(kLetters.indexOf(letters.at(m)));
            project.SetFixtureColor(Matrix()->Member(m), 0, quint8(c.red()), quint8(c.green()), quint8(c.blue()), 0);
        }
        project.MergeOutput();
    }
    // The colour painted into each member, as a letter ('?' for another),
    // from the live levels or, with `output`, from what is sent.
    QString Cells(bool output = false) const
    {
        QString letters;
        for (const CPatchedFixture* member : Matrix()->Members()) {
            const quint8* sent = project.m_output[member->m_universe] + member->m_address;
            QColor c = output ? QColor(sent[0], sent[1], sent[2]) : LiveLevels(member);
            if (member->Profile()->IsCmy())
                c = QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
            const int index = kColors.indexOf(c);
            letters += index < 0 ? QLatin1Char('?') : kLetters.at(index);
        }
        return letters;
    }

    CMatrixItem* item = nullptr;
};

} // namespace

class ToolsTest : public QObject
{
    Q_OBJECT
private slots:
    void tools_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("tool");
        QTest::addColumn<int>("white");
        QTest::addColumn<bool>("colorLock");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<QPoint>>("path");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("modeAfter");
        const QPoint off(500, 300);
        using Path = QList<QPoint>;
        QTest::newRow("pen") << "rgb" << 1 << 0 << false << "KKK" << Path{{25, 5}} << "KRK" << 1;
        QTest::newRow("pen drag over a miss") << "rgb" << 1 << 0 << false << "KKK" << Path{{25, 5}, off, {45, 5}}
                                              << "KRR" << 1;
        QTest::newRow("pen miss") << "rgb" << 1 << 0 << false << "KKK" << Path{off} << "KKK" << 0;
        QTest::newRow("pen cmy") << "cmy" << 1 << 0 << false << "KKK" << Path{{25, 5}} << "KRK" << 1;
        QTest::newRow("no colour group") << "head" << 1 << 0 << false << "KKK" << Path{{5, 5}} << "KKK" << 0;
        QTest::newRow("fill all") << "rgb3x3" << 6 << 0 << false << "KKKKKKKKK" << Path{{5, 5}} << "RRRRRRRRR" << 6;
        QTest::newRow("fill region") << "rgb" << 6 << 0 << false << "KGK" << Path{{5, 5}} << "RGK" << 6;
        QTest::newRow("fill same colour") << "rgb" << 6 << 0 << false << "RKK" << Path{{5, 5}} << "RKK" << 6;
        QTest::newRow("fill white on rgb") << "rgb" << 6 << 50 << false << "KKK" << Path{{5, 5}} << "RRR" << 6;
        QTest::newRow("fill locked colour") << "rgb" << 6 << 0 << true << "KKK" << Path{{5, 5}} << "KKK" << 6;
        QTest::newRow("fill miss") << "rgb" << 6 << 0 << false << "KKK" << Path{off} << "KKK" << 0;
        QTest::newRow("fill after removal") << "gap" << 6 << 0 << false << "KK" << Path{{25, 5}} << "RR" << 6;
        QTest::newRow("line after removal") << "gap" << 2 << 0 << false << "KK" << Path{{25, 5}, {45, 5}} << "RR"
                                            << 2;
        QTest::newRow("shape one cell") << "rgb3x3" << 3 << 0 << false << "KKKKKKKKK" << Path{{25, 25}}
                                        << "KKKKRKKKK" << 3;
        QTest::newRow("rectangle") << "rgb3x3" << 3 << 0 << false << "KKKKKKKKK" << Path{{5, 5}, {45, 45}}
                                   << "RRRRKRRRR" << 3;
        QTest::newRow("line") << "rgb3x3" << 2 << 0 << false << "KKKKKKKKK" << Path{{5, 5}, {45, 45}} << "RKKKRKKKR"
                              << 2;
        QTest::newRow("preview kept off target") << "rgb3x3" << 2 << 0 << false << "KKKKKKKKK"
                                                 << Path{{5, 5}, {45, 5}, off} << "RRRKKKKKK" << 2;
        QTest::newRow("shape miss") << "rgb" << 4 << 0 << false << "KKK" << Path{off} << "KKK" << 0;
        QTest::newRow("pick miss") << "rgb" << 5 << 0 << false << "KKK" << Path{off} << "KKK" << 0;
    }
    void tools()
    {
        QFETCH(QString, setup);
        QFETCH(int, tool);
        QFETCH(int, white);
        QFETCH(bool, colorLock);
        QFETCH(QString, before);
        QFETCH(QList<QPoint>, path);
        CToolsRig rig(setup);
        rig.SetCells(before);
        rig.project.m_colorLock = colorLock;
        rig.view.SetTool(tool, Qt::red, white);
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, path.first());
        for (int i = 1; i < path.size(); ++i)
            WidgetTest::MoveHeld(&rig.view, path.at(i));
        QTest::mouseRelease(&rig.view, Qt::LeftButton, Qt::NoModifier, path.last());
        QTEST(rig.Cells(), "after");
        QTEST(rig.Cells(true), "after");
        QTEST(rig.view.ToolMode(), "modeAfter");
        QVERIFY(!rig.project.m_fullColorDrawing);
        if (rig.Cells() != before)
            QCOMPARE(rig.Matrix()->DrawType(), 2);
    }

    void pickReturnsThePaintedColour()
    {
        CToolsRig rig(QStringLiteral("cmy"));
        rig.SetCells(QStringLiteral("KGK"));
        int ended = 0;
        rig.view.SetEndToolModeHook([&ended] { ++ended; });
        rig.view.SetTool(5, Qt::red, 0);
        QSignalSpy picked(&rig.view, &CFixturesView::colorPicked);
        QTest::mouseClick(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(25, 5));
        QCOMPARE(picked.count(), 1);
        QCOMPARE(rig.view.ToolColor(), QColor(Qt::green));
        // The hook the colour control installs disarms the tool instead.
        QTest::mouseClick(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(500, 300));
        QCOMPARE(ended, 1);
        QCOMPARE(rig.view.ToolMode(), 5);
    }

    void pictureOntoMatrix()
    {
        CToolsRig rig(QStringLiteral("rgb"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bands.png"));
        QImage picture(6, 2, QImage::Format_RGB32);
        for (int x = 0; x < 6; ++x) {
            for (int y = 0; y < 2; ++y)
                picture.setPixelColor(x, y, kColors.at(1 + x / 2));
        }
        QVERIFY(picture.save(path));
        const QString junk = dir.filePath(QStringLiteral("junk.png"));
        QFile file(junk);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a picture") > 0);
        file.close();

        // Only with exactly one matrix selected in the current group.
        CFixturesView::ApplyImageToMatrix(path);
        QCOMPARE(rig.Cells(), QStringLiteral("KKK"));
        CGroup* group = rig.project.m_currentGroup;
        group->m_selectedMatrices << rig.Matrix();
        group->m_selectedFixtures = rig.Matrix()->Members();
        CFixturesView::ApplyImageToMatrix(junk);
        CFixturesView::ApplyImageToMatrix(dir.filePath(QStringLiteral("missing.png")));
        QCOMPARE(rig.Cells(), QStringLiteral("KKK"));
        CFixturesView::ApplyImageToMatrix(path);
        QCOMPARE(rig.Cells(), QStringLiteral("RGB"));
        QCOMPARE(rig.Matrix()->DrawType(), 2);
    }
};

ORVANE_TEST(ToolsTest)
#include "ToolsTest.moc"
