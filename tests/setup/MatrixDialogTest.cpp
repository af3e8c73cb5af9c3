#include "TestRegistry.h"
#include "MatrixRig.h"
#include "SetupRig.h"
#include "DataTable.h"

#include "setup/MatrixDlg.h"
#include "setup/MatrixDlgBuilder.h"
#include "setup/MatrixWnd.h"
#include "widgets/REDOvoroz.h"

#include <QAction>
#include <QCheckBox>
#include <QDrag>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>

namespace {

const QString kNoFreeAddress = QStringLiteral("No more free address available.");

// A project of two universes and a matrix dialog of 3-channel fixtures.
struct CMatrixRig
{
    CRecordingHost host;
    CProject project;
    std::unique_ptr<CLibraryProfile> profile;
    std::unique_ptr<CMatrixDlg> dialog;

    explicit CMatrixRig(int channels = 3, int columns = 2, int rows = 2, int limit = 1024)
        : profile(MakeProfile(QStringLiteral("Bar.kvp"), channels))
    {
        project.NewProject(2);
        dialog = std::make_unique<CMatrixDlg>(project, profile.get(), 0, 0, columns, rows, limit, 340);
    }
    CMatrixWnd& Grid() const { return *dialog->Grid(); }
    QPoint Centre(int column, int row) const { return Grid().Cells().Square(column, row).center(); }
    int Messages(const QString& text) const { return host.calls.filter(text).size(); }
};

} // namespace

class MatrixDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void previewGivesThePlaybackLayerBack_data()
    {
        QTest::addColumn<bool>("byClosing");
        QTest::newRow("stop") << false;
        QTest::newRow("close while playing") << true;
    }
    void previewGivesThePlaybackLayerBack()
    {
        QFETCH(bool, byClosing);
        CMatrixRig rig;
        CDmxLayer& layer = rig.project.m_playback;
        layer[0][5] = 77;
        layer[1][0] = 9;
        rig.dialog->Play();
        rig.dialog->OnTimer();
        QCOMPARE(QList<int>({layer[0][2], layer[0][3], layer[0][5], layer[0][6], layer[1][0]}),
                 QList<int>({0, 255, 255, 0, 0}));
        QVERIFY(rig.host.calls.contains(QStringLiteral("RepaintLayoutView")));
        QVERIFY(!rig.dialog->ColumnsSpin()->isEnabled() && rig.dialog->Slider()->isEnabled());
        QVERIFY(!rig.Grid().grab().isNull());
        if (byClosing)
            rig.dialog->done(QDialog::Rejected);
        else
            rig.dialog->Play();
        QVERIFY(!rig.Grid().IsPlaying());
        QCOMPARE(QList<int>({layer[0][3], layer[0][5], layer[1][0]}), QList<int>({0, 77, 9}));
        QVERIFY(rig.dialog->ColumnsSpin()->isEnabled() && !rig.dialog->Slider()->isEnabled());
    }

    void patchSettingsChangedWhilePlaying()
    {
        CMatrixRig rig(3, 10, 10);
        rig.dialog->Play();
        rig.dialog->Slider()->setValue(99);
        QVERIFY(!rig.dialog->FirstAddressCombo()->isEnabled());
        rig.dialog->FirstAddressCombo()->setCurrentIndex(500); // 4 a universe: a 2 x 3 grid
        rig.dialog->OnTimer();
        rig.dialog->Slider()->setValue(99);
        QCOMPARE(rig.Grid().StepCount(), 6);
        rig.dialog->Play();
        QVERIFY(rig.dialog->FirstAddressCombo()->isEnabled());
    }

    void beamPreviewLightsTheBeamsChannels()
    {
        CMatrixRig rig;
        rig.profile->m_beams.resize(2);
        rig.profile->CurrentMode()->m_channels[0]->m_beams = QByteArray(1, 0);
        rig.profile->CurrentMode()->m_channels[1]->m_beams = QByteArray(1, 1);
        CMatrixWnd grid(rig.profile.get(), 0, 0, 1024, 2, 2, 1, nullptr);
        grid.SetProject(&rig.project);
        grid.SetZoom(1);
        grid.StartPreview();
        QCOMPARE(grid.StepCount(), 4);
        grid.ShowPreviewStep(3); // second fixture, second beam
        QVERIFY(!grid.grab().isNull());
        const CDmxLayer& layer = rig.project.m_playback;
        QCOMPARE(QList<int>({layer[0][3], layer[0][4], layer[0][5], layer[0][1]}), QList<int>({0, 255, 255, 0}));
    }

    void patchSettingsSetTheGrid_data()
    {
        Columns<int, int, int, QString, QString>("channels", "first", "perUniverse", "last", "cells");
        QTest::newRow("3ch") << 3 << 0 << 170 << "510" << "1@0 2@3|3@6 4@9";
        QTest::newRow("first address moved") << 3 << 10 << 167 << "511" << "1@10 2@13|3@16 4@19";
        // One entry: no change signal, the grid is set all the same.
        QTest::newRow("one fixture a universe") << 300 << 0 << 1 << "300" << "1@0";
    }
    void patchSettingsSetTheGrid()
    {
        const auto [channels, first] = Row<int, int>("channels", "first");
        CMatrixRig rig(channels);
        rig.dialog->FirstAddressCombo()->setCurrentIndex(first);
        QTEST(rig.dialog->PerUniverseCombo()->count(), "perUniverse");
        QTEST(rig.dialog->LastAddressLabel()->text(), "last");
        QTEST(Squares(rig.Grid().Cells(), true), "cells");
        QCOMPARE(rig.dialog->ColumnsSpin()->value() * rig.dialog->RowsSpin()->value(), rig.Grid().Cells().CellCount());
    }

    void sizesStayWithinCapacity()
    {
        CMatrixRig rig(3, 2, 2, 12); // four fixtures fit
        QCOMPARE(rig.dialog->Capacity(), 4);
        QCOMPARE(rig.dialog->ColumnsSpin()->maximum(), 4);
        rig.dialog->ColumnsSpin()->setValue(4);
        QCOMPARE(rig.dialog->RowsSpin()->value(), 1);
        QCOMPARE(Squares(rig.Grid().Cells()), QStringLiteral("1 2 3 4"));
    }

    void zoomKeepsColumnsAndRows()
    {
        CMatrixRig rig(3, 3, 2);
        rig.Grid().Cells().m_selection = {1};
        rig.Grid().RemoveSelected();
        const QString before = Squares(rig.Grid().Cells(), true);
        QList<QSize> sizes;
        for (int step = 0; step < 3; ++step) {
            rig.dialog->Zoom();
            sizes << rig.Grid().Cells().CellSize();
            QCOMPARE(Squares(rig.Grid().Cells(), true), before);
            QVERIFY(!rig.Grid().grab().isNull()); // every zoom step draws
        }
        QCOMPARE(sizes, (QList<QSize>{{21, 21}, {11, 11}, {30, 30}}));
    }

    void okNeedsAFixture()
    {
        CMatrixRig rig(3, 2, 2, 0); // nothing fits before the limit
        QCOMPARE(rig.Grid().Cells().PlacedCellCount(), 0);
        rig.dialog->OnOk();
        QCOMPARE(rig.Messages(QStringLiteral("The matrix holds no fixture.")), 1);
        QVERIFY(rig.dialog->result() != QDialog::Accepted);
    }

    void typedSizesOfTheLargestMatrix()
    {
        CRecordingHost host;
        CProject project;
        project.NewProject(256);
        std::unique_ptr<CLibraryProfile> profile(MakeProfile(QStringLiteral("Dot.kvp"), 1));
        CMatrixDlg dialog(project, profile.get(), 0, 0, 1, 1, 256 * 512, 256 * 512);
        QCOMPARE(dialog.Capacity(), 256 * 512);
        dialog.RowsSpin()->setValue(256 * 512);
        dialog.ColumnsSpin()->setValue(256 * 512);
        QCOMPARE(dialog.RowsSpin()->value(), 1);
        QCOMPARE(dialog.Grid()->Cells().PlacedCellCount(), 256 * 512);
    }

    void addAndRemoveByMouse()
    {
        CMatrixRig rig(3, 2, 2, 12);
        rig.dialog->AddRemoveMode();
        QTest::mouseClick(&rig.Grid(), Qt::LeftButton, Qt::NoModifier, rig.Centre(1, 0));
        QCOMPARE(Squares(rig.Grid().Cells()), QStringLiteral("1 .|3 4"));
        QTest::mouseClick(&rig.Grid(), Qt::LeftButton, Qt::NoModifier, rig.Centre(1, 0));
        QCOMPARE(Squares(rig.Grid().Cells(), true), QStringLiteral("1@0 2@3|3@6 4@9"));
        rig.dialog->ColumnsSpin()->setMaximum(3);
        rig.Grid().Rebuild(3, 2, true);
        QCOMPARE(rig.Messages(kNoFreeAddress), 0);
        QTest::mouseClick(&rig.Grid(), Qt::LeftButton, Qt::NoModifier, rig.Centre(2, 1));
        QCOMPARE(rig.Messages(kNoFreeAddress), 1);
        QCOMPARE(rig.Grid().Cells().PlacedCellCount(), 4);
    }

    void selectingEnablesRemove()
    {
        CMatrixRig rig;
        rig.dialog->SelectMode();
        QTest::mouseClick(&rig.Grid(), Qt::LeftButton, Qt::NoModifier, rig.Centre(1, 1));
        QCOMPARE(rig.Grid().Cells().m_selection, QList<int>{3});
        QVERIFY(!rig.Grid().grab().isNull());
        QVERIFY(rig.dialog->RemoveAction()->isEnabled());
        QTest::mouseClick(&rig.Grid(), Qt::LeftButton, Qt::ControlModifier, rig.Centre(1, 1));
        QVERIFY(rig.Grid().Cells().m_selection.isEmpty());
        QVERIFY(!rig.dialog->RemoveAction()->isEnabled());
    }

    void draggingMovesFixtures_data()
    {
        Columns<int, int, QString>("column", "row", "expected");
        QTest::newRow("onto an occupied cell") << 1 << 0 << "2 1|3 .";
        QTest::newRow("onto an empty square") << 1 << 1 << ". 2|3 1";
        QTest::newRow("onto itself") << 0 << 0 << "1 2|3 .";
        QTest::newRow("cancelled") << -1 << -1 << "1 2|3 .";
    }
    void draggingMovesFixtures()
    {
        QFETCH(int, column);
        QFETCH(int, row);
        CMatrixRig rig;
        rig.dialog->show(); // drops reach only a widget that registered as drop site
        QVERIFY(QTest::qWaitForWindowExposed(rig.dialog.get()));
        rig.Grid().Cells().m_selection = {3};
        rig.Grid().RemoveSelected();
        const QPoint target = rig.Centre(column, row);
        rig.Grid().SetDragRunner([&](QDrag* drag) {
            if (column < 0)
                return Qt::IgnoreAction;
            QDragEnterEvent enter(target, Qt::MoveAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&rig.Grid(), &enter);
            QDragMoveEvent move(target, Qt::MoveAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&rig.Grid(), &move);
            QDropEvent drop(target, Qt::MoveAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&rig.Grid(), &drop);
            return drop.dropAction();
        });
        QTest::mousePress(&rig.Grid(), Qt::LeftButton, Qt::NoModifier, rig.Centre(0, 0));
        QTEST(Squares(rig.Grid().Cells()), "expected");
        QCOMPARE(rig.Grid().DragSource(), -1);
    }

    void builderRefusesBadRequests_data()
    {
        Columns<int, int, int, QString>("channels", "universe", "start", "message");
        QTest::newRow("no channel") << 0 << 0 << 0 << "1 to 512 channels";
        QTest::newRow("more than a universe") << 513 << 0 << 0 << "1 to 512 channels";
        QTest::newRow("start past the end") << 3 << 0 << 510 << "universe 1, address 511";
        QTest::newRow("universe outside the project") << 3 << 2 << 0 << "universe 3, address 1";
    }
    void builderRefusesBadRequests()
    {
        const auto [channels, universe, start, message] =
            Row<int, int, int, QString>("channels", "universe", "start", "message");
        CMatrixRig rig;
        std::unique_ptr<CLibraryProfile> profile(MakeProfile(QStringLiteral("Bad.kvp"), channels));
        int runs = 0;
        CMatrixDlgBuilder builder(rig.project, [&](CMatrixDlg&) { return ++runs; });
        QVERIFY(!builder.Run({profile.get(), universe, start, 2, 2, 1024, 10, nullptr}, nullptr));
        QCOMPARE(runs, 0);
        QCOMPARE(rig.Messages(message), 1);
    }

    void editedMatrixWithBadCellsIsReported()
    {
        CMatrixRig rig;
        CPatchBlock good(rig.profile.get(), 0, 3, 1);
        CPatchBlock bad(rig.profile.get(), 0, 0, 1);
        good.m_id = 2;
        bad.m_id = 1;
        CPatchMatrixBlock matrix(rig.profile.get(), 2, 1);
        matrix.m_members = {&bad, &good};
        matrix.m_cells = {QRect(0, 0, 0, 20), QRect(20, 0, 20, 20)};
        CMatrixDlgBuilder builder(rig.project, [](CMatrixDlg&) { return int(QDialog::Accepted); });
        QVERIFY(builder.Run({rig.profile.get(), 0, 0, 2, 1, 1024, 10, &matrix}, nullptr));
        QCOMPARE(rig.Messages(QStringLiteral("1 fixture(s) of the matrix have no valid cell")), 1);
        QCOMPARE(builder.CellCount(), 2);
        QVERIFY(!builder.CellGridRect(0).isValid());
        QCOMPARE(builder.CellBlock(1), &good);
        QCOMPARE(QList<int>({builder.CellNumber(1), builder.CellAddress(1)}), QList<int>({2, 3}));
        QCOMPARE(builder.CellLayoutRect(1), QRect(20, 0, 20, 20));
        QVERIFY(!builder.CellGridRect(7).isValid()); // past the cells: nothing
    }

    void patchTabBuildsAndEditsThroughTheDialog()
    {
        CSetupRig rig;
        rig.Edit(QStringLiteral("Led.kvp"), 3);
        QVERIFY(rig.Tab().MatrixButton()->isEnabled()); // the dialog is the default builder
        std::function<void(CMatrixDlg&)> script = [](CMatrixDlg& dialog) {
            dialog.ColumnsSpin()->setValue(3);
            dialog.RowsSpin()->setValue(2);
            dialog.Grid()->Cells().m_selection = {0, 1, 2};
            dialog.Grid()->SetOrder(2, true); // H3: the first row right to left
        };
        rig.Tab().SetMatrixBuilderFactory([&] {
            return std::unique_ptr<CMatrixBuilder>(new CMatrixDlgBuilder(rig.project, [&](CMatrixDlg& dialog) {
                script(dialog);
                return int(QDialog::Accepted);
            }));
        });
        rig.Tab().FirstChannelCombo()->setCurrentIndex(0);
        rig.Tab().OnMatrix();
        QCOMPARE(rig.Tab().m_matrixBlocks.size(), 1);
        CPatchMatrixBlock* matrix = rig.Tab().m_matrixBlocks.first();
        QStringList members;
        for (int k = 0; k < matrix->m_members.size(); ++k)
            members << QStringLiteral("%1@%2:%3,%4").arg(matrix->m_members[k]->m_id).arg(matrix->m_members[k]->m_start)
                           .arg(matrix->m_cells[k].left()).arg(matrix->m_cells[k].top());
        QCOMPARE(members.join(QLatin1Char(' ')), QStringLiteral("3@6:0,0 2@3:20,0 1@0:40,0 4@9:0,20 5@12:20,20 6@15:40,20"));

        // Edited unchanged: every member stays, none is removed.
        const QList<CPatchBlock*> before = matrix->m_members;
        script = [](CMatrixDlg&) {};
        rig.Select({before.first()});
        rig.Tab().EditMatrix();
        QCOMPARE(matrix->m_members, before);
        QVERIFY(rig.Tab().m_removedFixtures.isEmpty());
        QCOMPARE(rig.Places().size(), 6);
    }

    void everyPictureIsAResource()
    {
        for (const QString& name : CMatrixDlg::PictureNames())
            QVERIFY2(QFile::exists(QStringLiteral(":/Orvane/Images/Patch/") + name), qPrintable(name));
    }
};

ORVANE_TEST(MatrixDialogTest)
#include "MatrixDialogTest.moc"
