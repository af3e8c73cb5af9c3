#include "TestRegistry.h"

#include "PanelsRig.h"
#include "panels/MiniPresetList.h"
#include "panels/PresetDragData.h"

#include <QLayout>
#include <QMimeData>
#include <QScrollArea>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A profile of `count` gobo channels with one preset each; one fixture of it.
CLibraryProfile* Gobos(CPanelsRig& rig, int count)
{
    CLibraryProfile* profile = rig.Profile();
    for (int i = 0; i < count; ++i)
        CPanelsRig::Channel(profile, ChannelType::GoboWheel, QStringLiteral("Open"));
    profile->UpdateRoles();
    return profile;
}

// Records of the gobo controls, set before they are built: (column, half,
// display mode, size) per control.
void Records(CPanelsRig& rig, CLibraryProfile* profile, const QList<QList<int>>& records)
{
    CGroup* group = rig.project.m_currentGroup;
    for (int i = 0; i < records.size(); ++i) {
        CPresetConfig* config = group->GetPresetConfig(profile, ChannelType::GoboWheel, i);
        config->m_x = records[i][0];
        config->m_y = records[i][1];
        config->m_displayType = records[i][2];
        config->m_displaySize = records[i][3];
    }
}

// Each column as "top/bottom" control ids ("-" for an empty half).
QStringList Columns(const CPresetsWnd& wnd)
{
    QStringList columns;
    const auto id = [](const CPresetCtrl* control) { return control ? QString::number(control->Id()) : "-"; };
    for (int i = 0; i < wnd.ColumnCount(); ++i)
        columns << id(wnd.TopControl(i)) + "/" + id(wnd.BottomControl(i));
    return columns;
}

void Drop(CPresetsWnd& wnd, const QString& format, const QByteArray& data, const QPoint& pos)
{
    QMimeData mime;
    mime.setData(format, data);
    QDropEvent event(pos, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    // Straight to the window: the application hands drops only to the
    // target of a running drag.
    static_cast<QObject&>(wnd).event(&event);
}

} // namespace

class PresetsLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void stripGrowsAndGivesBack()
    {
        CPanelsRig rig;
        rig.Select({rig.Patch(Gobos(rig, 3), 0, 0)});
        CMiniPresetList strip;
        QSignalSpy maximized(&strip, &CMiniPresetList::maximize);
        for (int i = 0; i < 3; ++i)
            strip.Add(rig.Ctrl(i));
        QCOMPARE(strip.height(), 60);
        QTest::mouseClick(&strip, Qt::LeftButton, Qt::NoModifier, QPoint(10, 25));
        QCOMPARE(maximized.takeFirst().value(0).toInt(), 1);
        QCOMPARE(strip.height(), 40);
        QTest::mouseClick(&strip, Qt::LeftButton, Qt::NoModifier, QPoint(10, 45)); // below the rows
        QCOMPARE(maximized.count(), 0);
        QTest::mouseClick(&strip, Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
        QTest::mouseClick(&strip, Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
        QCOMPARE(strip.height(), 0);
        strip.Clear();
        QCOMPARE(strip.height(), 20);
    }

    // Records as a file may hold them, and the columns they give.
    void placesControlsByRecord_data()
    {
        QTest::addColumn<QList<QList<int>>>("records");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QList<int>>("modeAndSize");
        using R = QList<QList<int>>;
        QTest::newRow("new records: a column each") << R{{-1, -1, -1, -1}, {-1, -1, -1, -1}}
                                                    << QStringList{"0/-", "1/-"} << QList<int>{2, 0};
        QTest::newRow("one half twice: two columns")
            << R{{0, 0, 0, 1}, {0, 0, 0, 1}} << QStringList{"0/-", "1/-"} << QList<int>{0, 1};
        QTest::newRow("both halves: one column")
            << R{{0, 1, 1, 1}, {0, 0, 1, 1}} << QStringList{"1/0"} << QList<int>{1, 1};
        QTest::newRow("column far away: one new column")
            << R{{1000000, 0, 9, 5}, {-1, -1, -1, -1}} << QStringList{"0/-", "1/-"} << QList<int>{2, 0};
        QTest::newRow("minimised") << R{{-2, 0, 2, 0}, {-7, 0, 2, 0}} << QStringList{} << QList<int>{2, 0};
    }
    void placesControlsByRecord()
    {
        QFETCH(QList<QList<int>>, records);
        QFETCH(QStringList, columns);
        QFETCH(QList<int>, modeAndSize);
        CPanelsRig rig;
        CLibraryProfile* profile = Gobos(rig, 2);
        Records(rig, profile, records);
        rig.Select({rig.Patch(profile, 0, 0)});
        QCOMPARE(Columns(rig.wnd), columns);
        QCOMPARE(QList<int>({rig.Ctrl(0)->DisplayMode(), rig.Ctrl(0)->Size()}), modeAndSize);
        QCOMPARE(rig.wnd.MinimisedStrip()->Controls().size(), columns.isEmpty() ? 2 : 0);
        QCOMPARE(rig.wnd.StripArea()->isVisibleTo(&rig.wnd), !rig.wnd.MinimisedStrip()->IsEmpty());
    }

    void minimisedControlComesBackToTheStrip()
    {
        CPanelsRig rig;
        CLibraryProfile* profile = Gobos(rig, 2);
        CPatchedFixture* fixture = rig.Patch(profile, 0, 0);
        rig.Select({fixture});
        rig.Ctrl(0)->OnMinimize();
        QCOMPARE(Columns(rig.wnd), QStringList{"1/-"}); // the empty column is gone
        QCOMPARE(rig.Ctrl(0)->Config()->m_x, -2);
        QCOMPARE(rig.Ctrl(1)->Config()->m_x, 0);
        rig.Select({rig.Patch(Gobos(rig, 1), 0, 10)});
        rig.Select({fixture});
        QCOMPARE(rig.wnd.MinimisedStrip()->Controls(), QList<CPresetCtrl*>{rig.Ctrl(0)});
        QVERIFY(rig.wnd.StripArea()->isVisibleTo(&rig.wnd));
        QTest::mouseClick(rig.wnd.MinimisedStrip(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
        QCOMPARE(Columns(rig.wnd), (QStringList{"1/-", "0/-"}));
        QVERIFY(!rig.wnd.StripArea()->isVisibleTo(&rig.wnd));
        QVERIFY(!rig.Ctrl(0)->IsMinimised());
        rig.Flush();
    }

    void dropFillsTheFreeHalfOfALoneSmallControl()
    {
        CPanelsRig rig;
        CLibraryProfile* profile = Gobos(rig, 3);
        Records(rig, profile, {{0, 0, 2, 1}, {1, 0, 2, 0}, {2, 0, 2, 0}});
        rig.Select({rig.Patch(profile, 0, 0)});
        rig.wnd.show();
        rig.wnd.layout()->activate();
        const QRect small = rig.Ctrl(0)->geometry();
        bool found = false;
        QCOMPARE(rig.wnd.FindDropColumn(small.center(), &found), 0);
        QVERIFY(found);
        QCOMPARE(rig.wnd.DropHighlight(), small.translated(0, 164));
        QCOMPARE(rig.wnd.FindDropColumn(QPoint(rig.wnd.width() - 100, 5), &found), -1);
        QVERIFY(!found);

        Drop(rig.wnd, kPresetWndMimeType, EncodePresetDragId(1), small.center());
        QCOMPARE(Columns(rig.wnd), (QStringList{"0/1", "2/-"}));
        QCOMPARE(rig.Ctrl(1)->Size(), int(CPresetCtrl::SizeSmall));
        QCOMPARE(QList<int>({rig.Ctrl(1)->Config()->m_x, rig.Ctrl(1)->Config()->m_y}), QList<int>({0, 1}));
        QVERIFY(!rig.wnd.DropHighlight().isValid());

        rig.wnd.OnDropPreset(2, 0); // onto a control: a column right of it
        QCOMPARE(Columns(rig.wnd), (QStringList{"0/1", "2/-"}));
        rig.Ctrl(1)->OnDisplayBig(); // big: a column of its own, right of the one it shared
        QCOMPARE(Columns(rig.wnd), (QStringList{"0/-", "1/-", "2/-"}));
    }

    void badDropsChangeNothing_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("dragged");
        QTest::addColumn<int>("target");
        QTest::newRow("onto itself") << QString() << QByteArray() << 0 << 0;
        QTest::newRow("unknown dragged id") << QString() << QByteArray() << 42 << 0;
        QTest::newRow("unknown target id") << QString() << QByteArray() << 0 << -9;
        QTest::newRow("other format") << "text/plain" << EncodePresetDragId(1) << 0 << 0;
        QTest::newRow("truncated data") << QString(kPresetWndMimeType) << QByteArray("\x00\x01", 2) << 0 << 0;
        QTest::newRow("unknown id dropped") << QString(kPresetWndMimeType) << EncodePresetDragId(77) << 0 << 0;
    }
    void badDropsChangeNothing()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, data);
        QFETCH(int, dragged);
        QFETCH(int, target);
        CPanelsRig rig;
        CLibraryProfile* profile = Gobos(rig, 2);
        Records(rig, profile, {{0, 0, 2, 1}, {1, 0, 2, 1}});
        rig.Select({rig.Patch(profile, 0, 0)});
        rig.wnd.show();
        rig.wnd.layout()->activate();
        const QStringList before = Columns(rig.wnd);
        if (format.isEmpty())
            rig.wnd.OnDropPreset(dragged, target);
        else
            Drop(rig.wnd, format, data, rig.Ctrl(0)->geometry().center());
        QCOMPARE(Columns(rig.wnd), before);
    }
};

ORVANE_TEST(PresetsLayoutTest)
#include "PresetsLayoutTest.moc"
