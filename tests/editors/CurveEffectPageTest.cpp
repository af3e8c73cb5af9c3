#include "TestRegistry.h"

#include "EffectPageRig.h"
#include "editors/CurveEffectWnd.h"
#include "editors/DrawCurveCtrl.h"
#include "effects/CurveEffect.h"
#include "widgets/SliderCtrl.h"
#include "widgets/ZKTimeEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

namespace {

constexpr int kZoomSlot = 40; // the zoom head's address; its zoom is its first channel

// A zoom head beside the rig's RGB fixture, selected alone, and a curve
// page opened on a plain scene (on `effect` when given). A 16-bit zoom has
// its fine byte next, at 33.
struct CCurvePage
{
    CEffectsRig rig;
    CPatchedFixture* head = nullptr;
    CCurveEffectWnd* page = nullptr;

    explicit CCurvePage(CCurveEffect* effect = nullptr, bool sixteenBits = false)
    {
        auto* profile = new CLibraryProfile;
        CProfileChannelDef* zoom = ProfileBuilder::AddChannel(*profile, ChannelType::Zoom);
        if (sixteenBits)
            ProfileBuilder::AddFine(*profile, zoom);
        profile->UpdateRoles();
        rig.project.m_library << profile;
        head = rig.Patch(profile, 0, kZoomSlot);
        rig.Select({head});
        CScene* scene = rig.Scene(0);
        if (effect) {
            scene->m_effects << effect;
            rig.AddStep(scene, 0, 100, {})->m_effect = effect;
            scene->m_currentStep = scene->m_steps.first();
        }
        rig.project.m_edit[0][kZoomSlot] = 77;
        rig.project.m_edit[0][kZoomSlot + 1] = 33;
        rig.window->EditEffect(scene, EffectType::Curve, effect != nullptr);
        page = qobject_cast<CCurveEffectWnd*>(rig.window->Page());
    }

    QCheckBox* Check(int row) const { return qobject_cast<QCheckBox*>(page->Table()->cellWidget(row, 1)); }
    int Zoom() const { return rig.project.m_edit[0][kZoomSlot]; }
    int FineZoom() const { return rig.project.m_edit[0][kZoomSlot + 1]; }
};

QString Position(const CCurveEffectWnd& page)
{
    return QStringLiteral("%1/%2/%3").arg(page.GetPlayStep()).arg(page.NextStep()).arg(page.GetPlayTime());
}

} // namespace

class CurveEffectPageTest : public QObject
{
    Q_OBJECT

private slots:
    void opensOnSelection()
    {
        CCurvePage fx;
        QVERIFY(fx.page);
        QCOMPARE(fx.page->Table()->rowCount(), 1);
        QCOMPARE(fx.page->Effect()->m_len, 10000);
        QVERIFY(!fx.page->Effect()->m_flag);
        QCOMPARE(fx.rig.project.m_effectEngine.Effect(), fx.page->Effect());
    }

    void okWritesTheCurveIntoTheScene()
    {
        CCurvePage fx;
        fx.Check(0)->setChecked(true);
        fx.rig.window->OnOk();
        QVERIFY(!fx.rig.window->Page());
        CScene* scene = fx.rig.Scene(0);
        const auto* stored = dynamic_cast<const CCurveEffect*>(scene->m_effects.value(0));
        QVERIFY(stored);
        QCOMPARE(stored->m_activeChannels, QList<bool>{true});
        QVERIFY(!scene->m_steps.isEmpty());
    }

    void duration_data()
    {
        QTest::addColumn<QTime>("typed");
        QTest::addColumn<int>("length");
        QTest::newRow("zero") << QTime(0, 0) << 40;
        QTest::newRow("40 ms") << QTime(0, 0, 0, 40) << 40;
        QTest::newRow("41 ms") << QTime(0, 0, 0, 41) << 41;
        QTest::newRow("minutes") << QTime(0, 1, 2, 500) << 62500;
        QTest::newRow("invalid") << QTime() << 40;
    }
    void duration()
    {
        QFETCH(QTime, typed);
        QFETCH(int, length);
        CCurvePage fx;
        fx.page->OnTimeChanged(typed);
        QCOMPARE(fx.page->Effect()->m_len, length);
        QCOMPARE(fx.page->Effect()->m_pointTime, float(length) / 200.0f);
        QVERIFY(fx.page->Effect()->m_flag);
    }

    void preview_data()
    {
        QTest::addColumn<int>("length"); // -1: a new effect
        QTest::addColumn<int>("precision");
        QTest::addColumn<int>("steps");  // -1: as generated
        QTest::addColumn<bool>("sendEdit");
        QTest::addColumn<QList<int>>("ticks");
        QTest::addColumn<QString>("position");
        QTest::addColumn<bool>("moves");
        using L = QList<int>;
        QTest::newRow("precision 4: a point, a step") << -1 << 4 << -1 << true << L{50} << "1/2/0" << true;
        QTest::newRow("precision 4: three points") << -1 << 4 << -1 << true << L{20, 20, 110} << "3/6/0" << true;
        QTest::newRow("precision 1: a point, eight steps") << -1 << 1 << -1 << true << L{400} << "8/16/0" << true;
        QTest::newRow("half a point") << -1 << 4 << -1 << true << L{25} << "0/0/25" << true;
        QTest::newRow("negative time ignored") << -1 << 4 << -1 << true << L{-500} << "0/0/0" << false;
        QTest::newRow("edited levels not sent") << -1 << 4 << -1 << false << L{50} << "0/0/0" << false;
        QTest::newRow("length 0 from a file") << 0 << 4 << -1 << true << L{50} << "0/0/0" << false;
        QTest::newRow("no steps") << -1 << 4 << 0 << true << L{50} << "0/0/0" << false;
    }
    void preview()
    {
        QFETCH(int, length);
        QFETCH(int, precision);
        QFETCH(int, steps);
        QFETCH(bool, sendEdit);
        QFETCH(QList<int>, ticks);
        QFETCH(QString, position);
        QFETCH(bool, moves);
        CCurvePage fx(length < 0 ? nullptr : new CCurveEffect(length));
        fx.page->SliderAt(CCurveEffectWnd::SlPrec)->SpinBox()->setValue(precision);
        fx.Check(0)->setChecked(true);
        fx.rig.host.sendEditDmx = sendEdit;
        if (steps >= 0)
            fx.rig.project.m_effectEngine.m_stepCount = steps;
        for (int elapsed : ticks)
            fx.page->Tick(elapsed);
        QCOMPARE(Position(*fx.page), position);
        const QByteArray& levels = fx.page->Effect()->m_outputs.value(0).value(0).m_coarse;
        QCOMPARE(fx.Zoom(), moves ? int(quint8(levels.at(fx.page->GetPlayStep()))) : 77);
    }

    void playPosition_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("time");
        QTest::addColumn<QString>("position");
        QTest::newRow("inside") << 120 << 30 << "120/0/30";
        QTest::newRow("last step") << 199 << 0 << "199/0/0";
        QTest::newRow("negative step") << -1 << 30 << "0/0/0";
        QTest::newRow("at the step count") << 200 << 30 << "0/0/0";
    }
    void playPosition()
    {
        QFETCH(int, step);
        QFETCH(int, time);
        QFETCH(QString, position);
        CCurvePage fx;
        QCOMPARE(fx.rig.project.m_effectEngine.m_stepCount, 200);
        fx.page->SetPlayPosition(step, time);
        QCOMPARE(Position(*fx.page), position);
    }

    // Every field read from a file comes within what the controls offer.
    void fileValuesRepaired_data()
    {
        QTest::addColumn<QList<int>>("stored"); // type ampli phase offset phi offset2 direction ratio precision row;
        // the ratio is the generator's to round, so it is not read back
        QTest::addColumn<QString>("shown");
        QTest::newRow("above") << QList<int>{7, 999, 101, 300, 150, 256, 20, 500, 9, 5} << "3 510 100 255 100 255 8 4 0";
        QTest::newRow("below") << QList<int>{-1, -1, -1, -1, -1, -1, -1, -3, -2, -1} << "0 0 0 0 0 0 0 4 0";
        QTest::newRow("kept") << QList<int>{0, 300, 50, 10, 20, 30, 3, 7, 1, 0} << "0 300 50 10 20 30 3 1 0";
    }
    void fileValuesRepaired()
    {
        QFETCH(QList<int>, stored);
        QFETCH(QString, shown);
        auto* effect = new CCurveEffect(1000);
        CCurveParam param;
        int* fields[] = {&param.m_type, &param.m_ampli, &param.m_phase, &param.m_offset, &param.m_phi, &param.m_offset2,
                         &param.m_direction};
        for (int i = 0; i < 7; ++i)
            *fields[i] = stored[i];
        param.m_ratio = float(stored[7]);
        effect->m_precision = stored[8];
        effect->m_currentChannel = stored[9];
        effect->m_params << param;
        effect->m_activeChannels << true;
        effect->m_tables << QVector<int>(kCurvePoints, 0);
        effect->m_chanTypes << ChannelType::Zoom;
        effect->m_chanNums << 0;
        effect->m_channelDefs << nullptr;
        CCurvePage fx(effect);
        const CCurveEffect& curve = *fx.page->Effect();
        const CCurveParam& got = curve.m_params.at(0);
        QStringList values;
        for (int value : {got.m_type, got.m_ampli, got.m_phase, got.m_offset, got.m_phi, got.m_offset2, got.m_direction,
                          curve.m_precision, curve.m_currentChannel})
            values << QString::number(value);
        QCOMPARE(values.join(' '), shown);
        QCOMPARE(fx.page->SliderAt(CCurveEffectWnd::SlAmpli)->Value(), got.m_ampli);
        QCOMPARE(fx.page->WaveformBox()->currentIndex(), got.m_type);
    }

    void directionRaisesPhi_data()
    {
        QTest::addColumn<int>("phi");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("stored");
        QTest::newRow("travelling, low phi") << 10 << int(FullDirUp) << 20;
        QTest::newRow("travelling, phi enough") << 30 << int(FullDirLeft) << 30;
        QTest::newRow("no direction") << 10 << int(FullDirNone) << 10;
        QTest::newRow("beyond the pad") << 10 << 9 << 10;
    }
    void directionRaisesPhi()
    {
        QFETCH(int, phi);
        QFETCH(int, direction);
        QFETCH(int, stored);
        CCurvePage fx;
        fx.page->SliderAt(CCurveEffectWnd::SlPhi)->SpinBox()->setValue(phi);
        fx.page->OnDirectionChanged(eFullDirection(direction));
        QCOMPARE(fx.page->Effect()->m_params[0].m_phi, stored);
        QCOMPARE(fx.page->SliderAt(CCurveEffectWnd::SlPhi)->Value(), stored);
    }

    void uncheckingPutsLevelsBack_data()
    {
        QTest::addColumn<bool>("sixteenBits");
        QTest::newRow("8 bits") << false;
        QTest::newRow("16 bits: the fine byte too") << true;
    }
    void uncheckingPutsLevelsBack()
    {
        QFETCH(bool, sixteenBits);
        CCurvePage fx(nullptr, sixteenBits);
        QCOMPARE(fx.page->Effect()->m_params.value(0).m_fine, sixteenBits);
        fx.Check(0)->setChecked(true);
        QVERIFY(fx.rig.project.m_editMask[0][kZoomSlot]);
        fx.page->Tick(75);
        QVERIFY(fx.Zoom() != 77);
        QCOMPARE(fx.FineZoom() != 33, sixteenBits);
        QVERIFY(fx.page->Drawing()->IsPlayLineShown());
        fx.Check(0)->setChecked(false);
        QCOMPARE(fx.Zoom(), 77);
        QCOMPARE(fx.FineZoom(), 33);
        QVERIFY(!fx.page->Drawing()->IsPlayLineShown());
        QVERIFY(fx.rig.host.calls.contains(QStringLiteral("ClearEffectMarks")));
    }

    void curveDrawingScale_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("y");
        QTest::newRow("bottom") << 0 << 78;
        QTest::newRow("top") << 65535 << 4;
        QTest::newRow("middle") << 32768 << 40;
        QTest::newRow("below range") << -100 << 78;
        QTest::newRow("above range") << 70000 << 4;
    }
    void curveDrawingScale()
    {
        QFETCH(int, value);
        QFETCH(int, y);
        QCOMPARE(CDrawCurveCtrl::YOf(value), y);
    }
};

ORVANE_TEST(CurveEffectPageTest)
#include "CurveEffectPageTest.moc"
