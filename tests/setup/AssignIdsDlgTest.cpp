#include "TestRegistry.h"
#include "AssignIdsScript.h"
#include "../show/PlaybackRig.h"

#include "setup/AssignIdsDlg.h"
#include "setup/PatchBlock.h"
#include "widgets/REDOvoroz.h"

#include <QAction>
#include <QFile>
#include <QRegularExpression>
#include <QScrollArea>
#include <QToolBar>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

// Three-channel fixtures, one per place (universe * 512 + slot), each with
// its patch block as the fixtures window makes them.
class CIdsRig : public CPlaybackRig
{
public:
    void Add(const QList<int>& ids, const QList<int>& places)
    {
        CLibraryProfile* profile = RgbProfile();
        for (int i = 0; i < ids.size(); ++i) {
            CPatchedFixture* fixture = Patch(profile, places.at(i) / 512, places.at(i) % 512);
            fixture->m_id = ids.at(i);
            blocks.push_back(std::make_unique<CPatchBlock>(profile, fixture->m_universe, fixture->m_address, -1));
            blocks.back()->SetFixture(fixture);
            fixtures << fixture;
        }
    }
    QList<CPatchBlock*> Blocks() const
    {
        QList<CPatchBlock*> list;
        for (const auto& block : blocks)
            list << block.get();
        return list;
    }
    // The ID each fixture takes on OK, in the order they were added.
    QString NewIds(const CAssignIdsDlg& dialog) const
    {
        QStringList ids;
        for (const CPatchedFixture* fixture : fixtures) {
            int n = 0;
            while (n < dialog.Count() && dialog.FixtureAt(n) != fixture)
                ++n;
            ids << QString::number(dialog.NewIdAt(n));
        }
        return ids.join(QLatin1Char(' '));
    }
    // Slots (universe * 512 + slot) the live layer drives at 255; -1 for
    // any other byte of the live layer or mask that is not 0.
    QList<int> Lit() const
    {
        QList<int> lit;
        for (int u = 0; u < project.m_live.UniverseCount(); ++u) {
            for (int s = 0; s < CDmxLayer::kSlots; ++s) {
                const int level = project.m_live[u][s];
                const int mask = project.m_liveMask[u][s];
                if (level == 255 && mask == 1)
                    lit << u * 512 + s;
                else if (level || mask)
                    lit << -1;
            }
        }
        return lit;
    }

    std::vector<std::unique_ptr<CPatchBlock>> blocks;
    QList<CPatchedFixture*> fixtures;
};

QList<int> Range(int first, int count, int step = 1)
{
    QList<int> list;
    for (int i = 0; i < count; ++i)
        list << first + i * step;
    return list;
}

QString Joined(const QList<int>& list)
{
    QStringList words;
    for (int value : list)
        words << QString::number(value);
    return words.join(QLatin1Char(' '));
}

QList<int> Channels(int place, int count = 3)
{
    return Range(place, count);
}

} // namespace

class AssignIdsDlgTest : public QObject
{
    Q_OBJECT
private slots:
    void gridShape_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QSize>("cells");
        QTest::newRow("one") << 1 << QSize(1, 1);
        QTest::newRow("five") << 5 << QSize(5, 1);
        QTest::newRow("a full row") << 20 << QSize(20, 1);
        QTest::newRow("one more") << 21 << QSize(20, 2);
        QTest::newRow("forty-one") << 41 << QSize(20, 3);
    }
    void gridShape()
    {
        QFETCH(int, count);
        QFETCH(QSize, cells);
        CIdsRig rig;
        rig.Add(Range(1, count), Range(0, count, 3));
        CAssignIdsDlg dialog(rig.project, rig.Blocks());
        QCOMPARE(QSize(dialog.Grid()->Columns(), dialog.Grid()->Rows()), cells);
        QCOMPARE(dialog.Grid()->GridSize(), cells * 30);
        QCOMPARE(dialog.findChild<QScrollArea*>()->maximumViewportSize(), cells * 30);
        QCOMPARE(dialog.Slider()->maximum(), count - 1);
    }

    // Cells open in ID order; whatever the operator does, the fixture in
    // cell n takes the n-th opening ID.
    void order_data()
    {
        QTest::addColumn<QList<int>>("ids");
        QTest::addColumn<QList<int>>("places");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("newIds");
        const QList<int> spread{100, 1, 50};
        QTest::newRow("opens by ID") << QList<int>{3, 1, 2} << spread << "" << "1 2 3" << "3 1 2";
        QTest::newRow("shared IDs stay shared") << QList<int>{2, 1, 2} << spread << "0>2" << "2 2 1" << "2 2 1";
        QTest::newRow("one exchange") << QList<int>{1, 2, 3} << spread << "0>1" << "2 1 3" << "2 1 3";
        QTest::newRow("chain of exchanges") << QList<int>{1, 2, 3} << spread << "0>1 1>2" << "2 3 1" << "3 1 2";
        QTest::newRow("exchange and back") << QList<int>{1, 2, 3} << spread << "0>1 1>0" << "1 2 3" << "1 2 3";
        QTest::newRow("drop on itself") << QList<int>{1, 2, 3} << spread << "1>1" << "1 2 3" << "1 2 3";
        QTest::newRow("drop past the cells") << QList<int>{1, 2, 3} << spread << "0>5 0>40" << "1 2 3" << "1 2 3";
        QTest::newRow("drop on an empty slot of the last row")
            << Range(1, 21) << Range(0, 21, 3) << "0>25 20>39" << Joined(Range(1, 21)) << Joined(Range(1, 21));
        QTest::newRow("press on an empty slot") << Range(1, 21) << Range(0, 21, 3) << "25>0" << Joined(Range(1, 21))
                                                << Joined(Range(1, 21));
        QTest::newRow("by address") << QList<int>{1, 2, 3} << spread << "->" << "2 3 1" << "3 1 2";
        QTest::newRow("by address, descending") << QList<int>{1, 2, 3} << spread << "<-" << "1 3 2" << "1 3 2";
        QTest::newRow("universe before address")
            << QList<int>{1, 2, 3} << QList<int>{512, 100, 5} << "->" << "3 2 1" << "3 2 1";
        QTest::newRow("equal places keep their order")
            << QList<int>{1, 2, 3} << QList<int>{10, 10, 0} << "->" << "3 1 2" << "2 3 1";
        QTest::newRow("equal places, descending") << QList<int>{1, 2, 3} << QList<int>{10, 10, 0} << "<-" << "1 2 3"
                                                  << "1 2 3";
        QTest::newRow("exchange after a sort") << QList<int>{1, 2, 3} << spread << "-> 0>2" << "1 3 2" << "1 3 2";
    }
    void order()
    {
        QFETCH(QList<int>, ids);
        QFETCH(QList<int>, places);
        QFETCH(QString, script);
        CIdsRig rig;
        rig.Add(ids, places);
        CAssignIdsDlg dialog(rig.project, rig.Blocks());
        RunIdScript(*dialog.Grid(), script);
        QTEST(ShownIds(*dialog.Grid()), "shown");
        QTEST(rig.NewIds(dialog), "newIds");
    }

    // The chase lights exactly one fixture and gives the live layer back,
    // byte for byte, however it ends.
    void chase_data()
    {
        QTest::addColumn<bool>("destroy");
        QTest::newRow("stopped") << false;
        QTest::newRow("dialog destroyed") << true;
    }
    void chase()
    {
        QFETCH(bool, destroy);
        CIdsRig rig;
        rig.Add({1, 2, 3}, {0, 10, 512 + 500});
        FillLivePattern(rig.project);
        const QByteArray before = LiveBytes(rig.project);
        auto dialog = std::make_unique<CAssignIdsDlg>(rig.project, rig.Blocks());
        dialog->Play();
        QVERIFY(dialog->Grid()->IsChasing());
        QVERIFY(dialog->Slider()->isEnabled());
        QCOMPARE(dialog->Timer()->interval(), 120);
        QVERIFY(rig.host.calls.contains(QStringLiteral("RefreshEffectState:-1")));
        QCOMPARE(LiveBytes(rig.project), before);

        for (int expected : {1, 2, 0, 1}) {
            dialog->OnTimer();
            QCOMPARE(dialog->Slider()->value(), expected);
            QCOMPARE(rig.Lit(), Channels(rig.fixtures.at(expected)->m_universe * 512
                                         + rig.fixtures.at(expected)->m_address));
        }
        dialog->Slider()->setValue(2);
        QCOMPARE(rig.Lit(), Channels(512 + 500));
        // No drag while the chase runs.
        RunIdScript(*dialog->Grid(), QStringLiteral("0>1"));
        QCOMPARE(ShownIds(*dialog->Grid()), QStringLiteral("1 2 3"));

        if (destroy) {
            dialog.reset();
        } else {
            dialog->Play();
            QVERIFY(!dialog->Grid()->IsChasing());
            QVERIFY(!dialog->Slider()->isEnabled());
            QCOMPARE(dialog->Slider()->value(), 0);
            QVERIFY(!dialog->Timer()->isActive());
        }
        QCOMPARE(LiveBytes(rig.project), before);
        QVERIFY(rig.host.calls.contains(QStringLiteral("RepaintLayoutView")));
    }

    // A block may stand where no slot is: the chase lights what lies inside
    // the project and nothing else.
    void chaseBounds_data()
    {
        QTest::addColumn<int>("universe");
        QTest::addColumn<int>("start");
        QTest::addColumn<QList<int>>("lit");
        QTest::newRow("first slot") << 0 << 0 << Channels(0);
        QTest::newRow("last slots") << 1 << 509 << Channels(512 + 509);
        QTest::newRow("past the last slot") << 0 << 510 << QList<int>{510, 511};
        QTest::newRow("before the first slot") << 0 << -2 << QList<int>{0};
        QTest::newRow("universe past the project") << 4 << 0 << QList<int>{};
        QTest::newRow("negative universe") << -1 << 0 << QList<int>{};
    }
    void chaseBounds()
    {
        QFETCH(int, universe);
        QFETCH(int, start);
        CIdsRig rig;
        rig.Add({7}, {0});
        rig.blocks.front()->m_universe = universe;
        rig.blocks.front()->m_start = start;
        const QByteArray before = LiveBytes(rig.project);
        CAssignIdsDlg dialog(rig.project, rig.Blocks());
        dialog.Play();
        for (int tick = 0; tick < 2; ++tick) {
            dialog.OnTimer();
            QTEST(rig.Lit(), "lit");
        }
        dialog.Play();
        QCOMPARE(LiveBytes(rig.project), before);
    }

    void pictures()
    {
        CIdsRig rig;
        rig.Add({1}, {0});
        CAssignIdsDlg dialog(rig.project, rig.Blocks());
        const auto drawn = [](const QAction* action) { return !action->icon().pixmap(16, 16).isNull(); };
        QVERIFY(drawn(dialog.PlayAction()));
        QVERIFY(drawn(dialog.LeftToRightAction()));
        QVERIFY(drawn(dialog.RightToLeftAction()));
        dialog.Play();
        QVERIFY(drawn(dialog.PlayAction()));
        const QString sheet = dialog.findChild<QToolBar*>()->styleSheet();
        const QString url = QRegularExpression(QStringLiteral("url\\(\"([^\"]+)\"\\)")).match(sheet).captured(1);
        QVERIFY2(QFile::exists(url), qPrintable(url));
    }
};

ORVANE_TEST(AssignIdsDlgTest)
#include "AssignIdsDlgTest.moc"
