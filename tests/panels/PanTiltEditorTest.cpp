#include "TestRegistry.h"

#include "Fetched.h"
#include "FixedCtrlRig.h"
#include "effects/EffectEngine.h"
#include "effects/PanTiltEffect.h"
#include "panels/PanTiltGrid.h"
#include "panels/PanTiltScaleDlg.h"
#include "panels/PanTiltWnd.h"
#include "widgets/SliderCtrl.h"

#include <QApplication>
#include <QCheckBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>
#include <memory>

namespace {

// A path editor on an effect with the given control points, a selected
// 8-bit pan/tilt fixture at slot 0 of universe 0.
struct CEditorRig : CFixedCtrlRig
{
    explicit CEditorRig(const QList<QPoint>& points, int perControl = 2, int start = 0)
    {
        fixture = Patch(PanTiltProfile(project), 0, 0);
        SelectAll(project, {fixture});
        auto* bound = new CPanTiltEffect;
        for (const QPoint& p : points) {
            bound->m_controlX << p.x();
            bound->m_controlY << p.y();
        }
        bound->m_nbControls = points.size();
        engine.SetEffect(bound);
        bound->m_nbPtsPerCtrl = perControl;
        bound->m_start = start;
        effect = bound;
        editor.reset(new CPanTiltWnd(project, engine, false));
        editor->show();
    }
    CPanTiltGrid* Grid() const { return editor->Grid(); }
    QPoint Screen(int i) const { return Grid()->ControlPoints().at(i); }
    void Click(const QPoint& p) { QTest::mouseClick(Grid(), Qt::LeftButton, {}, p); }
    // n steps of the engine whose pan goes 0, 100, 200 ... on the fixture.
    void Steps(int n, int stepTime)
    {
        effect->m_fade = stepTime;
        engine.m_stepCount = n;
        CPanTiltStepRecord record;
        record.m_fixture = fixture;
        record.m_beam = 0;
        for (int s = 0; s < n; ++s) {
            record.m_panCoarse.append(char(s * 100));
            record.m_tiltCoarse.append(char(10));
        }
        record.m_panFine = record.m_tiltFine = QByteArray(n, 0);
        engine.m_panCoarse = record.m_panCoarse;
        engine.m_tiltCoarse = record.m_tiltCoarse;
        engine.m_panFine = engine.m_tiltFine = record.m_panFine;
        engine.m_panTiltRecords = {record};
    }
    int Edit(int slot) const { return project.m_edit[0][slot]; }

    CPatchedFixture* fixture = nullptr;
    CEffectEngine engine;
    CPanTiltEffect* effect = nullptr;
    std::unique_ptr<CPanTiltWnd> editor;
};

const QList<QPoint> kTriangle{{16384, 16384}, {49152, 49152}, {49152, 16384}};

} // namespace

class PanTiltEditorTest : public QObject
{
    Q_OBJECT

private slots:
    void remove_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("messages");
        QTest::newRow("two are kept") << 2 << 2 << 1;
        QTest::newRow("one of three goes") << 3 << 2 << 0;
    }
    void remove()
    {
        const int points = FETCHED(int, points);
        CEditorRig rig(kTriangle.mid(0, points));
        rig.Grid()->StartMode();
        rig.Click(rig.Screen(points - 1));
        QCOMPARE(rig.Grid()->StartPoint(), points - 1);
        rig.Grid()->RemoveMode();
        rig.Click(rig.Screen(0));
        QCOMPARE(rig.Grid()->PointCount(), FETCHED(int, left));
        const QStringList messages = rig.host.calls.filter(QStringLiteral("ShowInformation"));
        QCOMPARE(messages.size(), FETCHED(int, messages));
        if (!messages.isEmpty()) {
            QCOMPARE(messages.first(), QStringLiteral("ShowInformation:Pan Tilt:You must keep 2 points at least..."));
            QCOMPARE(rig.Grid()->StartPoint(), points - 1);
        } else {
            QCOMPARE(rig.Grid()->StartPoint(), 0);
            QCOMPARE(rig.Grid()->CurrentPoint(), 0);
        }
    }

    void addInsertsAfterNearest()
    {
        CEditorRig rig(kTriangle);
        rig.Grid()->AddMode();
        const QPoint click = rig.Screen(1) + QPoint(-12, 5);
        rig.Click(click);
        QCOMPARE(rig.Grid()->PointCount(), 4);
        QCOMPARE(rig.Grid()->CurrentPoint(), 2);
        QVERIFY((rig.Screen(2) - click).manhattanLength() <= 2);
        QCOMPARE(rig.effect->m_pathX.size(), 4 * rig.effect->m_nbPtsPerCtrl);
    }

    void boxEdgeStopsShort_data()
    {
        QTest::addColumn<int>("edge"); // 0 right, 1 top
        QTest::newRow("right edge to the far left") << 0;
        QTest::newRow("top edge to the bottom") << 1;
    }
    void boxEdgeStopsShort()
    {
        const bool right = FETCHED(int, edge) == 0;
        CEditorRig rig(kTriangle);
        rig.Grid()->MoveMode();
        const QRect box = rig.Grid()->Box();
        const QPoint grab = right ? QPoint(box.right(), box.center().y()) : QPoint(box.center().x(), box.top());
        const QPoint drop = right ? QPoint(-40, box.center().y()) : QPoint(box.center().x(), 300);
        QTest::mousePress(rig.Grid(), Qt::LeftButton, {}, grab);
        MoveMouse(rig.Grid(), drop);
        QTest::mouseRelease(rig.Grid(), Qt::LeftButton, {}, drop);
        const QRect after = rig.Grid()->Box();
        const int span = right ? after.right() - after.left() : after.bottom() - after.top();
        QVERIFY2(span >= 9 && span <= 11, qPrintable(QString::number(span)));
        QCOMPARE(right ? after.left() : after.bottom(), right ? box.left() : box.bottom());
        for (int i = 0; i < rig.Grid()->PointCount(); ++i)
            QVERIFY(rig.effect->m_controlX[i] >= 0 && rig.effect->m_controlY[i] <= 65535);
    }

    void flatFigureKeepsItsFlatAxis()
    {
        CEditorRig rig({{16384, 32768}, {49152, 32768}});
        rig.Grid()->MoveMode();
        const QRect box = rig.Grid()->Box();
        QTest::mousePress(rig.Grid(), Qt::LeftButton, {}, QPoint(box.center().x(), box.top()));
        MoveMouse(rig.Grid(), QPoint(box.center().x(), 10));
        QCOMPARE(rig.effect->m_controlY, (QVector<int>{32768, 32768}));
        QCOMPARE(rig.effect->m_controlX, (QVector<int>{16384, 49152}));
    }

    void droppedEditorGivesThePointerBack()
    {
        CEditorRig rig(kTriangle);
        QTest::mousePress(rig.Grid(), Qt::LeftButton, {}, rig.Screen(0));
        QVERIFY(QApplication::overrideCursor());
        rig.editor.reset();
        QVERIFY(!QApplication::overrideCursor());
    }

    void moveBoxStaysInside()
    {
        CEditorRig rig(kTriangle);
        rig.Grid()->MoveMode();
        const QPoint inside = rig.Grid()->Box().center() + QPoint(5, 5);
        QTest::mousePress(rig.Grid(), Qt::LeftButton, {}, inside);
        MoveMouse(rig.Grid(), inside + QPoint(400, -400));
        const QRect box = rig.Grid()->Box();
        QVERIFY(box.right() <= 255 && box.top() >= 0);
        QCOMPARE(box.width(), 129);
    }

    void liveOnlyWithoutPreview()
    {
        CEditorRig rig(kTriangle);
        rig.Steps(3, 100);
        QSignalSpy spy(rig.editor.get(), &CPanTiltWnd::posChanged);
        rig.editor->OnPanValueChanged(77);
        QCOMPARE(rig.Edit(0), 77);
        rig.editor->StartPreview(true);
        rig.editor->OnPanValueChanged(88);
        QCOMPARE(rig.Edit(0), 77);
        QCOMPARE(spy.last().at(0).value<uchar>(), uchar(88));
        rig.editor->StopPreview();
        rig.editor->OnTiltValueChanged(99);
        QCOMPARE(rig.Edit(1), 99);
    }

    // Each row: steps, step time, ticks of 50 ms; then where the preview stands.
    void tick_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("stepTime");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("next");
        QTest::addColumn<int>("pan");
        QTest::newRow("halfway into the first step") << 3 << 100 << 1 << 0 << 1 << 50;
        QTest::newRow("into the third step") << 3 << 100 << 5 << 2 << 0 << 100;
        QTest::newRow("one step") << 1 << 100 << 3 << 0 << 0 << 0;
        QTest::newRow("no step time") << 3 << 0 << 2 << 2 << 0 << 200;
        QTest::newRow("negative step time") << 3 << -40 << 1 << 1 << 2 << 100;
    }
    void tick()
    {
        CEditorRig rig(kTriangle);
        rig.Steps(FETCHED(int, steps), FETCHED(int, stepTime));
        rig.editor->StartPreview(true);
        for (int i = FETCHED(int, ticks); i > 0; --i)
            rig.editor->Tick(true, 50);
        QCOMPARE(rig.editor->CurrentStep(), FETCHED(int, current));
        QCOMPARE(rig.editor->NextStep(), FETCHED(int, next));
        QCOMPARE(rig.Edit(0), FETCHED(int, pan));
        QCOMPARE(rig.Edit(1), 10);
    }

    void previewPositionIgnoresOtherSteps()
    {
        CEditorRig rig(kTriangle);
        rig.Steps(3, 100);
        rig.editor->SetPreviewPosition(2, 30);
        QCOMPARE(rig.editor->NextStep(), 0);
        rig.editor->SetPreviewPosition(3, 0);
        rig.editor->SetPreviewPosition(-1, 0);
        QCOMPARE(rig.editor->CurrentStep(), 2);
        QCOMPARE(rig.editor->Elapsed(), 30);
    }

    void oddEffectsRunClean_data()
    {
        QTest::addColumn<QList<QPoint>>("points");
        QTest::addColumn<int>("perControl");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("startPoint");
        QTest::newRow("no points per control") << kTriangle << 0 << 5 << 0;
        QTest::newRow("start past the points") << kTriangle << 2 << 40 << 2;
        QTest::newRow("no control points") << QList<QPoint>{} << 2 << 0 << 0;
    }
    void oddEffectsRunClean()
    {
        CEditorRig rig(FETCHED(QList<QPoint>, points), FETCHED(int, perControl), FETCHED(int, start));
        QCOMPARE(rig.Grid()->StartPoint(), FETCHED(int, startPoint));
        rig.editor->OnPanValueChanged(5);
        rig.Click(QPoint(128, 128));
        rig.Grid()->StartMode();
        rig.Grid()->MoveMode();
        QTest::mousePress(rig.Grid(), Qt::LeftButton, {}, QPoint(128, 128));
        MoveMouse(rig.Grid(), QPoint(10, 10));
        rig.editor->Rebuild(true);
        rig.Steps(1, 0);
        rig.editor->StartPreview(true);
        rig.editor->Tick(true, 25);
        QCOMPARE(rig.editor->NextStep(), 0);
    }

    void scaleRect_data()
    {
        QTest::addColumn<QList<int>>("args"); // offset x, offset y, width, height
        QTest::addColumn<QRect>("rect");
        QTest::newRow("centred") << QList<int>{0, 0, 100, 100} << QRect(78, 78, 100, 100);
        QTest::newRow("wide against the right edge") << QList<int>{255, 0, 200, 100} << QRect(56, 78, 200, 100);
        QTest::newRow("wide against the left edge") << QList<int>{-255, 0, 200, 100} << QRect(0, 78, 200, 100);
        QTest::newRow("tall at the top") << QList<int>{0, 255, 100, 200} << QRect(78, 0, 100, 200);
        QTest::newRow("tall at the bottom") << QList<int>{0, -255, 100, 200} << QRect(78, 56, 100, 200);
        QTest::newRow("offsets out of range") << QList<int>{9999, -9999, 10, 10} << QRect(246, 246, 10, 10);
    }
    void scaleRect()
    {
        const QList<int> a = FETCHED(QList<int>, args);
        CPanTiltScaleGrid grid;
        grid.SetRect(a[0], a[1], a[2], a[3]);
        QRect expected = FETCHED(QRect, rect);
        if (expected.right() > 255)
            expected.moveRight(255);
        QCOMPARE(grid.Rect(), expected);
    }

    void scaleDialogDrags()
    {
        CPanTiltScaleDlg dialog;
        CPanTiltScaleGrid* grid = dialog.Grid();
        QTest::mousePress(grid, Qt::LeftButton, {}, QPoint(128, 79));
        MoveMouse(grid, QPoint(128, 250));
        QTest::mouseRelease(grid, Qt::LeftButton, {}, QPoint(128, 250));
        QCOMPARE(grid->Rect().top(), 168);
        QCOMPARE(dialog.HeightSlider()->Value(), 11);

        dialog.KeepProportions()->setChecked(true);
        dialog.WidthSlider()->SpinBox()->setValue(150);
        QCOMPARE(dialog.HeightSlider()->Value(), 150);
        QCOMPARE(grid->Rect().width(), 150);

        const QPoint corner = grid->Rect().bottomRight();
        QTest::mousePress(grid, Qt::LeftButton, {}, corner);
        MoveMouse(grid, corner + QPoint(-30, -10));
        QVERIFY(dialog.WidthSlider()->Value() != dialog.HeightSlider()->Value());
    }
};

ORVANE_TEST(PanTiltEditorTest)
#include "PanTiltEditorTest.moc"
