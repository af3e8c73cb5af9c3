#pragma once

#include "../model/LibraryProfileBuilder.h"
#include "ScenesText.h"
#include "ShowEdits.h"
#include "ShowReferences.h"

#include "effects/CurveEffect.h"
#include "effects/Effect.h"
#include "effects/MatrixColorEffect.h"
#include "model/FixtureMatrix.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"
#include "show/Page.h"
#include "show/PlayingScene.h"
#include "show/ShowHost.h"

#include <QStringList>

#include <memory>
#include <random>
#include <vector>

// A show edited at random as an operator edits it through the windows, and
// played between the edits: patching, moving and re-profiling fixtures,
// deleting fixtures, matrices and groups (some holding a matrix but not
// its members, selected through it), storing selections, applying
// effects, cutting and pasting steps, deleting scenes and pages, masks,
// links between scenes, saving and opening again; scenes and effect copies
// start, stop and release while ticks run. Every choice comes from the
// seed, so a seed replays exactly.
//
// It is its own host and keeps a step clipboard the way the scene editor
// does: outside the show, cleaned through the host calls.
class CRandomShow : public CShowHost
{
public:
    CRandomShow(quint32 seed, const QString& folder) : m_random(seed), m_path(folder + QStringLiteral("/show.kv3"))
    {
        SetShowHost(this);
        using namespace ProfileBuilder;
        const auto make = [this](const char* path, int family, void (*build)(CLibraryProfile&)) {
            auto profile = std::make_unique<CLibraryProfile>();
            build(*profile);
            profile->SetPath(QString::fromLatin1(path));
            profile->UpdateRoles();
            m_templates.push_back({std::move(profile), family});
        };
        make("Rnd/DimRgb.kvp", 4, [](CLibraryProfile& p) {
            AddDimmer(p);
            AddColorSet(p, ChannelType::Red);
        });
        make("Rnd/RgbDim.kvp", 4, [](CLibraryProfile& p) {
            AddColorSet(p, ChannelType::Red);
            AddDimmer(p);
        });
        make("Rnd/CmyZoom.kvp", 4, [](CLibraryProfile& p) {
            AddColorSet(p, ChannelType::Cyan);
            AddChannel(p, ChannelType::Zoom);
        });
        make("Rnd/Head.kvp", 5, [](CLibraryProfile& p) {
            AddDimmer(p);
            AddFine(p, AddChannel(p, ChannelType::Pan));
            AddFine(p, AddChannel(p, ChannelType::Tilt));
        });
        make("Rnd/Spot.kvp", 5, [](CLibraryProfile& p) {
            AddChannel(p, ChannelType::Pan);
            AddChannel(p, ChannelType::Tilt);
            AddDimmer(p);
            AddChannel(p, ChannelType::Zoom);
            AddChannel(p, ChannelType::Shutter);
        });
        make("Rnd/Dim.kvp", 1, [](CLibraryProfile& p) { AddDimmer(p); });
        project.NewProject(2);
    }
    ~CRandomShow() override
    {
        ClearClipboard();
        project.Clear();
        SetShowHost(nullptr);
    }
    CRandomShow(const CRandomShow&) = delete;
    CRandomShow& operator=(const CRandomShow&) = delete;

    // One edit or a run of ticks; its name joins the log. Empty while every
    // reference of the show is valid, else what points at what is gone.
    QStringList Step()
    {
        using Operation = void (CRandomShow::*)();
        struct Weighted
        {
            int weight;
            const char* name;
            Operation run;
        };
        static const Weighted operations[] = {
            {8, "patch", &CRandomShow::Patch},
            {3, "move", &CRandomShow::Move},
            {5, "reprofile", &CRandomShow::Reprofile},
            {4, "delete fixtures", &CRandomShow::DeleteFixtures},
            {2, "patch matrix", &CRandomShow::PatchMatrix},
            {2, "delete matrix", &CRandomShow::DeleteMatrix},
            {2, "group", &CRandomShow::Group},
            {4, "scene", &CRandomShow::Scene},
            {8, "store", &CRandomShow::Store},
            {5, "apply effect", &CRandomShow::Effect},
            {4, "copy steps", &CRandomShow::Copy},
            {3, "paste steps", &CRandomShow::Paste},
            {2, "delete scene", &CRandomShow::DeleteScene},
            {1, "page", &CRandomShow::Page},
            {1, "mask", &CRandomShow::Mask},
            {3, "link scenes", &CRandomShow::Link},
            {3, "effect scene", &CRandomShow::EffectScene},
            {8, "play", &CRandomShow::Play},
            {3, "stop", &CRandomShow::Stop},
            {12, "ticks", &CRandomShow::Ticks},
            {1, "save and open", &CRandomShow::SaveAndOpen},
        };
        int total = 0;
        for (const Weighted& operation : operations)
            total += operation.weight;
        int draw = Pick(total);
        const Weighted* chosen = operations;
        while (draw >= chosen->weight)
            draw -= (chosen++)->weight;
        m_note.clear();
        (this->*chosen->run)();
        log << QString::fromLatin1(chosen->name) + m_note;
        if (log.size() > 16)
            log.removeFirst();
        return StaleReferences(project);
    }

    QStringList log; // the last operations, newest last
    CProject project;
    bool saved = false; // the last save and open both succeeded
    // Where the show the last open read differs from the one saved: the
    // first scene line that differs, before and after, or empty.
    QString reopenedOtherwise;

    // The host calls the scene editor answers, as it answers them for its copies.
    void FixturesDeleting(const QList<CPatchedFixture*>& fixtures, const QList<CFixtureMatrix*>& matrices) override
    {
        m_clipboard.RemoveFixtures(fixtures, project);
        m_clipboard.UnbindFixtures(fixtures);
        for (const CFixtureMatrix* matrix : matrices)
            m_clipboard.ReleaseMatrix(matrix);
    }
    void FixtureProfilesChanged() override { m_clipboard.FitEntriesToProfiles(); }
    void ProfilesDeleting(const QList<CLibraryProfile*>& profiles) override { m_clipboard.ForgetProfiles(profiles); }

private:
    struct Template
    {
        std::unique_ptr<CLibraryProfile> profile;
        int family; // channels; a fixture takes another profile of its family only
    };

    int Pick(int count) { return count <= 1 ? 0 : int(m_random() % quint32(count)); }
    template <typename T>
    T PickOf(const QList<T>& list)
    {
        return list.isEmpty() ? T() : list.at(Pick(list.size()));
    }
    void Note(const QString& text) { m_note += QLatin1Char(' ') + text; }

    QList<CPatchedFixture*> Fixtures() const { return project.m_generalGroup->m_fixtures; }
    QList<CPatchedFixture*> FreeFixtures() const
    {
        QList<CPatchedFixture*> free;
        for (CPatchedFixture* fixture : Fixtures()) {
            if (fixture->m_matrixId < 0)
                free << fixture;
        }
        return free;
    }
    QList<CPatchedFixture*> SomeFixtures()
    {
        QList<CPatchedFixture*> some;
        for (CPatchedFixture* fixture : Fixtures()) {
            if (Pick(3) == 0)
                some << fixture;
        }
        return some;
    }
    CPage* CurrentPage() const { return project.m_currentPage; }
    CScene* SomeScene() { return PickOf(CurrentPage()->m_scenes); }

    // The library's profile of the template's path, or a copy joining it as
    // the patch dialog adds one.
    CLibraryProfile* LibraryProfile(const Template& type)
    {
        for (CLibraryProfile* profile : project.m_library) {
            if (profile->GetPath() == type.profile->GetPath())
                return profile;
        }
        auto* profile = new CLibraryProfile(*type.profile);
        profile->UpdateRoles();
        project.m_library << profile;
        return profile;
    }
    // A start slot where `count` channels overlap no fixture; -1 when none was found.
    int FreeAddress(int universe, int count, const CPatchedFixture* moving = nullptr)
    {
        for (int attempt = 0; attempt < 8; ++attempt) {
            const int address = Pick(kSlots - count);
            bool free = true;
            for (const CPatchedFixture* fixture : Fixtures()) {
                const int length = fixture->Profile() ? fixture->Profile()->ChannelCount() : 1;
                free = free && (fixture == moving || fixture->m_universe != universe ||
                                address + count <= fixture->m_address || fixture->m_address + length <= address);
            }
            if (free)
                return address;
        }
        return -1;
    }
    CPatchedFixture* AddFixture(CLibraryProfile* profile, int universe, int matrixId)
    {
        const int address = FreeAddress(universe, profile->ChannelCount());
        if (address < 0)
            return nullptr;
        int id = 1;
        for (const CPatchedFixture* fixture : Fixtures())
            id = std::max(id, fixture->m_id + 1);
        return project.AddFixture(address, universe, id, matrixId, QStringLiteral("F%1").arg(id), profile, false,
                                  false, nullptr);
    }
    void AfterPatch(const QList<CPatchedFixture*>& fixtures)
    {
        project.RemoveFixturesFromScenes(fixtures);
        project.UpdateAfterPatch(true, false);
    }
    // The plan's Delete answered Yes: refused while a playing scene uses them.
    void Remove(const QList<CPatchedFixture*> fixtures, CFixtureMatrix* matrix)
    {
        if (!project.CanRemoveFixtures(fixtures)) {
            Note(QStringLiteral("refused"));
            return;
        }
        if (matrix)
            project.RemoveMatrix(matrix);
        project.RemoveFixtures(fixtures, false);
        project.UpdateAfterPatch(false, false);
    }
    void ClearClipboard()
    {
        m_clipboard.DeleteSteps();
        for (CEffect* effect : m_clipboard.m_effects)
            delete effect;
        m_clipboard.m_effects.clear();
    }

    // --- Patch

    void Patch()
    {
        if (Fixtures().size() >= kMostFixtures)
            return;
        const Template& type = m_templates[size_t(Pick(int(m_templates.size())))];
        if (CPatchedFixture* fixture = AddFixture(LibraryProfile(type), Pick(2), -1)) {
            Note(fixture->m_name);
            AfterPatch({fixture});
        }
    }
    void Move()
    {
        CPatchedFixture* fixture = PickOf(FreeFixtures());
        if (!fixture)
            return;
        const int universe = Pick(2);
        const int address = FreeAddress(universe, fixture->Profile()->ChannelCount(), fixture);
        if (address >= 0) {
            Note(fixture->m_name);
            ShowEdits::MoveFixture(project, fixture, universe, address);
        }
    }
    void Reprofile()
    {
        CPatchedFixture* fixture = PickOf(Fixtures());
        if (!fixture)
            return;
        // A matrix block takes the profile for every member.
        CFixtureMatrix* matrix = project.m_generalGroup->MatrixOf(fixture);
        QList<const Template*> others;
        for (const Template& type : m_templates) {
            if (type.family == fixture->Profile()->ChannelCount() && type.profile->GetPath() != fixture->Profile()->GetPath())
                others << &type;
        }
        const Template* type = PickOf(others);
        if (!type)
            return;
        Note(fixture->m_name + QStringLiteral(" to ") + type->profile->GetPath());
        CLibraryProfile* profile = LibraryProfile(*type);
        if (!matrix) {
            ShowEdits::ChangeProfile(project, fixture, profile);
            return;
        }
        matrix->SetProfile(profile);
        for (CPatchedFixture* member : matrix->Members())
            member->SetProfile(profile);
        project.DropProfilesIfUnused({profile});
        project.UpdateAfterPatch(true, false);
    }
    void DeleteFixtures()
    {
        CPatchedFixture* fixture = PickOf(Fixtures());
        if (!fixture)
            return;
        Note(fixture->m_name);
        CFixtureMatrix* matrix = project.m_generalGroup->MatrixOf(fixture);
        if (Pick(2) == 0) {
            // The patch dialog's OK: a member leaves its matrix, the profiles
            // of the blocks left stay for them.
            Note(QStringLiteral("in the patch"));
            if (!project.CanRemoveFixtures({fixture}))
                return;
            QList<CLibraryProfile*> blockProfiles;
            for (const CPatchedFixture* other : Fixtures()) {
                if (other != fixture && !blockProfiles.contains(other->Profile()))
                    blockProfiles << other->Profile();
            }
            project.RemoveFixtures({fixture}, true, blockProfiles);
            project.DropProfilesIfUnused(blockProfiles);
            project.UpdateAfterPatch(true, false);
            return;
        }
        // The plan's Delete: a member goes with its whole matrix, as the plan selects it.
        Remove(matrix ? matrix->Members() : QList<CPatchedFixture*>{fixture}, matrix);
    }
    void PatchMatrix()
    {
        if (Fixtures().size() + 3 > kMostFixtures)
            return;
        CLibraryProfile* profile = LibraryProfile(m_templates[size_t(Pick(2))]);
        int id = 1;
        for (const CFixtureMatrix* matrix : project.m_generalGroup->m_matrices)
            id = std::max(id, matrix->Id() + 1);
        const int members = 2 + Pick(2);
        CFixtureMatrix* matrix = project.AddMatrix(profile, id, members, 1, nullptr);
        QList<CPatchedFixture*> patched;
        for (int i = 0; i < members; ++i) {
            if (CPatchedFixture* member = AddFixture(profile, 0, id)) {
                matrix->AddMember(member, QRect(20 * i, 0, 20, 20));
                patched << member;
            }
        }
        Note(QString::number(patched.size()));
        AfterPatch(patched);
    }
    void DeleteMatrix()
    {
        if (CFixtureMatrix* matrix = PickOf(project.m_generalGroup->m_matrices))
            Remove(matrix->Members(), matrix);
    }
    void Group()
    {
        project.m_currentGroup = project.m_generalGroup;
        if (project.m_groups.size() > 1 && Pick(2) == 0) {
            project.RemoveGroup(1 + Pick(project.m_groups.size() - 1));
            Note(QStringLiteral("removed"));
            return;
        }
        CFixtureMatrix* matrix = PickOf(project.m_generalGroup->m_matrices);
        if (matrix && Pick(3) == 0) {
            // A matrix selected with no cell lit makes a group of the matrix
            // alone; selecting it there selects members the group lacks.
            Note(QStringLiteral("of a matrix alone"));
            ShowEdits::Select(project, {});
            project.m_generalGroup->m_selectedMatrices = {matrix};
            project.AddGroup(QStringLiteral("G"));
            for (CPatchedFixture* member : matrix->Members()) {
                for (bool& flag : member->BeamFlags())
                    flag = Pick(2) == 0;
            }
            ShowEdits::SelectThroughMatrix(project, matrix);
            if (Pick(2) == 0)
                project.m_currentGroup->AddSubGroup();
            project.SelectionChanged();
        } else {
            ShowEdits::Select(project, SomeFixtures());
            project.AddGroup(QStringLiteral("G"));
        }
        project.m_currentGroup = Pick(2) ? project.m_generalGroup : project.m_currentGroup;
    }

    // --- Scenes and steps

    void Scene()
    {
        if (CurrentPage()->m_scenes.size() < kMostScenes)
            project.AddScene(false);
    }
    void Store()
    {
        CScene* scene = SomeScene();
        const QList<CPatchedFixture*> selection = SomeFixtures();
        if (!scene || selection.isEmpty() || scene->m_steps.size() >= kMostSteps)
            return;
        project.m_currentGroup = project.m_generalGroup;
        ShowEdits::Select(project, selection);
        for (CPatchedFixture* fixture : selection) {
            for (int c = 0; c < fixture->Profile()->ChannelCount(); ++c) {
                if (Pick(2))
                    ShowEdits::SetEditLevel(project, fixture, c, quint8(Pick(256)));
            }
        }
        QList<CSceneStep*> handMade;
        for (CSceneStep* step : scene->m_steps) {
            if (!step->m_effect)
                handMade << step;
        }
        if (handMade.isEmpty() || Pick(3) == 0) {
            scene->InsertStep(Pick(scene->RowCount() + 1) - 1, true, nullptr, project);
            Note(QStringLiteral("new step"));
        } else {
            PickOf(handMade)->StoreFixtures(scene, true, project);
        }
    }
    CEffect* NewEffect()
    {
        static const int types[] = {EffectType::Gradient, EffectType::Trichro, EffectType::Curve,
                                    EffectType::PanTilt, EffectType::Preset, EffectType::MatrixAnim};
        const int type = types[Pick(int(std::size(types)))];
        CEffect* effect = CreateEffect(type);
        // The curve editor names its channels after the selection's profiles.
        auto nameChannels = [effect](const QList<CPatchedFixture*>& fixtures) {
            auto* curve = dynamic_cast<CCurveEffect*>(effect);
            QList<CLibraryProfile*> profiles;
            for (const CPatchedFixture* fixture : fixtures) {
                if (!profiles.contains(fixture->Profile()))
                    profiles << fixture->Profile();
            }
            for (CLibraryProfile* profile : curve ? profiles : QList<CLibraryProfile*>())
                curve->SetChannelsFromProfile(profile, profiles.size() > 1);
        };
        CFixtureMatrix* matrix = PickOf(project.m_generalGroup->m_matrices);
        project.m_currentGroup = project.m_generalGroup;
        if (matrix && (type == EffectType::MatrixAnim || Pick(4) == 0)) {
            effect->m_matrix = matrix;
            // On part of a matrix an effect may play on a grid of its own.
            QList<CPatchedFixture*> members = matrix->Members();
            if (auto* matrixEffect = dynamic_cast<CMatrixColorEffect*>(effect)) {
                matrixEffect->m_applySel = Pick(2) == 0;
                for (CPatchedFixture* member : members) {
                    for (bool& flag : member->BeamFlags())
                        flag = false;
                }
                if (matrixEffect->m_applySel && members.size() > 1)
                    members.removeAt(Pick(members.size()));
            }
            ShowEdits::Select(project, members);
            project.m_generalGroup->m_selectedMatrices = {matrix};
        } else {
            ShowEdits::Select(project, SomeFixtures());
        }
        nameChannels(project.m_generalGroup->m_selectedFixtures);
        Note(effect->GetName());
        return effect;
    }
    void Effect()
    {
        CScene* scene = SomeScene();
        if (!scene || scene->m_steps.size() >= kMostSteps)
            return;
        const bool replace = Pick(3) == 0;
        Note(replace ? QStringLiteral("replace") : QStringLiteral("insert"));
        ShowEdits::ApplyEffect(project, NewEffect(), scene, Pick(scene->RowCount() + 1) - 1, replace);
    }
    void Copy()
    {
        CScene* scene = SomeScene();
        if (!scene || scene->m_steps.isEmpty())
            return;
        ClearClipboard();
        scene->ClearSelection();
        for (int rows = 1 + Pick(2); rows > 0; --rows)
            scene->SelectRow(Pick(scene->RowCount()));
        // As the editor copies: a clone of each effect for the steps made from it.
        QHash<const CEffect*, CEffect*> clones;
        for (CSceneStep* step : scene->m_steps) {
            if (!scene->m_selection.contains(step))
                continue;
            CEffect* clone = nullptr;
            if (step->m_effect) {
                if (!clones.contains(step->m_effect)) {
                    clones.insert(step->m_effect, CloneEffect(step->m_effect));
                    m_clipboard.m_effects << clones.value(step->m_effect);
                }
                clone = clones.value(step->m_effect);
            }
            m_clipboard.m_steps << new CSceneStep(&m_clipboard, *step, clone);
        }
        const bool cut = Pick(2) == 0;
        Note(QStringLiteral("%1 %2").arg(cut ? QLatin1String("cut") : QLatin1String("copy")).arg(m_clipboard.m_steps.size()));
        if (cut)
            scene->RemoveSelectedSteps(true);
        scene->ClearSelection();
    }
    void Paste()
    {
        CScene* scene = SomeScene();
        if (!scene || m_clipboard.m_steps.isEmpty() || scene->m_steps.size() >= kMostSteps)
            return;
        scene->PasteSteps(Pick(scene->RowCount() + 1) - 1, m_clipboard.m_steps);
    }
    void DeleteScene()
    {
        if (!CurrentPage()->m_scenes.isEmpty())
            Note(project.RemoveScene(Pick(CurrentPage()->m_scenes.size())) ? QString() : QStringLiteral("refused"));
    }
    void Page()
    {
        const int choice = Pick(3);
        if (choice == 0 && project.m_pages.size() < 3) {
            project.AddPage(QStringLiteral("P"));
        } else if (choice == 1 && project.m_pages.size() > 1) {
            Note(project.RemovePage(1 + Pick(project.m_pages.size() - 1)) ? QStringLiteral("removed")
                                                                          : QStringLiteral("refused"));
        } else {
            project.m_currentPage = PickOf(project.m_pages);
        }
    }
    void Mask()
    {
        if (project.m_masks.size() < 3) {
            CMask mask;
            for (int i = 0; i < 4; ++i)
                mask.m_levels << CChannelLevel{Pick(2), Pick(kSlots), quint8(Pick(256))};
            project.m_masks << mask;
        }
        project.ApplyMask(Pick(project.m_masks.size()));
    }
    // A jump, a release list, a stored crossfade or a timeline block names
    // another scene.
    void Link()
    {
        CScene* scene = SomeScene();
        CScene* other = SomeScene();
        if (!scene || !other)
            return;
        switch (Pick(4)) {
        case 0:
            if (scene != other) {
                scene->m_jumpTarget = other;
                scene->m_autoJump = Pick(2) == 0;
                Note(QStringLiteral("jump"));
            }
            break;
        case 1:
            scene->m_playMode = ReleaseList;
            if (!scene->m_releaseList.contains(other))
                scene->m_releaseList << other;
            Note(QStringLiteral("release list"));
            break;
        case 2:
            if (project.m_fadingButtons.size() < 3) {
                auto* button = new CFadingButton(QStringLiteral("X"));
                button->m_fadeOutPages << CurrentPage();
                button->m_fadeOutScenes << scene;
                button->m_fadeInPages << CurrentPage();
                button->m_fadeInScenes << other;
                project.m_fadingButtons << button;
                Note(QStringLiteral("crossfade"));
            }
            break;
        default:
            if (project.m_timeLine.m_lines.isEmpty())
                project.m_timeLine.m_lines << new CTimeLine(QStringLiteral("Scenes"));
            if (project.m_timeLine.m_lines.first()->m_blocks.size() < 4)
                project.m_timeLine.m_lines.first()->AddBlock(new CTimeBlock(CurrentPage(), scene));
            Note(QStringLiteral("timeline"));
            break;
        }
    }
    void EffectScene()
    {
        const int choice = Pick(4);
        if (choice == 0 && project.m_effectScenes.size() < 3) {
            CEffectScene* scene = project.AddEffectScene();
            ShowEdits::ApplyEffect(project, NewEffect(), scene, -1, false);
        } else if (choice == 1 && !project.m_effectScenes.isEmpty()) {
            project.m_currentGroup = project.m_generalGroup;
            ShowEdits::Select(project, SomeFixtures());
            project.PlayEffectScene(PickOf(project.m_effectScenes));
            Note(QStringLiteral("play"));
        } else if (choice == 2 && !project.m_effectScenes.isEmpty()) {
            project.StopEffectScene(PickOf(project.m_effectScenes), true);
            Note(QStringLiteral("stop"));
        } else if (!project.m_effectScenes.isEmpty()) {
            project.RemoveEffectScene(Pick(project.m_effectScenes.size()));
            Note(QStringLiteral("delete"));
        }
    }

    // --- Playback

    void Play()
    {
        CPage* page = PickOf(project.m_pages);
        if (CScene* scene = PickOf(page->m_scenes)) {
            Note(scene->m_name);
            page->PlayScene(scene);
        }
    }
    void Stop()
    {
        if (Pick(4) == 0) {
            project.ReleaseScenes();
            Note(QStringLiteral("release"));
            return;
        }
        for (CPage* page : project.m_pages) {
            for (CScene* scene : page->m_scenes) {
                if (page->IsPlaying(scene) && Pick(2) == 0)
                    page->StopScene(scene, false, false, false, true);
            }
        }
    }
    void Ticks()
    {
        for (int n = 1 + Pick(8); n > 0; --n) {
            project.Tick(25);
            project.MergeOutput();
        }
    }
    void SaveAndOpen()
    {
        // The editor closes with the show it edits: its clipboard goes.
        ClearClipboard();
        const QStringList before = ScenesText(project);
        saved = project.SaveProject(m_path) && project.OpenProject(m_path);
        reopenedOtherwise = saved ? FirstDifference(before, ScenesText(project)) : QString();
    }

    static constexpr int kSlots = 512;
    static constexpr int kMostFixtures = 14;
    static constexpr int kMostScenes = 6;
    static constexpr int kMostSteps = 24;

    std::mt19937 m_random;
    const QString m_path;
    std::vector<Template> m_templates;
    CScene m_clipboard{QStringLiteral("clipboard"), 2};
    QString m_note;
};
