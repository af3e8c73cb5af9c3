#include "TestRegistry.h"

#include "EffectPageRig.h"
#include "editors/CurveEffectWnd.h"
#include "editors/EditEffectWnd.h"
#include "effects/CurveEffect.h"
#include "effects/MatrixColorEffect.h"
#include "model/FixtureMatrix.h"

#include <QAction>
#include <QCheckBox>
#include <QTableWidget>
#include <QtTest>

using namespace ProfileBuilder;

namespace {

// The real pages (none stood in for) beside a scene editor's page: the RGB
// fixture at 0, a moving head at 20, a row of four RGB cells at 40 made
// matrix 1, a fixture of three RGB cells at 60 and one of two pan/tilt
// heads at 70.
class CRealPagesRig : public CSceneEditorRig
{
public:
    CRealPagesRig()
    {
        head = Patch(MovingHeadProfile(), 0, 20);
        CLibraryProfile* rgbProfile = RgbProfile();
        matrix = new CFixtureMatrix(rgbProfile, 1, 4, 1, 0);
        project.m_generalGroup->m_matrices << matrix;
        for (int c = 0; c < 4; ++c) {
            CPatchedFixture* cell = Patch(rgbProfile, 0, 40 + 3 * c);
            cell->m_matrixId = 1;
            matrix->AddMember(cell, QRect(c * 20, 0, 20, 20));
            cells << cell;
        }
        auto* profile = new CLibraryProfile;
        SetBeams(*profile, {{0.0f, 0.0f}, {1.0f, 0.0f}, {2.0f, 0.0f}});
        for (int beam = 0; beam < 3; ++beam)
            AddColorSet(*profile, ChannelType::Red, Beams({beam}));
        profile->UpdateRoles();
        project.m_library << profile;
        multiCell = Patch(profile, 0, 60);
        auto* heads = new CLibraryProfile;
        SetBeams(*heads, {{0.0f, 0.0f}, {1.0f, 0.0f}});
        for (int beam = 0; beam < 2; ++beam) {
            AddChannel(*heads, ChannelType::Pan, Beams({beam}));
            AddChannel(*heads, ChannelType::Tilt, Beams({beam}));
        }
        heads->UpdateRoles();
        project.m_library << heads;
        twinHead = Patch(heads, 0, 70);
        window = std::make_unique<CEffectsWnd>(project);
    }

    void Select(const QList<CPatchedFixture*>& fixtures, bool withMatrix = false)
    {
        CGroup* group = project.m_currentGroup;
        group->m_selectedFixtures.clear();
        group->m_selectedMatrices.clear();
        for (CPatchedFixture* fixture : fixtures) {
            for (bool& flag : fixture->BeamFlags())
                flag = true;
            group->m_selectedFixtures << fixture;
        }
        if (withMatrix)
            group->m_selectedMatrices << matrix;
        project.ComputeSelectionCaps();
    }

    // The scene's active driven of universe 0.
    static QString Active(const CScene* scene)
    {
        QStringList driven;
        for (int s = 0; s < 80; ++s) {
            if (scene->IsChannelActive(0, s))
                driven << QString::number(s);
        }
        return driven.join(' ');
    }

    CPatchedFixture* head = nullptr;
    CPatchedFixture* multiCell = nullptr;
    CPatchedFixture* twinHead = nullptr;
    CFixtureMatrix* matrix = nullptr;
    QList<CPatchedFixture*> cells;
    std::unique_ptr<CEffectsWnd> window;
};

// Ends an edit of the effects window or the effect scene editor.
void End(CEffectsWnd* window, CEditEffectWnd* editor, const QString& how)
{
    if (how == "ok")
        window ? window->OnOk() : editor->OnOk();
    else if (how == "applySelected")
        window ? window->OnApplySelected() : editor->OnApplySelected();
    else
        window ? window->OnCancel() : editor->OnCancel();
}

} // namespace

class EffectEditingTest : public QObject
{
    Q_OBJECT

private slots:
    // Each page kind opened through the effects window, as the operator
    // finds it, and applied: the steps it writes and the channels they drive.
    void realPagesThroughTheWindow_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("selected"); // rgb, head, matrix
        QTest::addColumn<QString>("written");
        QTest::newRow("gradient") << int(EffectType::Gradient) << "rgb" << "1 steps, active 0 1 2";
        QTest::newRow("colour sequence") << int(EffectType::Trichro) << "rgb" << "8 steps, active 0 1 2";
        QTest::newRow("curve, red row on") << int(EffectType::Curve) << "rgb" << "200 steps, active 0";
        QTest::newRow("pan/tilt") << int(EffectType::PanTilt) << "head" << "8 steps, active 21 22 23 24";
        QTest::newRow("matrix animation") << int(EffectType::MatrixAnim) << "matrix"
                                          << "16 steps, active 40 41 42 43 44 45 46 47 48 49 50 51";
        QTest::newRow("matrix text") << int(EffectType::MatrixText) << "matrix"
                                     << "1 steps, active 40 41 42 43 44 45 46 47 48 49 50 51";
    }
    void realPagesThroughTheWindow()
    {
        QFETCH(int, type);
        QFETCH(QString, selected);
        {
            // A rig that stands in for pages gives them back as it goes.
            CEffectsRig standIn;
        }
        CRealPagesRig rig;
        if (selected == "rgb")
            rig.Select({rig.rgb});
        else if (selected == "head")
            rig.Select({rig.head});
        else
            rig.Select(rig.cells, true);
        CScene* scene = rig.Scene(0);
        rig.window->EditEffect(scene, type, false);
        CEffectWnd* page = rig.window->Page();
        QVERIFY(page);
        QVERIFY(!dynamic_cast<CFakeEffectPage*>(page));
        if (auto* curve = qobject_cast<CCurveEffectWnd*>(page))
            qobject_cast<QCheckBox*>(curve->Table()->cellWidget(0, 1))->setChecked(true);
        rig.window->OnOk();
        QTEST(QStringLiteral("%1 steps, active %2").arg(scene->m_steps.size()).arg(CRealPagesRig::Active(scene)),
              "written");
    }

    // An apply to an effect scene changes the show, whichever way it is
    // asked for; one to a scene is the scene editor's to keep, and ending
    // without one does not.
    void applyMarksTheShowModified_data()
    {
        QTest::addColumn<bool>("effectsWindow");
        QTest::addColumn<bool>("effectScene");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("modified");
        QTest::newRow("effects window, ok") << true << true << "ok" << true;
        QTest::newRow("effects window over a scene, ok") << true << false << "ok" << false;
        QTest::newRow("effects window, apply selected") << true << true << "applySelected" << true;
        QTest::newRow("effects window, cancel") << true << false << "cancel" << false;
        QTest::newRow("effect scene editor, ok") << false << true << "ok" << true;
        QTest::newRow("effect scene editor, cancel") << false << true << "cancel" << false;
    }
    void applyMarksTheShowModified()
    {
        QFETCH(bool, effectsWindow);
        QFETCH(bool, effectScene);
        QFETCH(QString, how);
        CEffectsRig rig;
        rig.Select({rig.rgb});
        CScene* scene = effectScene ? static_cast<CScene*>(rig.AddEffectScene(true)) : rig.Scene(0);
        CEditEffectWnd editor(rig.project);
        if (effectsWindow)
            rig.window->EditEffect(scene, EffectType::Gradient, false);
        else
            editor.OpenScene(static_cast<CEffectScene*>(scene), true);
        rig.host.modified = false;
        End(effectsWindow ? rig.window.get() : nullptr, &editor, how);
        QTEST(rig.host.modified, "modified");
    }

    // The matrix's Apply selected action flips the effect's flag both ways.
    void applySelectedToggles()
    {
        CRealPagesRig rig;
        rig.Select(rig.cells, true);
        rig.window->EditEffect(rig.Scene(0), EffectType::MatrixText, false);
        auto* effect = dynamic_cast<CMatrixColorEffect*>(rig.project.m_effectEngine.Effect());
        QVERIFY(effect);
        QAction* action = rig.window->ToolAction(CEffectsWnd::ActApplySelected);
        const bool start = effect->m_applySel;
        for (bool expected : {!start, start}) {
            action->trigger();
            QCOMPARE(effect->m_applySel, expected);
            QCOMPARE(action->isChecked(), expected);
        }
    }

    // A colour effect takes the dimmers only where the selection offers no
    // colour to mix yet has colour sets serving several beams.
    void dimmerLockOnlyWithoutColour_data()
    {
        QTest::addColumn<QString>("selected"); // r: RGB, m: cells with a set for all, d: a dimmer
        QTest::addColumn<QString>("flags");
        QTest::newRow("RGB") << "r" << "ec";
        QTest::newRow("cells and a set for all") << "m" << "ec";
        QTest::newRow("dimmer alone") << "d" << "ec";
        QTest::newRow("cells, then a dimmer: no colour to mix") << "md" << "ecd";
    }
    void dimmerLockOnlyWithoutColour()
    {
        QFETCH(QString, selected);
        CEffectsRig rig;
        auto* cells = new CLibraryProfile;
        SetBeams(*cells, {{0.0f, 0.0f}, {1.0f, 0.0f}});
        AddColorSet(*cells, ChannelType::Red, Beams({0}));
        AddColorSet(*cells, ChannelType::Red, Beams({1}));
        AddColorSet(*cells, ChannelType::Red, Beams({0, 1}));
        cells->UpdateRoles();
        rig.project.m_library << cells;
        auto* dimmer = new CLibraryProfile;
        AddDimmer(*dimmer);
        dimmer->UpdateRoles();
        rig.project.m_library << dimmer;
        QMap<QChar, CPatchedFixture*> fixtures{
            {'r', rig.rgb}, {'m', rig.Patch(cells, 0, 10)}, {'d', rig.Patch(dimmer, 0, 30)}};
        QList<CPatchedFixture*> selection;
        for (QChar c : selected)
            selection << fixtures[c];
        rig.project.m_currentGroup->m_selectedFixtures.clear();
        for (CPatchedFixture* fixture : selection) {
            for (bool& flag : fixture->BeamFlags())
                flag = true;
            rig.project.m_currentGroup->m_selectedFixtures << fixture;
        }
        rig.project.ComputeSelectionCaps();
        rig.window->EditEffect(rig.Scene(0), EffectType::Gradient, false);
        QTEST(rig.EditFlags(), "flags");
    }

    // A curve row's preview drives its channel kind on every pair and
    // colour set of a fixture, as the applied scene does.
    void curveRowDrivesEveryRoleChannel_data()
    {
        QTest::addColumn<bool>("heads");
        QTest::addColumn<int>("channelType");
        QTest::addColumn<QString>("driven");
        QTest::newRow("red of three cells") << false << int(ChannelType::Red) << "60 63 66";
        QTest::newRow("blue of three cells") << false << int(ChannelType::Blue) << "62 65 68";
        QTest::newRow("pan of two heads") << true << int(ChannelType::Pan) << "70 72";
        QTest::newRow("tilt of two heads") << true << int(ChannelType::Tilt) << "71 73";
    }
    void curveRowDrivesEveryRoleChannel()
    {
        QFETCH(bool, heads);
        QFETCH(int, channelType);
        QFETCH(QString, driven);
        CRealPagesRig rig;
        CPatchedFixture* fixture = heads ? rig.twinHead : rig.multiCell;
        rig.Select({fixture});
        rig.window->EditEffect(rig.Scene(0), EffectType::Curve, false);
        auto* page = qobject_cast<CCurveEffectWnd*>(rig.window->Page());
        QVERIFY(page);
        const int row = page->Effect()->m_chanTypes.indexOf(channelType);
        QVERIFY(row >= 0);
        qobject_cast<QCheckBox*>(page->Table()->cellWidget(row, 1))->setChecked(true);
        rig.project.m_edit.Zero(0);
        rig.window->Tick(2000, 1);
        // Every driven slot takes the row's level; no other slot is touched.
        const int first = fixture->m_address, end = first + fixture->Profile()->ChannelCount();
        QStringList marked;
        QList<int> levels;
        for (int s = first; s < end; ++s) {
            if (rig.project.m_editMask[0][s])
                marked << QString::number(s);
            levels << rig.project.m_edit[0][s];
        }
        QCOMPARE(marked.join(' '), driven);
        const int level = levels.at(driven.section(' ', 0, 0).toInt() - first);
        QVERIFY(level != 0);
        for (int s = first; s < end; ++s)
            QCOMPARE(levels.at(s - first), marked.contains(QString::number(s)) ? level : 0);
    }
};

ORVANE_TEST(EffectEditingTest)
#include "EffectEditingTest.moc"
