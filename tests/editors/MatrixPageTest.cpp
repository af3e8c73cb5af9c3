#include "TestRegistry.h"

#include "ColorPageRig.h"
#include "editors/MatrixEffectWnd.h"
#include "editors/MatrixPreviewWnd.h"
#include "effects/MatrixAnimEffect.h"
#include "widgets/ColorChooser.h"
#include "widgets/SliderCtrl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

namespace {

std::unique_ptr<CMatrixEffectWnd> Page(CColorPageRig& rig, CFixtureMatrix* matrix,
                                       const CMatrixAnimEffect* effect = nullptr)
{
    return ColorPage<CMatrixEffectWnd>(rig, effect, matrix);
}

QString Enabled(const CMatrixEffectWnd& page)
{
    return EnabledFlags(page, page.VerticalBox());
}

} // namespace

class MatrixPageTest : public QObject
{
    Q_OBJECT

private slots:
    // Each kind chosen on a five-colour animation.
    void kinds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<int>("number");
        const QList<std::tuple<const char*, QString, int>> rows = {
            {"circles", "11101", 5},      {"rhombus", "11101", 5},  {"fountain", "10010", 2},
            {"headlight", "11100", 2},    {"border lines", "10100", 3}, {"rainbow", "11111", 5},
            {"wave", "11111", 5},         {"wave 2", "11111", 5},
        };
        for (int kind = 0; kind < rows.size(); ++kind)
            QTest::newRow(std::get<0>(rows[kind])) << kind << std::get<1>(rows[kind]) << std::get<2>(rows[kind]);
    }
    void kinds()
    {
        QFETCH(int, kind);
        QFETCH(QString, enabled);
        QFETCH(int, number);
        CColorPageRig rig;
        CFixtureMatrix* matrix = rig.AddMatrix(4, 4);
        CMatrixAnimEffect effect(matrix, 120);
        effect.m_number = 5;
        effect.m_matrixType = kind == 0 ? 1 : 0; // every kind is a change
        auto page = Page(rig, matrix, &effect);
        page->KindList()->setCurrentIndex(kind);
        QCOMPARE(Enabled(*page), enabled);
        QCOMPARE(QList<int>({page->Effect()->m_number, page->NumberCtrl()->Value(), page->Chooser()->NbColors()}),
                 QList<int>({number, number, number}));
        QCOMPARE(page->KindList()->count(), 8);
    }

    void sizeFromTheLargerSide()
    {
        CColorPageRig rig;
        auto page = Page(rig, rig.AddMatrix(16, 8));
        QCOMPARE(QList<int>({page->SizeCtrl()->Minimum(), page->SizeCtrl()->Maximum()}), QList<int>({1, 16}));
    }

    void speed_data() { SpeedRows(); }
    void speed()
    {
        CColorPageRig rig;
        CheckSpeed(rig, *Page(rig, rig.AddMatrix(4, 4)));
    }

    // Matrices given after a selection change; whether the steps are made again.
    void setMatrix_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<bool>("applySel");
        QTest::addColumn<bool>("regenerated");
        QTest::newRow("same") << "same" << false << false;
        QTest::newRow("same, selected fixtures only") << "same" << true << true;
        QTest::newRow("another") << "other" << false << true;
        QTest::newRow("none ignored") << "none" << false << false;
    }
    void setMatrix()
    {
        QFETCH(QString, given);
        QFETCH(bool, applySel);
        QFETCH(bool, regenerated);
        CColorPageRig rig;
        CFixtureMatrix* matrix = rig.AddMatrix(4, 4);
        auto* other = new CFixtureMatrix(*matrix);
        rig.project.m_generalGroup->m_matrices << other;
        auto page = Page(rig, matrix);
        page->Effect()->m_applySel = applySel;
        rig.Engine()->m_stepCount = 0; // only a generation makes steps again
        page->SetMatrix(given == "same" ? matrix : given == "other" ? other : nullptr);
        QCOMPARE(rig.Engine()->m_stepCount > 0, regenerated);
        if (!applySel)
            QCOMPARE(page->Effect()->m_matrix, given == "other" ? other : matrix);
    }

    void intensityDoesNotRegenerate()
    {
        CColorPageRig rig;
        auto page = Page(rig, rig.AddMatrix(4, 4));
        rig.ClearRegenerated();
        page->IntensityCtrl()->SpinBox()->setValue(30);
        QCOMPARE(page->Effect()->m_intensity, 30);
        QVERIFY(!rig.Regenerated());
    }

    void colorAfterPresetsRebuild()
    {
        CColorPageRig rig;
        auto page = Page(rig, rig.AddMatrix(4, 4));
        page->Chooser()->m_selected = {2, 40};
        rig.Rebuild();
        emit rig.Color()->colorChanged(9, 8, 7, 6);
        QCOMPARE(page->Effect()->m_colors.at(2), CRgbwColor(9, 8, 7, 6));
        page->Tick(40);
    }

    void fileValuesBounded()
    {
        CColorPageRig rig;
        CFixtureMatrix* matrix = rig.AddMatrix(4, 2);
        CMatrixAnimEffect effect;
        effect.m_matrixType = -2;
        effect.m_number = 1;
        effect.m_fade = 5000;
        effect.m_intensity = 101;
        effect.m_size = 99;
        auto page = Page(rig, matrix, &effect);
        const CMatrixAnimEffect& bounded = *page->Effect();
        QCOMPARE(QList<int>({bounded.m_matrixType, bounded.m_number, bounded.m_fade, bounded.m_intensity,
                             bounded.m_size, bounded.m_colors.size()}),
                 QList<int>({0, 2, 800, 100, 4, 10}));
    }
};

ORVANE_TEST(MatrixPageTest)
#include "MatrixPageTest.moc"
