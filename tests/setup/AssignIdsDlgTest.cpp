#include "TestRegistry.h"
#include "AssignIdsScript.h"
#include "DataTable.h"
#include "../show/PlaybackRig.h"

#include "setup/AssignIdsDlg.h"
#include "setup/PatchBlock.h"
#include "widgets/REDOvoroz.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QMimeData>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

QList<int> Range(int first, int count, int step = 1)
{
    QList<int> list;
    for (int i = 0; i < count; ++i)
        list << first + i * step;
    return list;
}

// Three-channel fixtures with their patch blocks, one per place (universe *
// 512 + slot).
class CIdsRig : public CPlaybackRig
{
public:
    CIdsRig(const QList<int>& ids, const QList<int>& places)
    {
        CLibraryProfile* profile = RgbProfile();
        for (int i = 0; i < ids.size(); ++i) {
            CPatchedFixture* fixture = Patch(profile, places.at(i) / 512, places.at(i) % 512);
            fixture->m_id = ids.at(i);
            owned.push_back(std::make_unique<CPatchBlock>(profile, fixture->m_universe, fixture->m_address, -1));
            owned.back()->SetFixture(fixture);
            blocks << owned.back().get();
        }
    }
    // The ID each fixture takes on OK, in patch order.
    QString NewIds(const CAssignIdsDlg& dialog) const
    {
        QStringList ids;
        for (const CPatchBlock* block : blocks) {
            for (int n = 0; n < dialog.Count(); ++n) {
                if (dialog.FixtureAt(n) == block->m_fixture)
                    ids << QString::number(dialog.NewIdAt(n));
            }
        }
        return ids.join(QLatin1Char(' '));
    }
    // Places lit at 255 through the mask; -1 for any other byte not 0.
    QList<int> Lit() const
    {
        QList<int> lit;
        for (int u = 0; u < project.m_live.UniverseCount(); ++u) {
            for (int s = 0; s < CDmxLayer::kSlots; ++s) {
                const bool on = project.m_live[u][s] == 255 && project.m_liveMask[u][s] == 1;
                if (on || project.m_live[u][s] || project.m_liveMask[u][s])
                    lit << (on ? u * 512 + s : -1);
            }
        }
        return lit;
    }

    std::vector<std::unique_ptr<CPatchBlock>> owned;
    QList<CPatchBlock*> blocks;
};

bool Drawn(const QAction* action)
{
    return !action->icon().pixmap(16, 16).isNull();
}

} // namespace

class AssignIdsDlgTest : public QObject
{
    Q_OBJECT
private slots:
    void gridShape_data()
    {
        Columns<int, QSize>("count", "cells");
        QTest::newRow("five") << 5 << QSize(5, 1);
        QTest::newRow("a full row") << 20 << QSize(20, 1);
        QTest::newRow("one more") << 21 << QSize(20, 2);
        QTest::newRow("forty-one") << 41 << QSize(20, 3);
    }
    void gridShape()
    {
        const auto [count, cells] = Row<int, QSize>("count", "cells");
        CIdsRig rig(Range(1, count), Range(0, count, 3));
        CAssignIdsDlg dialog(rig.project, rig.blocks);
        QCOMPARE(QSize(dialog.Grid()->Columns(), dialog.Grid()->Rows()), cells);
        QCOMPARE(dialog.Grid()->GridSize(), cells * 30);
        QCOMPARE(dialog.findChild<QScrollArea*>()->maximumViewportSize(), cells * 30);
        QCOMPARE(dialog.Slider()->maximum(), count - 1);
    }

    // The dialog keeps the grid's size while it fits the screen; past
    // that the grid scrolls to its last row and OK stays on the screen.
    void manyFixturesFitTheScreen_data()
    {
        Columns<int>("count");
        for (int count : {20, 200, 400, 1000})
            QTest::newRow(qPrintable(QString::number(count))) << count;
    }
    void manyFixturesFitTheScreen()
    {
        const int count = std::get<0>(Row<int>("count"));
        CIdsRig rig(Range(1, count), Range(0, count, 1));
        QWidget mainWindow;
        CAssignIdsDlg dialog(rig.project, rig.blocks, &mainWindow);
        auto* scroll = dialog.findChild<QScrollArea*>();
        const QSize grid = dialog.Grid()->GridSize();
        const QSize available = mainWindow.screen()->availableGeometry().size();
        const int rest = dialog.sizeHint().height() - scroll->height();
        const bool fits = rest + grid.height() + 2 * scroll->frameWidth() <= available.height();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.height() <= available.height() && dialog.width() <= available.width());
        const auto* ok = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(dialog.rect().contains(ok->geometry()));
        if (fits) {
            QCOMPARE(scroll->viewport()->size(), grid);
        } else {
            QCOMPARE(scroll->verticalScrollBar()->maximum() + scroll->viewport()->height(), grid.height());
            QVERIFY(scroll->viewport()->width() >= grid.width() || scroll->horizontalScrollBar()->maximum() > 0);
        }
    }

    // Below a panel on a screen of 1280 x 1000 and asked to centre near its
    // top, the dialog and its window frame fit, a frame not known yet
    // counting as at least a usual title bar and border; a grid too tall
    // for it scrolls with its bar shown.
    void fitsWithItsFrame_data()
    {
        Columns<int, QList<int>, bool>("count", "frame", "scrolls"); // left, top, right, bottom
        QTest::newRow("1024, frame not known yet") << 1024 << QList<int>{0, 0, 0, 0} << true;
        QTest::newRow("1024, a thin frame") << 1024 << QList<int>{1, 20, 1, 1} << true;
        QTest::newRow("1024, a tall title bar") << 1024 << QList<int>{6, 64, 6, 6} << true;
        QTest::newRow("a row, frame not known yet") << 20 << QList<int>{0, 0, 0, 0} << false;
    }
    void fitsWithItsFrame()
    {
        const auto [count, sides, scrolls] = Row<int, QList<int>, bool>("count", "frame", "scrolls");
        const QMargins frame(sides[0], sides[1], sides[2], sides[3]);
        const QRect available(0, 30, 1280, 970);
        CIdsRig rig(Range(1, count), Range(0, count, 1));
        CAssignIdsDlg dialog(rig.project, rig.blocks);
        dialog.FitTo(available, frame, QPoint(640, 60));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QMargins framed = frame.isNull() ? QMargins(4, 30, 4, 4) : frame;
        QVERIFY(available.contains(dialog.geometry().marginsAdded(framed)));
        QVERIFY(dialog.rect().contains(dialog.findChild<QDialogButtonBox*>()->geometry()));
        const auto* scroll = dialog.findChild<QScrollArea*>();
        QCOMPARE(scroll->verticalScrollBar()->isVisible(), scrolls);
        QCOMPARE(scroll->viewport()->width(), dialog.Grid()->GridSize().width());
    }

    // Cells open in ID order; whatever the operator does, the fixture in
    // cell n takes the n-th opening ID.
    void order_data()
    {
        Columns<QList<int>, QList<int>, QString, QString, QString>("ids", "places", "script", "shown", "newIds");
        const QList<int> ids{1, 2, 3};
        const QList<int> spread{100, 1, 50};
        QTest::newRow("opens by ID") << QList<int>{3, 1, 2} << spread << "" << "1 2 3" << "3 1 2";
        QTest::newRow("shared IDs stay shared") << QList<int>{2, 1, 2} << spread << "0>2" << "2 2 1" << "2 2 1";
        QTest::newRow("chain of exchanges") << ids << spread << "0>1 1>2" << "2 3 1" << "3 1 2";
        QTest::newRow("on itself, past the cells") << ids << spread << "1>1 0>5 0>40" << "1 2 3" << "1 2 3";
        QStringList oneToTwentyOne;
        for (int id : Range(1, 21))
            oneToTwentyOne << QString::number(id);
        QTest::newRow("empty slots of the last row") << Range(1, 21) << Range(0, 21, 3) << "0>25 20>39 25>0"
                                                     << oneToTwentyOne.join(' ') << oneToTwentyOne.join(' ');
        QTest::newRow("by address") << ids << spread << "->" << "2 3 1" << "3 1 2";
        QTest::newRow("by address, descending") << ids << spread << "<-" << "1 3 2" << "1 3 2";
        QTest::newRow("universe first") << ids << QList<int>{512, 100, 5} << "->" << "3 2 1" << "3 2 1";
        QTest::newRow("equal places keep their order") << ids << QList<int>{10, 10, 0} << "->" << "3 1 2" << "2 3 1";
        QTest::newRow("exchange after a sort") << ids << spread << "-> 0>2" << "1 3 2" << "1 3 2";
    }
    void order()
    {
        const auto [ids, places, script] = Row<QList<int>, QList<int>, QString>("ids", "places", "script");
        CIdsRig rig(ids, places);
        CAssignIdsDlg dialog(rig.project, rig.blocks);
        RunIdScript(*dialog.Grid(), script);
        QTEST(ShownIds(*dialog.Grid()), "shown");
        QTEST(rig.NewIds(dialog), "newIds");
    }

    // Only the grid's own drags are taken; a drop elsewhere changes nothing.
    void dropEvents()
    {
        CIdsRig rig({1, 2, 3}, {0, 10, 20});
        CAssignIdsDlg dialog(rig.project, rig.blocks);
        CAssignIdsWnd& grid = *dialog.Grid();
        const auto drop = [&grid](const char* type, const QPoint& at) {
            QMimeData data;
            data.setData(QLatin1String(type), QByteArray());
            QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&grid, &enter);
            QDropEvent event(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&grid, &event);
            return event.isAccepted();
        };
        QVERIFY(grid.BeginDrag(QPoint(5, 5)));
        QVERIFY(!drop("image/zk-sceneline", QPoint(65, 5)));
        QCOMPARE(ShownIds(grid), QStringLiteral("1 2 3"));
        QVERIFY(drop("image/zk-fixtid", QPoint(65, 5)));
        QCOMPARE(ShownIds(grid), QStringLiteral("3 2 1"));
    }

    // The chase lights exactly one fixture and gives the live layer back,
    // byte for byte, however it ends.
    void chase_data()
    {
        Columns<bool>("destroy");
        QTest::newRow("stopped") << false;
        QTest::newRow("dialog destroyed") << true;
    }
    void chase()
    {
        QFETCH(bool, destroy);
        CIdsRig rig({1, 2, 3}, {0, 10, 512 + 500});
        FillLivePattern(rig.project);
        const QByteArray before = LiveBytes(rig.project);
        auto dialog = std::make_unique<CAssignIdsDlg>(rig.project, rig.blocks);
        for (const QAction* action : {dialog->PlayAction(), dialog->LeftToRightAction(), dialog->RightToLeftAction()})
            QVERIFY(Drawn(action));
        const QString sheet = dialog->findChild<QToolBar*>()->styleSheet();
        QVERIFY(QFile::exists(QRegularExpression(QStringLiteral("url\\(\"([^\"]+)\"\\)")).match(sheet).captured(1)));
        dialog->Play();
        QVERIFY(Drawn(dialog->PlayAction()));
        QVERIFY(dialog->Slider()->isEnabled());
        QVERIFY(rig.host.calls.contains(QStringLiteral("RefreshEffectState:-1")));
        QCOMPARE(LiveBytes(rig.project), before);
        for (int cell : {1, 2, 0, 1}) {
            dialog->OnTimer();
            QCOMPARE(dialog->Slider()->value(), cell);
            QCOMPARE(rig.Lit(), Range(QList<int>{0, 10, 512 + 500}.at(cell), 3));
        }
        dialog->Slider()->setValue(2);
        QCOMPARE(rig.Lit(), Range(512 + 500, 3));
        RunIdScript(*dialog->Grid(), QStringLiteral("0>1"));
        QCOMPARE(ShownIds(*dialog->Grid()), QStringLiteral("1 2 3")); // no drag while chasing

        if (destroy) {
            dialog.reset();
        } else {
            dialog->Play();
            QVERIFY(!dialog->Slider()->isEnabled() && !dialog->Timer()->isActive());
            QCOMPARE(dialog->Slider()->value(), 0);
        }
        QCOMPARE(LiveBytes(rig.project), before);
        QVERIFY(rig.host.calls.contains(QStringLiteral("RepaintLayoutView")));
    }

    // A block may stand where no slot is: the chase lights what lies inside
    // the project and nothing else, at every tick when it is the only one.
    void chaseBounds_data()
    {
        Columns<int, int, QList<int>>("universe", "start", "lit");
        QTest::newRow("last slots") << 1 << 509 << Range(512 + 509, 3);
        QTest::newRow("past the last slot") << 0 << 510 << QList<int>{510, 511};
        QTest::newRow("before the first slot") << 0 << -2 << QList<int>{0};
        QTest::newRow("universe past the project") << 4 << 0 << QList<int>{};
        QTest::newRow("negative universe") << -1 << 0 << QList<int>{};
    }
    void chaseBounds()
    {
        CIdsRig rig({7}, {0});
        std::tie(rig.blocks.first()->m_universe, rig.blocks.first()->m_start) = Row<int, int>("universe", "start");
        CAssignIdsDlg dialog(rig.project, rig.blocks);
        dialog.Play();
        for (int tick = 0; tick < 2; ++tick) {
            dialog.OnTimer();
            QTEST(rig.Lit(), "lit");
        }
        dialog.Play();
        QCOMPARE(rig.Lit(), QList<int>{});
    }
};

ORVANE_TEST(AssignIdsDlgTest)
#include "AssignIdsDlgTest.moc"
