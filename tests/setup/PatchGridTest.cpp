#include "TestRegistry.h"
#include "SetupRig.h"

#include "app/options/AppOptions.h"
#include "setup/ZKTabWidget.h"
#include "show/ShowBounds.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QTabBar>

namespace {

// The dialog shown and large enough for the grids to have real cells.
void Show(CSetupRig& rig)
{
    rig.dialog->resize(1400, 900);
    rig.dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.dialog.get()));
}

QPoint CellCenter(const CPatchWnd& grid, int channel)
{
    return grid.CellRect(channel).center();
}

// QTest moves the pointer without its buttons; a drag needs the button held.
void MoveHeld(CPatchWnd& grid, const QPoint& to)
{
    QMouseEvent move(QEvent::MouseMove, to, grid.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&grid, &move);
}

void Drag(CPatchWnd& grid, const QPoint& from, const QPoint& to)
{
    QTest::mousePress(&grid, Qt::LeftButton, Qt::NoModifier, from);
    MoveHeld(grid, to);
    QTest::mouseRelease(&grid, Qt::LeftButton, Qt::NoModifier, to);
}

// A drag of the list's current profile entered, moved and dropped at `pos`.
void DropProfile(CSetupRig& rig, CPatchWnd& grid, const QPoint& pos)
{
    std::unique_ptr<QMimeData> data(rig.Tab().ProfileList()->CurrentMimeData());
    QVERIFY(data);
    QDragEnterEvent enter(pos, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&grid, &enter);
    QDragMoveEvent move(pos, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&grid, &move);
    QDropEvent drop(pos, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&grid, &drop);
}

} // namespace

class PatchGridTest : public QObject
{
    Q_OBJECT

private slots:
    void gridIsCentredInWholeCells()
    {
        CSetupRig rig;
        CPatchWnd grid(0, 512, &rig.Tab());
        grid.setAttribute(Qt::WA_DontShowOnScreen);
        grid.setWindowFlags(Qt::Window);
        grid.resize(100, 50);
        grid.show();
        QCOMPARE(grid.CellSize(), QSize(3, 3));
        QCOMPARE(grid.GridRect(), QRect(1, 0, 97, 49));
        QCOMPARE(grid.ChannelAt(QPoint(1, 0)), 0);
        QCOMPARE(grid.ChannelAt(QPoint(96, 47)), 511);
        QCOMPARE(grid.ChannelAt(QPoint(0, 10)), -1);
        QCOMPARE(grid.ChannelAt(QPoint(98, 1)), -1);
        grid.resize(30, 10);
        QApplication::processEvents();
        QCOMPARE(grid.ChannelAt(QPoint(1, 1)), -1);
        QTest::mousePress(&grid, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
        QCOMPARE(grid.Mode(), int(CPatchWnd::NoMode));
    }

    void marginsTakeThePanelBackground_data()
    {
        QTest::addColumn<bool>("withOptions");
        QTest::addColumn<QColor>("margin");
        QTest::newRow("chosen colour") << true << QColor(10, 120, 30);
        QTest::newRow("no options: default") << false << QColor(175, 175, 170);
    }
    void marginsTakeThePanelBackground()
    {
        QFETCH(bool, withOptions);
        CSetupRig rig;
        CAppOptions options;
        options.m_panelBackground = QColor(10, 120, 30);
        rig.host.options = withOptions ? &options : nullptr;
        CPatchWnd grid(0, 512, &rig.Tab());
        grid.setAttribute(Qt::WA_DontShowOnScreen);
        grid.setWindowFlags(Qt::Window);
        grid.resize(100, 50);
        grid.show();
        // The grid spans x 1 to 97: columns 0 and 98 are margin.
        const QImage image = grid.grab().toImage();
        QTEST(QColor(image.pixel(0, 20)), "margin");
        QTEST(QColor(image.pixel(98, 20)), "margin");
        rig.host.options = nullptr;
    }

    void movingTheSelection_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("warnings");
        QTest::newRow("free place") << 512 << 40 << 40 << 0;
        QTest::newRow("onto another block") << 512 << 25 << 0 << 0;
        QTest::newRow("past the universe's channels") << 100 << 200 << 0 << 1;
        QTest::newRow("held at the universe's end") << 512 << 510 << 502 << 0;
    }
    void movingTheSelection()
    {
        QFETCH(int, channels);
        QFETCH(int, target);
        QFETCH(int, start);
        QFETCH(int, warnings);
        CSetupRig rig(2, {}, channels);
        Show(rig);
        CLibraryProfile* profile = rig.Edit(QStringLiteral("Par.kvp"), 10);
        CPatchBlock* moved = rig.AddBlock(profile, 0, 0);
        rig.AddBlock(profile, 0, 20);
        CPatchWnd& grid = *rig.Tab().Grid(0);
        Drag(grid, CellCenter(grid, 0), CellCenter(grid, target));
        QCOMPARE(moved->m_start, start);
        QVERIFY(!moved->m_overlap);
        QCOMPARE(rig.Messages(QStringLiteral("Address max exceeded")), warnings);
    }

    void pressesThatStartNoBlockMove()
    {
        CSetupRig rig;
        Show(rig);
        CLibraryProfile* profile = rig.Edit(QStringLiteral("Par.kvp"), 10);
        CPatchBlock* block = rig.AddBlock(profile, 0, 32);
        CPatchWnd& grid = *rig.Tab().Grid(0);

        // Shift on a block draws a band, which then selects what it crosses.
        QTest::mousePress(&grid, Qt::LeftButton, Qt::ShiftModifier, CellCenter(grid, 33));
        QCOMPARE(grid.Mode(), int(CPatchWnd::BandMode));
        QTest::mouseRelease(&grid, Qt::LeftButton, Qt::ShiftModifier, CellCenter(grid, 33));
        QCOMPARE(rig.Tab().Selection(), QList<CPatchBlock*>{block});

        // Right of the grid on the first row is no channel, not the next row's first.
        const QRect area = grid.GridRect();
        const QPoint margin(area.right() + 1, CellCenter(grid, 0).y());
        QTest::mouseClick(&grid, Qt::LeftButton, Qt::NoModifier, margin);
        QVERIFY(rig.Tab().Selection().isEmpty());

        // A band from bottom-right to top-left selects the same block.
        Drag(grid, CellCenter(grid, 70), CellCenter(grid, 40));
        QCOMPARE(rig.Tab().Selection(), QList<CPatchBlock*>{block});
    }

    void draggingOntoAnotherUniverseTabMovesTheSelection()
    {
        CSetupRig rig;
        Show(rig);
        CLibraryProfile* profile = rig.Edit(QStringLiteral("Par.kvp"), 10);
        CPatchBlock* block = rig.AddBlock(profile, 0, 0);
        CPatchWnd& grid = *rig.Tab().Grid(0);
        QTabBar* bar = rig.Tab().GridTabs()->tabBar();
        const QPoint overTab = grid.mapFromGlobal(bar->mapToGlobal(bar->tabRect(1).center()));
        QTest::mousePress(&grid, Qt::LeftButton, Qt::NoModifier, CellCenter(grid, 0));
        MoveHeld(grid, overTab);
        QCOMPARE(block->m_universe, 1);
        QCOMPARE(rig.Tab().GridTabs()->currentIndex(), 1);
        QCOMPARE(rig.Tab().Grid(1)->Mode(), int(CPatchWnd::MoveMode));
        QTest::mouseRelease(rig.Tab().Grid(1), Qt::LeftButton, Qt::NoModifier, CellCenter(grid, 0));
        QCOMPARE(block->m_universe, 1);
        QCOMPARE(rig.Tab().Selection(), QList<CPatchBlock*>{block});
    }

    void droppingAProfile_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<bool>("full");
        QTest::newRow("free place") << 100 << 2 << false;
        QTest::newRow("onto a block") << 3 << 1 << false;
        // A dropped profile is a copy of its own: a block more in the patch.
        QTest::newRow("free place, patch at its bound") << 100 << int(CShowBounds::Bound(CShowBounds::PatchBlocks))
                                                        << true;
    }
    void droppingAProfile()
    {
        QFETCH(int, channel);
        QFETCH(int, blocks);
        QFETCH(bool, full);
        CSetupRig rig(full ? 9 : 2, {{QStringLiteral("Wash.kvp"), 6}});
        Show(rig);
        rig.AddBlock(MakeProfile(QStringLiteral("Own.kvp"), 10), 0, 0);
        rig.project.m_library << rig.Tab().m_blocks.first()->m_profile;
        for (int b = 1; full && b < CShowBounds::Bound(CShowBounds::PatchBlocks); ++b) {
            rig.project.m_library << MakeProfile(QStringLiteral("P%1.kvp").arg(b), 1);
            rig.AddBlock(rig.project.m_library.last(), 1 + (b - 1) / 512, (b - 1) % 512);
        }
        const int library = rig.project.m_library.size();
        rig.Tab().ProfileList()->setCurrentRow(0);
        CPatchWnd& grid = *rig.Tab().Grid(0);
        DropProfile(rig, grid, CellCenter(grid, channel));
        QCOMPARE(rig.Tab().m_blocks.size(), blocks);
        QVERIFY(!grid.Preview());
        QCOMPARE(rig.Messages(QStringLiteral("Address max exceeded")), 0);
        QCOMPARE(rig.Messages(CShowBounds::ShowHoldsTooMany(CShowBounds::PatchBlocks)), full ? 1 : 0);
        if (full)
            QCOMPARE(rig.project.m_library.size(), library);
        if (blocks != 2)
            return;
        const CPatchBlock* dropped = rig.Tab().m_blocks.last();
        QCOMPARE(dropped->m_start, channel);
        QCOMPARE(dropped->m_name, QStringLiteral("Wash.2"));
        DropProfile(rig, grid, CellCenter(grid, 200));
        QCOMPARE(rig.Tab().m_blocks.size(), 3);
        QVERIFY(rig.Tab().m_blocks[1]->m_profile != rig.Tab().m_blocks[2]->m_profile);
        for (const CPatchBlock* block : rig.Tab().m_blocks.mid(1)) {
            QVERIFY(rig.project.m_library.contains(block->m_profile));
            QVERIFY(rig.project.m_addedProfiles.contains(block->m_profile));
        }
    }

    void aShiftClickOnAMatrixMemberTakesItsUniverseOnly()
    {
        CSetupRig rig;
        Show(rig);
        CLibraryProfile* profile = rig.Edit(QStringLiteral("Led.kvp"), 3);
        QList<CPatchBlock*> members;
        for (int u : {0, 0, 1}) {
            members << new CPatchBlock(profile, u, members.size() * 3, 1);
            rig.Tab().AppendBlock(members.last());
        }
        CPatchWnd& grid = *rig.Tab().Grid(0);
        QTest::mouseClick(&grid, Qt::LeftButton, Qt::NoModifier, CellCenter(grid, 3));
        QCOMPARE(rig.Tab().Selection(), QList<CPatchBlock*>{members[1]});
        rig.Tab().SelectBlock(members[1], false, true, true);
        QCOMPARE(rig.Tab().Selection(), (QList<CPatchBlock*>{members[1], members[0]}));
    }
};

ORVANE_TEST(PatchGridTest)
#include "PatchGridTest.moc"
