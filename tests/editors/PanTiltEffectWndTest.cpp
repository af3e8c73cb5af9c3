#include "TestRegistry.h"

#include "EffectPageRig.h"
#include "SyntheticMouse.h"
#include "TypedKeys.h"
#include "editors/PanTiltEffectWnd.h"
#include "effects/PanTiltEffect.h"
#include "panels/PanTiltGrid.h"
#include "panels/PanTiltWnd.h"
#include "widgets/SliderCtrl.h"
#include "widgets/TimeWidget.h"
#include "widgets/ZKTimeEdit.h"

#include <QAction>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTime>
#include <QtTest>

namespace {

// The effects window with a moving head patched and selected; the
// point-count dialog answers `answer` (-1: cancel) and records what it
// offered.
class CPanTiltRig : public CEffectsRig
{
public:
    CPanTiltRig()
    {
        head = Patch(MovingHeadProfile(), 0, 20);
        Select({head});
        CPanTiltEffectWnd::SetPointCountRunner(
            [this](QWidget*, const QString& title, int initial, int minimum, int maximum, int& count) {
                offered << QStringLiteral("%1 %2 %3..%4").arg(title).arg(initial).arg(minimum).arg(maximum);
                count = answer;
                return answer >= 0;
            });
    }
    ~CPanTiltRig() { CPanTiltEffectWnd::SetPointCountRunner(nullptr); }

    // A new figure on scene A, or the stored one when `effect` is given.
    CPanTiltEffectWnd* Open(CPanTiltEffect* effect = nullptr)
    {
        CScene* scene = Scene(0);
        if (effect) {
            AddStep(scene, 0, 100, {{head, {0}}})->m_effect = effect;
            scene->m_effects << effect;
            scene->m_currentStep = scene->m_steps.last();
        }
        window->EditEffect(scene, EffectType::PanTilt, effect != nullptr);
        return qobject_cast<CPanTiltEffectWnd*>(window->Page());
    }

    QString Icon(CEffectsWnd::Action action) const { return window->ToolAction(action)->data().toString(); }

    CPatchedFixture* head = nullptr;
    int answer = -1;
    QStringList offered;
};

} // namespace

class PanTiltEffectWndTest : public QObject
{
    Q_OBJECT

private slots:
    void figureChoice_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("precision");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<int>("controls");
        QTest::addColumn<int>("precisionAfter");
        QTest::newRow("circle lifts a coarse precision") << 2 << 2 << 6 << "Circle 4 2..20" << 6 << 4;
        // A flower has a centre point after each rim point.
        QTest::newRow("flower keeps a fine precision") << 5 << 7 << 3 << "Flower 4 2..20" << 6 << 7;
        QTest::newRow("lines keep a coarse precision") << 1 << 2 << 20 << "Lines 4 2..20" << 20 << 2;
        QTest::newRow("star offers five") << 3 << 2 << 5 << "Star 5 2..20" << 5 << 2;
        QTest::newRow("random offers five") << 0 << 2 << 2 << "Random 5 2..20" << 2 << 2;
        QTest::newRow("cancelled star keeps the points") << 3 << 2 << -1 << "Star 5 2..20" << 4 << 2;
    }
    void figureChoice()
    {
        QFETCH(QString, offered);
        QFETCH(int, controls);
        QFETCH(int, precisionAfter);
        QFETCH(int, kind);
        QFETCH(int, precision);
        QFETCH(int, answer);
        CPanTiltRig rig;
        CPanTiltEffectWnd* page = rig.Open();
        QVERIFY(page);
        page->PrecisionSlider()->SpinBox()->setValue(precision);
        const QVector<int> pointsBefore = page->Effect()->m_controlX;
        rig.answer = answer;
        page->FigureButton(kind)->click();
        QCOMPARE(rig.offered, QStringList{offered});
        QVERIFY(page->FigureButton(kind)->isChecked());
        QCOMPARE(page->Effect()->m_shapeType, kind);
        QCOMPARE(page->Effect()->m_nbControls, controls);
        QCOMPARE(page->Effect()->m_nbPtsPerCtrl, precisionAfter);
        QCOMPARE(page->PrecisionSlider()->Value(), precisionAfter);
        if (answer < 0)
            QCOMPARE(page->Effect()->m_controlX, pointsBefore);
    }

    // A time set in the box, or typed into its seconds over 5 s.
    void stepDuration_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("ms");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("fade");
        QTest::newRow("nothing becomes the shortest step") << 0 << 0 << "" << 40;
        QTest::newRow("seconds and milliseconds") << 2 << 120 << "" << 2120;
        QTest::newRow("typed through a zero") << 5 << 0 << "03" << 3000;
        QTest::newRow("typed zero") << 5 << 0 << "0" << 40;
    }
    void stepDuration()
    {
        QFETCH(int, seconds);
        QFETCH(int, ms);
        QFETCH(QString, typed);
        QFETCH(int, fade);
        CPanTiltRig rig;
        CPanTiltEffectWnd* page = rig.Open();
        page->StepEdit()->SetTime(QTime(0, 0, seconds, ms));
        emit page->StepEdit()->timeChanged(page->StepEdit()->GetTime());
        if (!typed.isEmpty()) {
            // Left by a click into the next field: Return would also be the editor's OK.
            rig.window->show();
            QApplication::setActiveWindow(rig.window.get());
            page->StepEdit()->Seconds()->setFocus();
            TypeInto(page->StepEdit()->Seconds(), typed, false);
            QTest::mouseClick(page->StepEdit()->Milliseconds()->findChild<QLineEdit*>(), Qt::LeftButton);
        }
        QCOMPARE(page->Effect()->m_fade, fade);
        QCOMPARE(page->StepEdit()->GetTime(), QTime(0, 0).addMSecs(fade));
        QCOMPARE(page->Effect()->m_len, fade * page->Effect()->m_pathCount);
        QCOMPARE(rig.window->TimeDisplay()->Time(), page->Effect()->m_len);
    }

    // A stored figure opens playing; a new one waits, stale, for Play.
    void playNeedsFixtures_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("afterPlay");
        QTest::newRow("new, selected") << false << true << "stopped dirty Play.png" << "playing clean Stop.png";
        QTest::newRow("new, nothing selected") << false << false << "stopped dirty Play.png" << "stopped dirty Play.png";
        QTest::newRow("stored") << true << true << "playing clean Stop.png" << "stopped clean Play.png";
    }
    void playNeedsFixtures()
    {
        QFETCH(bool, stored);
        QFETCH(QString, opened);
        QFETCH(QString, afterPlay);
        QFETCH(bool, selected);
        CPanTiltRig rig;
        if (!selected)
            rig.Select({});
        CPanTiltEffectWnd* page = rig.Open(stored ? new CPanTiltEffect : nullptr);
        auto state = [&] {
            return QString(page->IsPlaying() ? "playing " : "stopped ") + (page->IsDirty() ? "dirty " : "clean ") +
                   rig.Icon(CEffectsWnd::ActPlay);
        };
        QCOMPARE(state(), opened);
        QCOMPARE(page->PathEditor()->IsPreviewRunning(), page->IsPlaying());
        rig.window->ToolAction(CEffectsWnd::ActPlay)->trigger();
        QCOMPARE(state(), afterPlay);
    }

    // Stopped, a change only marks the steps stale and the window makes
    // them before it applies; playing, the change regenerates at once.
    void changesRegenerateOnlyWhilePlaying_data()
    {
        QTest::addColumn<bool>("playing");
        QTest::newRow("stopped") << false;
        QTest::newRow("playing") << true;
    }
    void changesRegenerateOnlyWhilePlaying()
    {
        QFETCH(bool, playing);
        CPanTiltRig rig;
        CPanTiltEffectWnd* page = rig.Open();
        if (playing)
            page->TogglePlay();
        const int steps = rig.project.m_effectEngine.m_stepCount;
        page->PrecisionSlider()->SpinBox()->setValue(5);
        QCOMPARE(rig.project.m_effectEngine.m_stepCount, playing ? 20 : steps);
        QCOMPARE(page->HasUngeneratedChanges(), !playing);
        rig.window->OnOk();
        QCOMPARE(rig.Scene(0)->m_steps.size(), 20);
    }

    // A point dragged after the preview stopped reaches the applied steps.
    void movedPointIsApplied_data()
    {
        QTest::addColumn<bool>("playing");
        QTest::newRow("stopped after playing") << false;
        QTest::newRow("playing") << true;
    }
    void movedPointIsApplied()
    {
        QFETCH(bool, playing);
        CPanTiltRig rig;
        CPanTiltEffectWnd* page = rig.Open();
        page->TogglePlay();
        if (!playing)
            page->TogglePlay();
        page->PathEditor()->Grid()->SetCurrentPosition(0x4000, 0x2000);
        QCOMPARE(page->HasUngeneratedChanges(), !playing);
        rig.window->OnOk();
        const CStepFixture* entry = rig.Scene(0)->m_steps.value(0)->FindEntry(rig.head);
        QVERIFY(entry);
        QCOMPARE(entry->Level(1), 0x40);
        QCOMPARE(entry->Level(3), 0x20);
    }

    void toolBarDrivesThePage()
    {
        CPanTiltRig rig;
        CPanTiltEffectWnd* page = rig.Open();
        const CEffectsWnd::Action modes[] = {CEffectsWnd::ActDefaultMode, CEffectsWnd::ActStartMode,
                                             CEffectsWnd::ActMoveMode, CEffectsWnd::ActAddMode,
                                             CEffectsWnd::ActRemoveMode};
        for (CEffectsWnd::Action action : modes)
            QVERIFY(rig.window->ToolAction(action)->isVisible() && rig.window->ToolAction(action)->isEnabled());
        for (int mode : {3, 1, 4, 2, 0}) {
            rig.window->ToolAction(modes[mode])->trigger();
            QCOMPARE(page->PathEditor()->EditMode(), mode);
            for (int other = 0; other < 5; ++other)
                QCOMPARE(rig.window->ToolAction(modes[other])->isChecked(), other == mode);
        }
        // Picking a point in start mode starts the path there.
        page->PrecisionSlider()->SpinBox()->setValue(3);
        rig.window->ToolAction(CEffectsWnd::ActStartMode)->trigger();
        CPanTiltGrid* grid = page->PathEditor()->Grid();
        const QPoint third = grid->ToScreen(page->Effect()->m_controlX[2], page->Effect()->m_controlY[2]);
        SyntheticMouse::Press(grid, third);
        SyntheticMouse::Release(grid, third);
        QCOMPARE(page->Effect()->m_start, 6);
        QCOMPARE(rig.Icon(CEffectsWnd::ActDirection), QStringLiteral("DirLeft.png"));
        rig.window->ToolAction(CEffectsWnd::ActDirection)->trigger();
        QVERIFY(page->Effect()->m_sens);
        QCOMPARE(rig.Icon(CEffectsWnd::ActDirection), QStringLiteral("DirRight.png"));
        rig.window->OnCancel();
        for (CEffectsWnd::Action action : modes)
            QVERIFY(!rig.window->ToolAction(action)->isVisible());
        QVERIFY(!rig.window->ToolAction(CEffectsWnd::ActPlay)->isVisible());
    }

    // With every head deselected the preview stops rather than walking the
    // steps made for the old selection.
    void deselectingEveryHeadStopsThePreview()
    {
        CPanTiltRig rig;
        CPanTiltEffectWnd* page = rig.Open();
        page->TogglePlay();
        QVERIFY(page->IsPlaying());
        rig.Select({});
        rig.window->UpdatePage();
        QVERIFY(!page->IsPlaying());
        QVERIFY(!page->PathEditor()->IsPreviewRunning());
        QVERIFY(page->IsDirty());
        QCOMPARE(rig.Icon(CEffectsWnd::ActPlay), QStringLiteral("Play.png"));
    }

    void storedFieldsAreRangeChecked_data()
    {
        QTest::addColumn<QList<int>>("stored"); // phi, precision, dX, dY, step ms
        QTest::addColumn<QList<int>>("shown");
        QTest::newRow("in range") << QList<int>{30, 3, 10, 64, 200} << QList<int>{30, 3, 10, 64, 200};
        QTest::newRow("below") << QList<int>{-4, 0, -1, -64, 0} << QList<int>{0, 1, 0, 0, 40};
        QTest::newRow("above") << QList<int>{101, 11, 65, 9999, 1 << 30} << QList<int>{100, 10, 64, 64, 2639999};
    }
    void storedFieldsAreRangeChecked()
    {
        QFETCH(QList<int>, stored);
        QFETCH(QList<int>, shown);
        CPanTiltRig rig;
        auto* effect = new CPanTiltEffect;
        effect->m_phi = stored[0];
        effect->m_nbPtsPerCtrl = stored[1];
        effect->m_offsetX = stored[2];
        effect->m_offsetY = stored[3];
        effect->m_fade = stored[4];
        CPanTiltEffectWnd* page = rig.Open(effect);
        const CPanTiltEffect* e = page->Effect();
        QCOMPARE((QList<int>{e->m_phi, e->m_nbPtsPerCtrl, e->m_offsetX, e->m_offsetY, e->m_fade}), shown);
        QCOMPARE((QList<int>{page->PhiSlider()->Value(), page->PrecisionSlider()->Value(),
                             page->OffsetXSlider()->Value(), page->OffsetYSlider()->Value()}),
                 shown.mid(0, 4));
    }

    // Every change of the figure is the operator's work: Cancel asks before
    // it goes. A stored figure arrives unchanged, whatever it carried.
    void cancelAsksAfterAChange_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("asked");
        QTest::newRow("nothing") << "" << 0;
        QTest::newRow("stored figure, nothing") << "stored" << 0;
        QTest::newRow("phi") << "phi" << 1;
        QTest::newRow("precision") << "precision" << 1;
        QTest::newRow("offset") << "offset" << 1;
        QTest::newRow("step duration") << "time" << 1;
        QTest::newRow("figure") << "figure" << 1;
        QTest::newRow("direction") << "direction" << 1;
    }
    void cancelAsksAfterAChange()
    {
        QFETCH(QString, change);
        CPanTiltRig rig;
        rig.answer = 6;
        auto* stored = change == "stored" ? new CPanTiltEffect : nullptr;
        if (stored)
            stored->m_flag = true;
        CPanTiltEffectWnd* page = rig.Open(stored);
        if (change == "phi")
            page->PhiSlider()->SpinBox()->setValue(30);
        else if (change == "precision")
            page->PrecisionSlider()->SpinBox()->setValue(5);
        else if (change == "offset")
            page->OffsetXSlider()->SpinBox()->setValue(8);
        else if (change == "time")
            page->OnTimeChanged(QTime(0, 0, 1));
        else if (change == "figure")
            page->FigureButton(CPanTiltEffect::Circle)->click();
        else if (change == "direction")
            rig.window->ToolAction(CEffectsWnd::ActDirection)->trigger();
        rig.window->OnCancel();
        QTEST(rig.AskCount(), "asked");
    }

    // The point count is asked with the floating video window out of the way.
    void pointCountHidesTheVideoWindow()
    {
        CPanTiltRig rig;
        CPanTiltEffectWnd* page = rig.Open();
        QStringList during;
        CPanTiltEffectWnd::SetPointCountRunner([&](QWidget*, const QString&, int, int, int, int& count) {
            during = rig.host.calls.filter("VideoWindow");
            count = 5;
            return true;
        });
        rig.host.calls.clear();
        page->FigureButton(CPanTiltEffect::Star)->click();
        QCOMPARE(during, QStringList{"SuspendVideoWindow"});
        QCOMPARE(rig.host.calls.filter("VideoWindow"), QStringList({"SuspendVideoWindow", "ResumeVideoWindow"}));
    }
};

ORVANE_TEST(PanTiltEffectWndTest)
#include "PanTiltEffectWndTest.moc"
