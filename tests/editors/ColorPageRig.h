#pragma once

#include "../panels/PanelsRig.h"
#include "editors/SwatchEffectWnd.h"
#include "model/FixtureMatrix.h"
#include "widgets/SliderCtrl.h"
#include "widgets/TimeWidget.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include <memory>

// A presets window whose colour control the colour pages borrow, and the
// project's engine for them.
class CColorPageRig : public CPanelsRig
{
public:
    CColorPageRig() { CEffectWnd::SetColorSource(&wnd); }
    ~CColorPageRig() { CEffectWnd::SetColorSource(nullptr); }

    CEffectEngine* Engine() { return &project.m_effectEngine; }

    // `count` RGB fixtures, three channels apart, all selected.
    void SelectRgb(int count)
    {
        CLibraryProfile* rgb = RgbProfile();
        QList<CPatchedFixture*> fixtures;
        for (int i = 0; i < count; ++i)
            fixtures << Patch(rgb, i * 3 / 510, i * 3 % 510);
        Select(fixtures);
    }
    // A matrix of the current group with one RGB fixture in its first cell.
    CFixtureMatrix* AddMatrix(int columns, int rows)
    {
        CLibraryProfile* rgb = RgbProfile();
        CPatchedFixture* fixture = Patch(rgb, 0, 0);
        auto* matrix = new CFixtureMatrix(rgb, 1, columns, rows, 0);
        matrix->AddMember(fixture, QRect(0, 0, 20, 20));
        fixture->m_matrixId = 1;
        project.m_generalGroup->m_matrices << matrix;
        project.m_currentGroup->m_selectedMatrices = {matrix};
        Select({fixture});
        return matrix;
    }
    // Regeneration shows the length here; a value no length has tells
    // whether one happened.
    bool Regenerated() const { return time.Time() != kUntouched; }
    void ClearRegenerated() { time.SetTime(kUntouched); }

    static constexpr int kUntouched = 987654;
    CTimeWidget time{kUntouched};
    // The colour the borrowed control shows, "r,g,b,w".
    QString Shown() const
    {
        const CFakeColorCtrl* color = Color();
        if (!color)
            return QStringLiteral("none");
        QStringList parts;
        for (int c : color->color)
            parts << QString::number(c);
        return parts.join(QLatin1Char(','));
    }
    // A rebuild of the presets window on the same selection: the borrowed
    // control is deleted and a new one handed over.
    void Rebuild()
    {
        wnd.Reset();
        wnd.UpdateSelection();
        Flush();
    }
};

// A colour page of the rig's project and engine.
template <class Page, class Effect>
std::unique_ptr<Page> ColorPage(CColorPageRig& rig, const Effect* effect, CFixtureMatrix* matrix)
{
    return std::make_unique<Page>(rig.project, effect, rig.Engine(), matrix, &rig.time, false);
}

// Direction, fade, loop, the page's own option and number: "1" enabled, "0" not.
inline QString EnabledFlags(const CSwatchEffectWnd& page, const QWidget* option)
{
    QString flags;
    for (const QWidget* w : {static_cast<const QWidget*>(page.DirectionButton()),
                             static_cast<const QWidget*>(page.FadeBox()), static_cast<const QWidget*>(page.LoopBox()),
                             option, static_cast<const QWidget*>(page.NumberCtrl())})
        flags += w->isEnabled() ? "1" : "0";
    return flags;
}

// The speed slider against the step time it sets, for a page's speed test:
// 0 stands for a new effect, which the slider shows at 18.
inline void SpeedRows()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("stepTime");
    QTest::newRow("fastest") << 20 << 40;
    QTest::newRow("slowest") << 1 << 800;
    QTest::newRow("new effect") << 0 << 120;
}
// Moves the speed of a freshly built page to the row's and checks the step
// time, which plays differently without making the steps again.
template <class Page>
void CheckSpeed(CColorPageRig& rig, Page& page)
{
    QFETCH(int, speed);
    QFETCH(int, stepTime);
    rig.ClearRegenerated();
    if (speed)
        page.SpeedCtrl()->SpinBox()->setValue(speed);
    else
        QCOMPARE(page.SpeedCtrl()->Value(), 18);
    QCOMPARE(page.Effect()->m_fade, stepTime);
    QVERIFY(!rig.Regenerated());
}
