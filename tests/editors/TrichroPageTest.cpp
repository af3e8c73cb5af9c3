#include "TestRegistry.h"

#include "ColorPageRig.h"
#include "editors/MatrixPreviewWnd.h"
#include "editors/TrichroEffectWnd.h"
#include "effects/TrichroEffect.h"
#include "widgets/ColorChooser.h"
#include "widgets/SliderCtrl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

namespace {

std::unique_ptr<CTrichroEffectWnd> Page(CColorPageRig& rig, const CTrichroEffect* effect = nullptr,
                                        CFixtureMatrix* matrix = nullptr)
{
    return ColorPage<CTrichroEffectWnd>(rig, effect, matrix);
}

QString Enabled(const CTrichroEffectWnd& page)
{
    return EnabledFlags(page, page.ContinueBox());
}

} // namespace

class TrichroPageTest : public QObject
{
    Q_OBJECT

private slots:
    // Kinds chosen one after the other from a five-colour rainbow.
    void kinds_data()
    {
        QTest::addColumn<QList<int>>("kinds");
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<int>("number");
        QTest::newRow("rainbow") << QList<int>({0}) << "11101" << 5;
        QTest::newRow("wave forces two") << QList<int>({1}) << "11110" << 2;
        QTest::newRow("rainbow after wave keeps two") << QList<int>({1, 0}) << "11101" << 2;
        QTest::newRow("half wave") << QList<int>({2}) << "00001" << 5;
        QTest::newRow("random") << QList<int>({3}) << "00001" << 5;
        QTest::newRow("wagons") << QList<int>({4}) << "00001" << 5;
    }
    void kinds()
    {
        QFETCH(QList<int>, kinds);
        QFETCH(QString, enabled);
        QFETCH(int, number);
        CColorPageRig rig;
        rig.SelectRgb(3);
        CTrichroEffect effect(120);
        effect.m_number = 5;
        auto page = Page(rig, &effect);
        for (int kind : kinds)
            page->KindList()->setCurrentIndex(kind);
        QCOMPARE(Enabled(*page), enabled);
        QCOMPARE(QList<int>({page->Effect()->m_number, page->NumberCtrl()->Value(), page->Chooser()->NbColors()}),
                 QList<int>({number, number, number}));
    }

    void speed_data() { SpeedRows(); }
    void speed()
    {
        CColorPageRig rig;
        rig.SelectRgb(3);
        CheckSpeed(rig, *Page(rig));
    }

    void sizeRangeFromCells()
    {
        CColorPageRig rig;
        rig.SelectRgb(500);
        auto page = Page(rig);
        QCOMPARE(QList<int>({page->SizeCtrl()->Minimum(), page->SizeCtrl()->Maximum()}), QList<int>({30, 500}));
        QCOMPARE(page->Effect()->m_size, 30);
        page->SetMatrix(nullptr);
        QCOMPARE(QList<int>({page->SizeCtrl()->Minimum(), page->SizeCtrl()->Maximum()}), QList<int>({1, 500}));
    }

    void matrixSwapsThePreview()
    {
        CColorPageRig rig;
        CFixtureMatrix* matrix = rig.AddMatrix(4, 2);
        auto page = Page(rig);
        QVERIFY(!qobject_cast<CMatrixPreviewWnd*>(page->Preview()));
        page->SetMatrix(matrix);
        QVERIFY(qobject_cast<CMatrixPreviewWnd*>(page->Preview()));
        QVERIFY(page->MatrixLayout());
        QCOMPARE(page->SizeCtrl()->Maximum(), 8);
        page->SetMatrix(nullptr);
        QVERIFY(!qobject_cast<CMatrixPreviewWnd*>(page->Preview()));
        QVERIFY(!page->MatrixLayout());
        page->Tick(40);
    }

    // Swatches selected when a colour is picked, and the colours after it.
    void pickedColor_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<bool>>("changed");
        QTest::newRow("none: only regenerates") << QList<int>() << QList<bool>({false, false, false});
        QTest::newRow("two") << QList<int>({0, 2}) << QList<bool>({true, false, true});
        QTest::newRow("outside the chooser ignored") << QList<int>({1, 12, -1}) << QList<bool>({false, true, false});
    }
    void pickedColor()
    {
        QFETCH(QList<int>, selected);
        QFETCH(QList<bool>, changed);
        CColorPageRig rig;
        rig.SelectRgb(3);
        auto page = Page(rig);
        page->Chooser()->m_selected = selected;
        rig.ClearRegenerated();
        emit rig.Color()->colorChanged(1, 2, 3, 4);
        QVERIFY(rig.Regenerated());
        QList<bool> seen;
        for (int i = 0; i < changed.size(); ++i)
            seen << (page->Effect()->m_colors.at(i) == CRgbwColor(1, 2, 3, 4));
        QCOMPARE(seen, changed);
    }

    void colorAfterPresetsRebuild()
    {
        CColorPageRig rig;
        rig.SelectRgb(2);
        auto page = Page(rig);
        page->Chooser()->m_selected = {1};
        rig.Rebuild();
        emit rig.Color()->colorChanged(9, 8, 7, 6);
        QCOMPARE(page->Effect()->m_colors.at(1), CRgbwColor(9, 8, 7, 6));
    }

    void fileValuesBounded()
    {
        CColorPageRig rig;
        rig.SelectRgb(2);
        CTrichroEffect effect;
        effect.m_trichroType = 9;
        effect.m_number = 50;
        effect.m_fade = -3;
        effect.m_intensity = 0;
        effect.m_size = 1 << 20;
        auto page = Page(rig, &effect);
        const CTrichroEffect& bounded = *page->Effect();
        QCOMPARE(QList<int>({bounded.m_trichroType, bounded.m_number, bounded.m_fade, bounded.m_intensity,
                             bounded.m_size, bounded.m_colors.size()}),
                 QList<int>({4, 10, 40, 10, 2, 10}));
    }
};

ORVANE_TEST(TrichroPageTest)
#include "TrichroPageTest.moc"
