#include "TestRegistry.h"

#include "ColorPageRig.h"
#include "editors/GradientCtrl.h"
#include "editors/GradientEffectWnd.h"
#include "effects/GradientEffect.h"
#include "widgets/SliderCtrl.h"
#include "widgets/ZKTimeEdit.h"

#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

namespace {

// A control of width 200 + 20 (strip 200 px from x = 10) over `pegs`.
std::unique_ptr<CGradientCtrl> Control(const QList<double>& positions, int length = 10000)
{
    CGradientEffect effect(length);
    effect.m_pegColors.clear();
    effect.m_pegPositions = positions;
    for (int i = 0; i < positions.size(); ++i)
        effect.m_pegColors << CRgbwColor(quint8(i), 0, 0);
    auto control = std::make_unique<CGradientCtrl>();
    control->resize(220, 90);
    control->show();
    control->SetPegs(effect);
    return control;
}

QStringList Positions(const CGradientCtrl& control)
{
    QStringList list;
    for (int i = 0; i < control.PegCount(); ++i)
        list << QString::number(control.PegPosition(i));
    return list;
}

QPoint PegCentre(const CGradientCtrl& control, int index)
{
    return control.PegRect(index).center();
}

} // namespace

class GradientPageTest : public QObject
{
    Q_OBJECT

private slots:
    void scale_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("4999 ms") << 4999 << 200 << QStringList({"0s", "0.2s", "0.4s", "0.6s"});
        QTest::newRow("5000 ms") << 5000 << 400 << QStringList({"0s", "0.4s", "0.8s", "1.2s"});
        QTest::newRow("90 s") << 90000 << 5000
                              << QStringList({"0s", "5s", "10s", "15s", "20s", "25s", "30s", "35s", "40s", "45s",
                                              "50s", "55s", "1m", "1m 5s"});
        QTest::newRow("0 ms counts as 1") << 0 << 200 << QStringList({"0s", "0.2s"});
        QTest::newRow("hours") << 25000000 << 3600000 << QStringList({"0s", "1h", "2h"});
    }
    void scale()
    {
        QFETCH(int, length);
        QFETCH(int, unit);
        QFETCH(QStringList, labels);
        auto control = Control({0.0, 1.0}, length);
        QCOMPARE(control->MajorUnit(), unit);
        QVERIFY(std::isfinite(control->MajorSpacing()));
        QStringList shown;
        for (int k = 0; k < labels.size(); ++k)
            shown << control->TickLabel(k);
        QCOMPARE(shown, labels);
        control->grab(); // draws the scale
    }

    void formatSeconds_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        for (const auto& [s, t] : QList<QPair<int, QString>>{{0, "0s"}, {60, "1m"}, {65, "1m 5s"}, {3600, "1h"},
                                                              {3605, "1h 5s"}, {3660, "1h 1m"}, {3661, "1h 1m 1s"}})
            QTest::newRow(qPrintable(t)) << s << t;
    }
    void formatSeconds()
    {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(CGradientCtrl::FormatSeconds(seconds), text);
        QCOMPARE(CGradientCtrl::FormatSeconds(double(seconds)), text);
    }

    // Pegs as a file may hold them.
    void repairedPegs_data()
    {
        QTest::addColumn<QList<double>>("stored");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("none") << QList<double>() << QStringList({"0", "1"});
        QTest::newRow("one") << QList<double>({0.5}) << QStringList({"0", "1"});
        QTest::newRow("unsorted") << QList<double>({1.0, 0.3, 0.0}) << QStringList({"0", "0.3", "1"});
        QTest::newRow("equal positions") << QList<double>({0.0, 0.4, 0.4, 1.0}) << QStringList({"0", "0.4", "1"});
        QTest::newRow("ends moved") << QList<double>({0.2, 0.5, 0.9}) << QStringList({"0", "0.5", "1"});
        QTest::newRow("out of range, nan") << QList<double>({-3.0, qQNaN(), 0.5, 7.0}) << QStringList({"0", "0.5", "1"});
    }
    void repairedPegs()
    {
        QFETCH(QList<double>, stored);
        QFETCH(QStringList, kept);
        QCOMPARE(Positions(*Control(stored)), kept);
    }

    // Double-clicks at x on a strip from 10 to 209.
    void doubleClick_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<QStringList>("positions");
        QTest::newRow("inside") << 60 << QStringList({"0", "0.25", "0.5", "1"});
        QTest::newRow("left edge") << 10 << QStringList({"0", "0.5", "1"});
        QTest::newRow("right edge") << 209 << QStringList({"0", "0.5", "1"});
        QTest::newRow("on a peg") << 110 << QStringList({"0", "0.5", "1"});
    }
    void doubleClick()
    {
        QFETCH(int, x);
        QFETCH(QStringList, positions);
        auto control = Control({0.0, 0.5, 1.0});
        QTest::mouseDClick(control.get(), Qt::LeftButton, {}, QPoint(x, 60));
        QCOMPARE(Positions(*control), positions);
    }

    // Presses on each peg of three, then a drag far to one side (-1, 1).
    void pressAndDrag_data()
    {
        QTest::addColumn<int>("peg");
        QTest::addColumn<int>("side");
        QTest::newRow("first") << 0 << 1;
        QTest::newRow("last") << 2 << -1;
        QTest::newRow("inner, left") << 1 << -1;
        QTest::newRow("inner, right") << 1 << 1;
    }
    void pressAndDrag()
    {
        QFETCH(int, peg);
        QFETCH(int, side);
        CColorPageRig rig;
        CGradientEffect effect(1000);
        effect.m_pegColors.insert(1, CRgbwColor(9, 9, 9));
        effect.m_pegPositions.insert(1, 0.5);
        CGradientEffectWnd page(rig.project, &effect, rig.Engine(), nullptr, false);
        page.resize(600, 300);
        page.show();
        CGradientCtrl& control = *page.GradientCtrl();
        const QList<double> before = {control.PegPosition(0), control.PegPosition(2)};
        const int stopX = side < 0 ? control.PegRect(0).right() + 7 : control.PegRect(2).left() - 6;
        QTest::mousePress(&control, Qt::LeftButton, {}, PegCentre(control, peg));
        QCOMPARE(control.SelectedPeg(), peg);
        QCOMPARE(page.DeleteButton()->isEnabled(), peg == 1);
        QCOMPARE(rig.Shown(), QStringList({"0,0,0,0", "9,9,9,0", "255,255,255,0"}).at(peg));
        const QPoint to(side < 0 ? 0 : control.width() - 1, PegCentre(control, peg).y());
        QMouseEvent move(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(&control, &move);
        QTest::mouseRelease(&control, Qt::LeftButton, {}, to);
        QCOMPARE(QList<double>({control.PegPosition(0), control.PegPosition(2)}), before);
        const double expected = peg == 1 ? double(stopX - control.PegStrip().left()) / control.PegStrip().width() : 0.5;
        QCOMPARE(control.PegPosition(1), expected);
    }

    // The presets window rebuilds its colour control while the page is
    // open: the page follows the new one and forgets the deleted one.
    void colorAfterPresetsRebuild()
    {
        CColorPageRig rig;
        rig.Select({rig.Patch(rig.RgbProfile(), 0, 0)});
        CGradientEffectWnd page(rig.project, nullptr, rig.Engine(), nullptr, false);
        QVERIFY(page.ColorControl());
        page.GradientCtrl()->InsertPeg(0.5, CRgbwColor(1, 1, 1));
        rig.Rebuild();
        QCOMPARE(page.ColorControl(), static_cast<CColorPresetCtrlBase*>(rig.Color()));
        emit rig.Color()->colorChanged(10, 20, 30, 40);
        QCOMPARE(page.Effect()->m_pegColors.value(1), CRgbwColor(10, 20, 30, 40));
        page.GradientCtrl()->RemovePeg(1);
        emit rig.Color()->colorChanged(1, 2, 3, 4); // no peg selected: only regenerates
        QCOMPARE(page.Effect()->m_pegColors, QList<CRgbwColor>({CRgbwColor(0, 0, 0), CRgbwColor(255, 255, 255)}));
    }

    // Closing the page gives the borrowed control back.
    void closingReleasesTheColor()
    {
        CColorPageRig rig;
        auto page = std::make_unique<CGradientEffectWnd>(rig.project, nullptr, rig.Engine(), nullptr, false);
        QVERIFY(rig.Color());
        page.reset();
        rig.Flush();
        QVERIFY(!rig.Color());
        rig.wnd.ShowEffectColor(); // no hook left to call
        rig.wnd.HideEffectColor();
        rig.Flush();
    }

    // A dynamic gradient of red 200, 100, 50 at 0, 0.5, 1 played by ticks
    // onto an RGB fixture: the step reached and the red sent.
    void dynamicTicks_data()
    {
        QTest::addColumn<bool>("fixture");
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<int>>("ticks");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("red");
        QTest::newRow("no fixture, no steps: nothing") << false << 1000 << QList<int>({500}) << 0 << -1;
        QTest::newRow("half-way into the next step") << true << 1000 << QList<int>({240}) << 0 << 150;
        QTest::newRow("steps of no time move on at t = 0") << true << 0 << QList<int>({0}) << 1 << 100;
        QTest::newRow("and on") << true << 0 << QList<int>({0, 0}) << 2 << 50;
    }
    void dynamicTicks()
    {
        QFETCH(bool, fixture);
        QFETCH(int, length);
        QFETCH(QList<int>, ticks);
        CColorPageRig rig;
        if (fixture)
            rig.SelectRgb(1);
        CGradientEffect effect(length);
        effect.m_gradType = 1;
        effect.m_pegColors = {CRgbwColor(200, 0, 0), CRgbwColor(100, 0, 0), CRgbwColor(50, 0, 0)};
        effect.m_pegPositions = {0.0, 0.5, 1.0};
        CGradientEffectWnd page(rig.project, &effect, rig.Engine(), nullptr, false);
        for (int tick : ticks)
            page.Tick(tick);
        QTEST(page.GetPlayStep(), "step");
        QTEST(rig.project.m_editMask[0][0] ? int(rig.project.m_edit[0][0]) : -1, "red");
    }

    // Length 0, no steps, nothing selected: nothing ticks or divides.
    void emptyIsClean()
    {
        CPlaybackRig rig;
        CGradientEffect effect(0);
        effect.m_gradType = 1;
        CGradientEffectWnd page(rig.project, &effect, &rig.project.m_effectEngine, nullptr, false);
        page.resize(400, 200);
        page.grab();
        page.Tick(40);
        page.OnColorChanged(1, 2, 3, 4);
        page.OnDelete();
        page.TimeEdit()->Seconds()->setValue(0);
        QCOMPARE(page.Effect()->m_len, 0);
    }

    // Bad values from a file are brought into range.
    void fileValuesBounded()
    {
        CPlaybackRig rig;
        CGradientEffect effect(1000);
        effect.m_len = -5;
        effect.m_intensity = 900;
        effect.m_gradType = 7;
        CGradientEffectWnd page(rig.project, &effect, &rig.project.m_effectEngine, nullptr, false);
        QCOMPARE(QList<int>({page.Effect()->m_len, page.Effect()->m_intensity, page.Effect()->m_gradType}),
                 QList<int>({0, 100, 1}));
    }

    // Dynamic, two steps: a CMY fixture with white gets 255 − colour on
    // cyan, magenta and yellow and the white itself.
    void cmyFixtureComplemented()
    {
        CPlaybackRig rig;
        CLibraryProfile* profile = rig.CmyProfile();
        ProfileBuilder::AddChannel(*profile, ChannelType::White);
        profile->UpdateRoles();
        CPatchedFixture* fixture = rig.Patch(profile, 0, 10);
        rig.project.m_currentGroup->m_selectedFixtures << fixture;
        for (bool& flag : fixture->BeamFlags())
            flag = true;
        rig.project.ComputeSelectionCaps();
        CGradientEffect effect(1000);
        effect.m_gradType = 1;
        effect.m_pegColors = {CRgbwColor(200, 100, 50, 30), CRgbwColor(200, 100, 50, 30)};
        CGradientEffectWnd page(rig.project, &effect, &rig.project.m_effectEngine, nullptr, false);
        QVERIFY(rig.project.m_effectEngine.m_stepCount > 0);
        page.Tick(0);
        QList<int> levels;
        for (int slot = 10; slot < 14; ++slot)
            levels << (rig.project.m_editMask[0][slot] ? int(rig.project.m_edit[0][slot]) : -1);
        QCOMPARE(levels, QList<int>({55, 155, 205, 30}));
    }

    void intensityDoesNotRegenerate()
    {
        CPlaybackRig rig;
        CGradientEffectWnd page(rig.project, nullptr, &rig.project.m_effectEngine, nullptr, false);
        // A regeneration would copy this peg into the effect.
        page.GradientCtrl()->SetPegColor(0, CRgbwColor(1, 2, 3));
        page.IntensityCtrl()->SpinBox()->setValue(40);
        QCOMPARE(page.Effect()->m_intensity, 40);
        QCOMPARE(page.Effect()->m_pegColors.first(), CRgbwColor(0, 0, 0));
        QVERIFY(page.Effect()->m_flag);
    }
};

ORVANE_TEST(GradientPageTest)
#include "GradientPageTest.moc"
