#include "WindowRig.h"
#include "TestRegistry.h"

#include "ModalAnswer.h"
#include "ShowAtBound.h"
#include "ShowEdits.h"
#include "ShownDialogs.h"

#include "../devices/FakeTransport.h"
#include "../model/LibraryProfileBuilder.h"
#include "Captions.h"
#include "app/Orvane.h"
#include "editors/CurveEffectWnd.h"
#include "editors/EditSceneWnd.h"
#include "editors/EditEffectWnd.h"
#include "editors/EffectsWnd.h"
#include "editors/GradientCtrl.h"
#include "editors/GradientEffectWnd.h"
#include "editors/PanTiltEffectWnd.h"
#include "editors/PresetEffectWnd.h"
#include "effects/CurveEffect.h"
#include "effects/EffectEngine.h"
#include "effects/GradientEffect.h"
#include "effects/PresetEffect.h"
#include "live/PagesWnd.h"
#include "model/Language.h"
#include "model/PatchedFixture.h"
#include "panels/ChannelPresetCtrl.h"
#include "panels/PresetsWnd.h"
#include "show/EffectScene.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/SceneStep.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/SliderCtrl.h"

#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QtTest>

#include <functional>
#include <memory>

using namespace ProfileBuilder;

// What the effect editors make happen in the rest of the main window: the
// selection reaching them, the effect scene as the edited scene, the
// question on Cancel, the preview on the fixtures and the word on a start
// that plays nothing.

namespace {

// The main window with, none selected: F1 and F2 RGB at 0 and 20, F3 a
// moving head at 40 (dimmer, pan 41/42, tilt 43/44), F4 three RGB cells at
// 60-68, F5 a zoom at 80 and F6 a dimmer and a zoom at 100.
struct CEffectWindowRig : CWindowRigBase
{
    CEffectWindowRig()
    {
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        Start(std::move(setup));
        CLibraryProfile* rgb = Profile([](CLibraryProfile& p) { AddColorSet(p, ChannelType::Red); });
        CLibraryProfile* head = Profile([](CLibraryProfile& p) {
            AddDimmer(p);
            AddFine(p, AddChannel(p, ChannelType::Pan));
            AddFine(p, AddChannel(p, ChannelType::Tilt));
        });
        CLibraryProfile* cells = Profile([](CLibraryProfile& p) {
            SetBeams(p, {{0.0f, 0.0f}, {1.0f, 0.0f}, {2.0f, 0.0f}});
            for (int beam = 0; beam < 3; ++beam)
                AddColorSet(p, ChannelType::Red, Beams({beam}));
        });
        CLibraryProfile* zoom = Profile([](CLibraryProfile& p) { AddChannel(p, ChannelType::Zoom); });
        CLibraryProfile* spot = Profile([](CLibraryProfile& p) {
            AddDimmer(p);
            AddChannel(p, ChannelType::Zoom);
        });
        for (auto [profile, address] :
             {std::pair{rgb, 0}, {rgb, 20}, {head, 40}, {cells, 60}, {zoom, 80}, {spot, 100}}) {
            const int id = fixtures.size() + 1;
            auto* fixture = new CPatchedFixture(address, 0, id, -1, QStringLiteral("F%1").arg(id), profile, false,
                                                false, 0);
            Project().m_generalGroup->AddFixture(fixture);
            fixtures << fixture;
        }
        Project().UpdateAfterPatch(false, false);
    }

    CProject& Project() { return window->Project(); }
    CPagesWnd& Pages() { return *window->LivePages(); }

    CLibraryProfile* Profile(const std::function<void(CLibraryProfile&)>& build)
    {
        auto* profile = new CLibraryProfile;
        build(*profile);
        profile->UpdateRoles();
        Project().m_library << profile;
        return profile;
    }

    // As the layout view selects: the fixtures numbered, every beam.
    void Select(const QList<int>& numbers)
    {
        CGroup* group = Project().m_currentGroup;
        group->m_selectedFixtures.clear();
        for (CPatchedFixture* fixture : qAsConst(fixtures)) {
            for (bool& flag : fixture->BeamFlags())
                flag = numbers.contains(fixtures.indexOf(fixture) + 1);
            if (numbers.contains(fixtures.indexOf(fixture) + 1))
                group->m_selectedFixtures << fixture;
        }
        Project().SelectionChanged();
    }

    // The effect scene editor on a new effect scene, and the kind clicked there.
    CEditEffectWnd* OpenEffectScene(CEffectScene* scene = nullptr)
    {
        Pages().EditEffectScene(scene ? scene : Project().AddEffectScene());
        return dynamic_cast<CEditEffectWnd*>(Pages().ShownEditor());
    }
    CEffectsWnd* OpenKind(CEditEffectWnd* editor, int type)
    {
        editor->OnSelEffectChanged(editor->KindItem(type));
        return dynamic_cast<CEffectsWnd*>(Pages().ShownEditor());
    }
    CEffectsWnd* Effects() { return dynamic_cast<CEffectsWnd*>(Pages().ShownEditor()); }

    // F3 selected and the kind opened on a new effect scene: its page.
    template <class Page>
    Page* OpenPageOnHead(int type)
    {
        Select({3});
        CEffectsWnd* window = OpenKind(OpenEffectScene(), type);
        return window ? qobject_cast<Page*>(window->Page()) : nullptr;
    }

    QList<CPatchedFixture*> fixtures;
};

QString Slots(const quint8* layer, int from, int to)
{
    QStringList levels;
    for (int s = from; s < to; ++s)
        levels << QString::number(layer[s]);
    return levels.join(' ');
}

QString MarkText(const CSlotMask* mask, int from, int to)
{
    quint8 marks[CSlotMask::kSlots];
    mask->ToBytes(marks);
    return Slots(marks, from, to);
}

// What the operator may see change of a scene being edited: its steps and
// the entries of F2 in them, the marks of F1 and F2, the editor's history
// and the window's "*".
QString EditedState(CEffectWindowRig& rig, CEditSceneWnd& editor)
{
    const CScene* scene = editor.Scene();
    int entries = 0;
    int ofF2 = 0;
    for (const CSceneStep* step : scene->m_steps) {
        entries += step->EntryCount();
        ofF2 += step->FindEntry(rig.fixtures.at(1)) ? 1 : 0;
    }
    return QStringLiteral("%1 steps, %2 entries, %3 of F2, marks %4 | %5, %6 undo%7")
        .arg(scene->m_steps.size())
        .arg(entries)
        .arg(ofF2)
        .arg(MarkText(scene->ActiveMask(0), 0, 3), MarkText(scene->ActiveMask(0), 20, 23))
        .arg(editor.UndoTable()->rowCount())
        .arg(rig.window->IsModified() ? QStringLiteral(" *") : QString());
}

} // namespace

class EffectEditingWiringTest : public QObject
{
    Q_OBJECT

private slots:
    // What the open editor shows before and after the operator selects
    // other fixtures in the layout view.
    void selectionReachesTheOpenEditor_data()
    {
        QTest::addColumn<int>("kind"); // 0: the effect scene editor alone
        QTest::addColumn<QList<int>>("first");
        QTest::addColumn<QList<int>>("then");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("editor opened before a selection") << 0 << QList<int>{} << QList<int>{1} << "kinds  apply 0"
                                                          << "kinds 1 2 3 5 apply 1";
        QTest::newRow("editor, a head") << 0 << QList<int>{1} << QList<int>{3} << "kinds 1 2 3 5 apply 1"
                                        << "kinds 3 4 5 apply 1";
        // Back from the effects window, the editor shows what changed meanwhile.
        QTest::newRow("editor after parameters") << -1 << QList<int>{1} << QList<int>{3} << "F1 colour"
                                                 << "kinds 3 4 5 apply 1";
        QTest::newRow("gradient page fixtures") << int(EffectType::Gradient) << QList<int>{1} << QList<int>{2}
                                                << "F1 colour" << "F2 colour";
        QTest::newRow("gradient page, no colour selected") << int(EffectType::Gradient) << QList<int>{1}
                                                           << QList<int>{5} << "F1 colour" << "colour";
        QTest::newRow("curve page channel table") << int(EffectType::Curve) << QList<int>{1} << QList<int>{3}
                                                  << "Red Green Blue" << "Pan Tilt Dimmer";
        QTest::newRow("preset page marks") << int(EffectType::Preset) << QList<int>{3} << QList<int>{1} << "40"
                                           << "";
    }
    void selectionReachesTheOpenEditor()
    {
        QFETCH(int, kind);
        QFETCH(QList<int>, first);
        QFETCH(QList<int>, then);
        CEffectWindowRig rig;
        CProject& project = rig.Project();
        rig.Select(first);
        CEditEffectWnd* editor = rig.OpenEffectScene();
        QVERIFY(editor);
        CEffectsWnd* window = kind ? rig.OpenKind(editor, qAbs(kind)) : nullptr;
        QVERIFY(!kind || (window && window->Page()));
        if (auto* preset = window ? qobject_cast<CPresetEffectWnd*>(window->Page()) : nullptr) {
            preset->Effect()->m_channelTypes = {ChannelType::Dimmer};
            preset->MarkEffectChannels();
        }
        const auto state = [&]() -> QString {
            if (!window) {
                QStringList kinds;
                for (int i = 0; i < editor->KindList()->count(); ++i) {
                    if (!editor->KindList()->item(i)->isHidden())
                        kinds << editor->KindList()->item(i)->data(Qt::UserRole).toString();
                }
                return QStringLiteral("kinds %1 apply %2")
                    .arg(kinds.join(' '))
                    .arg(editor->EndButton(CEditEffectWnd::BtnApplySelected)->isEnabled());
            }
            QStringList shown;
            if (auto* curve = qobject_cast<CCurveEffectWnd*>(window->Page())) {
                for (int r = 0; r < curve->Table()->rowCount(); ++r)
                    shown << curve->Table()->item(r, 0)->text();
            } else if (qobject_cast<CPresetEffectWnd*>(window->Page())) {
                for (int s = 0; s < 90; ++s) {
                    if (project.m_effectMask[0][s])
                        shown << QString::number(s);
                }
            } else {
                for (const CPatchedFixture* fixture : project.m_effectEngine.Effect()->m_fixtures)
                    shown << fixture->m_name;
                // The presets' colour control the page follows.
                if (window->Page()->ColorControl())
                    shown << "colour";
            }
            return shown.join(' ');
        };
        QTEST(state(), "before");
        rig.Select(then);
        if (kind < 0) {
            window->OnParams();
            window = nullptr;
        }
        QTEST(state(), "after");
    }

    // The channel presets rebuilt when their panel shows again carry the
    // marks of the effect being edited.
    void presetsShownAgainCarryTheEffectMarks()
    {
        CEffectWindowRig rig;
        auto* page = rig.OpenPageOnHead<CPresetEffectWnd>(EffectType::Preset);
        QVERIFY(page);
        page->Effect()->m_channelTypes = {ChannelType::Dimmer};
        page->MarkEffectChannels();
        const auto dimmerMode = [&rig] {
            for (const CChannelPresetCtrl* control : rig.window->PresetsPanel()->ChannelControls()) {
                if (control->Channel() && control->Channel()->m_type == ChannelType::Dimmer)
                    return control->ModeSwitch()->State();
            }
            return -1;
        };
        QCOMPARE(dimmerMode(), int(PresetModeFx));
        rig.window->ShowToolPanel(Orvane::kFadersPanel);
        rig.Select({3, 6});
        rig.window->ShowToolPanel(Orvane::kPresetsPanel);
        QCOMPARE(dimmerMode(), int(PresetModeFx));
    }

    // The open effect scene is the edited scene: the presets' colour goes
    // into its static levels, the effects window shows them and copies live
    // levels into them, and every way out ends the edit at once.
    void effectSceneIsTheEditedScene_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::newRow("editor ok") << "ok";
        QTest::newRow("editor cancel") << "cancel";
        QTest::newRow("effects window ok") << "curve ok";
        QTest::newRow("effects window cancel") << "curve cancel";
        QTest::newRow("parameters, then editor ok") << "curve params ok";
    }
    void effectSceneIsTheEditedScene()
    {
        QFETCH(QString, steps);
        CEffectWindowRig rig;
        CProject& project = rig.Project();
        rig.Select({1});
        CEffectScene* scene = project.AddEffectScene();
        CEditEffectWnd* editor = rig.OpenEffectScene(scene);
        QVERIFY(editor);
        QCOMPARE(project.m_editedScene, static_cast<CScene*>(scene));
        QCOMPARE(project.EditTarget(), 0);
        rig.window->PresetsPanel()->OnColorChanged(10, 20, 30, 0);
        QVERIFY(scene->HasStaticLevel(rig.fixtures[0]->Profile(), 0));
        QCOMPARE(project.m_liveMask[0][0], quint8(0));
        project.m_live[0][21] = 77;
        project.m_liveMask[0][21] = 1;
        for (const QString& step : steps.split(' ')) {
            if (step == "curve") {
                CEffectsWnd* window = rig.OpenKind(editor, EffectType::Curve);
                QVERIFY(window && window->Page());
                QCOMPARE(Slots(project.m_edit[0], 0, 3), QStringLiteral("10 20 30"));
                rig.Select({1, 2});
                window->CopyLive();
                QCOMPARE(int(project.m_edit[0][21]), 77);
            } else if (step == "params") {
                rig.Effects()->OnParams();
            } else if (CEffectsWnd* window = rig.Effects()) {
                // The copied live levels changed the scene: Cancel asks first.
                if (step == "cancel")
                    OnNextModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
                step == "ok" ? window->OnOk() : window->OnCancel();
            } else {
                step == "ok" ? editor->OnOk() : editor->OnCancel();
            }
        }
        QCOMPARE(rig.Pages().Mode(), int(CPagesWnd::PagesMode));
        QVERIFY(!project.m_editedScene);
        QCOMPARE(project.EditTarget(), 3);
        QCOMPARE(Slots(project.m_editMask[0], 0, 3), QStringLiteral("0 0 0"));
    }

    // Cancel after moving the figure asks before the change is lost.
    // An effect row edited with F2 dropped from the selection and grown by
    // five steps: admitted, F2's channels are marked no more; refused at the
    // step bound, the scene stays as it was, its marks included.
    void droppingAFixtureFromAnEditedRow_data()
    {
        QTest::addColumn<qint64>("room");
        QTest::addColumn<QString>("after");
        QTest::newRow("room for the steps") << qint64(5) << "105 steps, 105 entries, 0 of F2, marks 1 1 1 | 0 0 0, 2 undo";
        QTest::newRow("a step short") << qint64(4) << "100 steps, 200 entries, 100 of F2, marks 1 1 1 | 1 1 1, 1 undo";
    }
    void droppingAFixtureFromAnEditedRow()
    {
        QFETCH(qint64, room);
        QFETCH(QString, after);
        CEffectWindowRig rig;
        CProject& project = rig.Project();
        auto* scene = new CScene(QStringLiteral("S"), project.UniverseCount());
        project.m_firstPage->m_scenes << scene;
        rig.Select({1, 2});
        auto* curve = new CCurveEffect(100 * 40);
        curve->SetChannelsFromProfile(rig.fixtures.at(0)->Profile(), false);
        for (bool& active : curve->m_activeChannels)
            active = true;
        ShowEdits::ApplyEffect(project, curve, scene, -1, false);
        FillToBound(project, CShowBounds::Steps, room);
        rig.Pages().ReloadPages();
        QVERIFY(rig.Pages().EditScene(project.m_firstPage, scene));
        auto* editor = dynamic_cast<CEditSceneWnd*>(rig.Pages().ShownEditor());
        QVERIFY(editor);
        editor->Scene()->SelectRow(0);
        editor->EditStepEffect();
        CEffectsWnd* effects = rig.Effects();
        QVERIFY(effects);
        const QString before = EditedState(rig, *editor);
        QCOMPARE(before, QStringLiteral("100 steps, 200 entries, 100 of F2, marks 1 1 1 | 1 1 1, 1 undo"));

        // F2's beams unlit in the layout: it stays in the selection, lit no more.
        for (bool& flag : rig.fixtures.at(1)->BeamFlags())
            flag = false;
        project.SelectionChanged();
        auto* page = qobject_cast<CCurveEffectWnd*>(effects->Page());
        QVERIFY(page);
        page->OnTimeChanged(QTime(0, 0, 4, 200)); // five steps more
        CShownDialogs dialogs(QMessageBox::Ok);
        effects->OnOk();
        QCOMPARE(rig.Pages().ShownEditor(), static_cast<CLiveEditor*>(editor));
        QCOMPARE(EditedState(rig, *editor), after);
        const QStringList refused{CShowBounds::ShowHoldsTooMany(CShowBounds::Steps)};
        QCOMPARE(dialogs.shown, room < 5 ? refused : QStringList());
    }

    void panTiltCancelAsks()
    {
        CEffectWindowRig rig;
        auto* page = rig.OpenPageOnHead<CPanTiltEffectWnd>(EffectType::PanTilt);
        QVERIFY(page);
        page->PhiSlider()->SpinBox()->setValue(40);
        auto asked = std::make_shared<QString>();
        OnNextModal<QMessageBox>([asked](QMessageBox* box) {
            *asked = box->text();
            box->button(QMessageBox::No)->click();
        });
        const QString name = rig.Effects()->EditedName();
        QVERIFY(!name.isEmpty());
        rig.Effects()->OnCancel();
        QCOMPARE(*asked, GetLangText(Txt::EdKeepChanges).arg(name));
        QCOMPARE(rig.Pages().Mode(), int(CPagesWnd::PagesMode));
    }

    // The gradient preview lights each cell of a fixture as the applied
    // scene does.
    void gradientPreviewLightsEveryCell()
    {
        CEffectWindowRig rig;
        CProject& project = rig.Project();
        rig.Select({4});
        CScene* scene = project.m_firstPage->m_scenes.isEmpty() ? nullptr : project.m_firstPage->m_scenes.first();
        if (!scene) {
            scene = new CScene(QStringLiteral("S"), project.UniverseCount());
            project.m_firstPage->m_scenes << scene;
        }
        QVERIFY(rig.Pages().EditScene(project.m_firstPage, scene));
        rig.Pages().OnEditEffect(eEffectGradient, false);
        auto* page = rig.Effects() ? qobject_cast<CGradientEffectWnd*>(rig.Effects()->Page()) : nullptr;
        QVERIFY(page);
        CGradientEffect pegs(1000);
        pegs.m_pegColors = {CRgbwColor(200, 100, 50), CRgbwColor(200, 100, 50)};
        page->GradientCtrl()->SetPegs(pegs);
        page->OnClickedStatic();
        rig.window->TickLivePagesOrEditor(25, 1);
        const QString preview = Slots(project.m_edit[0], 60, 69);
        rig.Effects()->OnOk();
        QVERIFY(!scene->m_steps.isEmpty());
        const CStepFixture* entry = scene->m_steps.first()->FindEntry(rig.fixtures[3]);
        QVERIFY(entry);
        QStringList applied;
        for (int c = 0; c < 9; ++c)
            applied << QString::number(entry->Level(c));
        QCOMPARE(preview, applied.join(' '));
        QCOMPARE(preview, QStringLiteral("200 100 50 200 100 50 200 100 50"));
    }

    // An effect scene plays on the fixtures selected when it starts; when
    // that is none, or none that can play it, the status bar says why.
    void startingAnEffectSaysWhyNothingPlays_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<bool>("plays");
        QTest::addColumn<int>("message"); // -1: none
        QTest::newRow("nothing selected") << QList<int>{} << false << int(Txt::PagesEffectNoSelection);
        QTest::newRow("a zoom cannot play a gradient") << QList<int>{5} << false << int(Txt::PagesEffectNoFixture);
        QTest::newRow("an RGB fixture plays it") << QList<int>{1} << true << -1;
    }
    void startingAnEffectSaysWhyNothingPlays()
    {
        QFETCH(QList<int>, selected);
        QFETCH(bool, plays);
        QFETCH(int, message);
        CEffectWindowRig rig;
        CEffectScene* scene = rig.Project().AddEffectScene();
        scene->m_effects << new CGradientEffect(1000);
        rig.Select(selected);
        rig.window->statusBar()->clearMessage();
        QCOMPARE(rig.Pages().ToggleEffectScene(scene, true, true), plays);
        QCOMPARE(rig.window->statusBar()->currentMessage(), message < 0 ? QString() : GetLangText(message));
    }
};

ORVANE_TEST(EffectEditingWiringTest)
#include "EffectEditingWiringTest.moc"
