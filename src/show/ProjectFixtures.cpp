#include "show/Project.h"

#include "effects/CurveEffect.h"
#include "effects/Effect.h"
#include "model/FixtureMatrix.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/ProfilePresetDef.h"
#include "model/ProfileTypes.h"
#include "show/EffectScene.h"
#include "show/Group.h"
#include "show/MultiColorRect.h"
#include "show/Page.h"
#include "show/PlayingScene.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/StepFixture.h"
#include "show/ShowHost.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSet>

#include <algorithm>

namespace {

CProject::RemovedFixturesHook s_removedFixturesHook = nullptr;

constexpr int kPresetIconSize = 28;
// A preset picture is a small icon; anything far larger is refused before
// it is decoded, so a hostile profile cannot make us allocate gigabytes.
constexpr int kLargestPresetPicture = 4096;
constexpr int kFirstUniverseCount = 4;

const QColor kIconOutline(115, 115, 110);
const QString kUndefinedPresetIcon = QStringLiteral("System/Presets/Undef.png");
const QString kRotaryMark = QStringLiteral(":/Orvane/Images/Channels/Rotary.png");
const QString kShakeMark = QStringLiteral(":/Orvane/Images/Channels/Shake.png");

QImage ReadIcon(const QString& path)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kLargestPresetPicture || size.height() > kLargestPresetPicture)
        return QImage();
    // Aspect ignored, fast: the reader decodes straight to the icon size.
    reader.setScaledSize(QSize(kPresetIconSize, kPresetIconSize));
    QImage image = reader.read();
    if (image.isNull())
        return image;
    if (image.size() != QSize(kPresetIconSize, kPresetIconSize))
        image = image.scaled(kPresetIconSize, kPresetIconSize, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The three pictures every run needs, read once.
const QImage& UndefinedIcon()
{
    static const QImage image = ReadIcon(kUndefinedPresetIcon);
    return image;
}

const QImage& RotaryMark()
{
    static const QImage image = ReadIcon(kRotaryMark);
    return image;
}

const QImage& ShakeMark()
{
    static const QImage image = ReadIcon(kShakeMark);
    return image;
}

QImage BlankIcon()
{
    QImage icon(kPresetIconSize, kPresetIconSize, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    return icon;
}

void DrawOutline(QPainter& painter)
{
    painter.setPen(kIconOutline);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, kPresetIconSize - 1, kPresetIconSize - 1);
}

// Every scene of every page, every effect scene, every running copy (and
// one still waiting to start or read as playing), the edited scene and the
// recording, each once: an operation that moves or converts levels must not
// reach a scene twice, and one that deletes what entries name must reach
// them all.
QList<CScene*> EveryScene(const CProject& project)
{
    QList<CScene*> scenes;
    QSet<const CScene*> met;
    auto add = [&scenes, &met](CScene* scene) {
        if (scene && !met.contains(scene)) {
            met.insert(scene);
            scenes << scene;
        }
    };
    for (const CPage* page : project.m_pages) {
        for (CScene* scene : page->m_scenes)
            add(scene);
    }
    for (const QList<CEffectScene*>* copies :
         {&project.m_effectScenes, &project.m_runningCopies, &project.m_queuedCopies, &project.m_savedPlayingCopies}) {
        for (CEffectScene* scene : *copies)
            add(scene);
    }
    add(project.m_editedScene);
    add(project.m_recordScene);
    return scenes;
}

// An effect scene's steps are made again from its effect at every start;
// its effect is what the operator built and stays, even with no fixture left.
void DropEntries(CScene* scene, const QList<CPatchedFixture*>& fixtures)
{
    QList<CSceneStep*> steps = scene->m_steps;
    if (scene->m_transitionStep)
        steps << scene->m_transitionStep;
    for (CSceneStep* step : steps) {
        for (int i = step->m_entries.size() - 1; i >= 0; --i) {
            if (fixtures.contains(step->m_entries[i]->Fixture()))
                delete step->m_entries.takeAt(i);
        }
    }
}

} // namespace

void CProject::SetRemovedFixturesHook(RemovedFixturesHook hook)
{
    s_removedFixturesHook = hook;
}

// --- Adding

CPatchedFixture* CProject::AddFixture(int address, int universe, int id, int matrixId, const QString& name,
                                      CLibraryProfile* profile, bool invertPan, bool invertTilt,
                                      CLayoutItem* layoutItem)
{
    if (!m_generalGroup)
        return nullptr;
    CPatchedFixture* fixture = m_generalGroup->AddFixture(address, universe, id, matrixId, name, profile, invertPan,
                                                          invertTilt, m_groups.size(), layoutItem);
    if (m_currentGroup && m_currentGroup != m_generalGroup)
        m_currentGroup->AddFixture(fixture);
    if (invertPan || invertTilt) {
        m_invertedFixtures << fixture;
        m_hasInvertedFixtures = true;
    }
    return fixture;
}

CFixtureMatrix* CProject::AddMatrix(CLibraryProfile* profile, int id, int columns, int rows, CLayoutItem* layoutItem)
{
    if (!m_generalGroup)
        return nullptr;
    CFixtureMatrix* matrix = m_generalGroup->AddMatrix(profile, id, columns, rows, m_groups.size(), layoutItem);
    if (m_currentGroup && m_currentGroup != m_generalGroup)
        m_currentGroup->m_matrices << matrix;
    return matrix;
}

// --- Library

CLibraryProfile* CProject::FindLibraryProfile(const QString& path) const
{
    for (CLibraryProfile* profile : m_library) {
        if (profile->GetPath() == path)
            return profile;
    }
    return nullptr;
}

QString CProject::UniqueProfileName() const
{
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("Untitled%1.kvp").arg(n);
        if (!FindLibraryProfile(name))
            return name;
    }
}

int CProject::UsedUniverseCount() const
{
    int used = 0;
    for (int u = 0; u < m_active.size(); ++u) {
        if (m_active[u])
            used = u + 1;
    }
    return qMax(kFirstUniverseCount, used);
}

// --- Removing

bool CProject::CanRemoveFixtures(const QList<CPatchedFixture*>& fixtures) const
{
    for (const CPage* page : m_pages) {
        for (const CPlayingScene* entry : page->m_playing) {
            const CScene* scene = entry->Scene();
            if (scene && !scene->UsesNoneOf(fixtures))
                return false;
        }
    }
    return true;
}

void CProject::RemoveFixtures(const QList<CPatchedFixture*>& fixtures, bool matrixCleanUp,
                              const QList<CLibraryProfile*>& keepProfiles)
{
    if (!m_generalGroup)
        return;
    // Only patched fixtures, each once: anything else is left alone.
    QList<CPatchedFixture*> removed;
    for (CPatchedFixture* fixture : fixtures) {
        if (m_generalGroup->m_fixtures.contains(fixture) && !removed.contains(fixture))
            removed << fixture;
    }
    if (removed.isEmpty())
        return;

    // Every scene and copy lets go of the fixtures while they still exist.
    for (CScene* scene : EveryScene(*this)) {
        auto* effectScene = scene->IsEffectScene() ? static_cast<CEffectScene*>(scene) : nullptr;
        // Copies waiting to start are the removal hook's, which may drop them.
        if (effectScene && m_queuedCopies.contains(effectScene))
            continue;
        if (effectScene && !m_runningCopies.contains(effectScene))
            DropEntries(scene, removed);
        else
            scene->RemoveFixtures(removed, *this);
        scene->UnbindFixtures(removed);
        for (CPatchedFixture* fixture : effectScene ? removed : QList<CPatchedFixture*>()) {
            effectScene->m_drivenFixtures.removeAll(fixture);
            effectScene->m_capturedSelection.removeAll(fixture);
        }
    }
    // The effect being edited, and the engine's records made from it.
    if (CEffect* edited = m_effectEngine.Effect()) {
        for (const CPatchedFixture* fixture : removed)
            edited->RemoveFixture(fixture);
        m_effectEngine.SetEffect(edited);
    }
    if (s_removedFixturesHook)
        s_removedFixturesHook(*this, removed);

    QList<CLibraryProfile*> profiles;
    for (CPatchedFixture* fixture : removed) {
        CLibraryProfile* profile = fixture->Profile();
        if (profile && !keepProfiles.contains(profile) && !profiles.contains(profile))
            profiles << profile;

        for (int g = 1; g < m_groups.size(); ++g)
            m_groups[g]->RemoveFixture(fixture, false, false);
        if (m_invertedFixtures.removeAll(fixture) > 0)
            m_hasInvertedFixtures = !m_invertedFixtures.isEmpty();
        m_savedSelectedFixtures.removeAll(fixture);

        // No matrix may keep a deleted member. Without the clean-up the
        // caller deals with the matrix itself; with it, a matrix left empty
        // leaves every group (and every effect) before it is deleted.
        for (CFixtureMatrix* matrix : QList<CFixtureMatrix*>(m_generalGroup->m_matrices)) {
            if (!matrix->RemoveMember(fixture))
                continue;
            if (matrixCleanUp && matrix->MemberCount() == 0)
                RemoveMatrix(matrix);
        }
        m_generalGroup->RemoveFixture(fixture, matrixCleanUp, true);
    }
    DropProfilesIfUnused(profiles);
    ComputeSelectionCaps();
}

void CProject::DropProfileIfUnused(CLibraryProfile* profile)
{
    DropProfilesIfUnused({profile});
}

void CProject::DropProfilesIfUnused(const QList<CLibraryProfile*>& profiles)
{
    if (profiles.isEmpty() || !m_generalGroup)
        return;
    // Entries made before a fixture took another profile name the old one
    // until they are fitted.
    FitEntriesToProfiles();
    QSet<const CLibraryProfile*> named;
    for (const CPatchedFixture* fixture : m_generalGroup->m_fixtures)
        named.insert(fixture->Profile());
    // A matrix kept by the caller still draws with its profile, and a grid
    // an effect made of part of a matrix with the matrix's.
    for (const CFixtureMatrix* matrix : m_generalGroup->m_matrices)
        named.insert(matrix->Profile());
    QList<const CEffect*> effects{m_effectEngine.Effect()};
    for (const CScene* scene : EveryScene(*this))
        effects += QList<const CEffect*>(scene->m_effects.begin(), scene->m_effects.end());
    for (const CEffect* effect : effects) {
        if (effect && effect->m_ownsMatrix && effect->m_matrix)
            named.insert(effect->m_matrix->Profile());
    }
    QList<CLibraryProfile*> dropped;
    for (CLibraryProfile* profile : profiles) {
        if (!profile)
            continue;
        // A group's presets layout of a profile it has no fixture of goes.
        for (CGroup* group : m_groups) {
            const bool usedHere = std::any_of(group->m_fixtures.begin(), group->m_fixtures.end(),
                                              [profile](const CPatchedFixture* f) { return f->Profile() == profile; });
            if (!usedHere)
                group->RemoveProfileConfigs(profile);
        }
        if (named.contains(profile) || m_library.removeAll(profile) == 0)
            continue;
        m_addedProfiles.removeAll(profile);
        dropped << profile;
    }
    if (dropped.isEmpty())
        return;
    // The selection names no fixture of theirs: whatever the host reads of
    // the capabilities while it lets go of them names none of them either.
    ComputeSelectionCaps();
    // No grid of the show names them: only curve channels do.
    for (CScene* scene : EveryScene(*this))
        scene->ForgetProfiles(dropped);
    if (auto* curve = dynamic_cast<CCurveEffect*>(m_effectEngine.Effect())) {
        for (const CLibraryProfile* profile : qAsConst(dropped))
            curve->ForgetChannelsOf(*profile);
    }
    ShowHost().ProfilesDeleting(dropped);
    qDeleteAll(dropped);
}

namespace {

bool HoldsEntryOfFormerProfile(const CScene& scene)
{
    for (const CSceneStep* step : scene.m_steps) {
        for (const CStepFixture* entry : step->m_entries) {
            if (entry->Fixture() && entry->Profile() != entry->Fixture()->Profile())
                return true;
        }
    }
    return false;
}

// Made again where it plays: the effect times its steps whatever the
// profiles, so the copy goes on at the same point of its cycle. The
// fixtures it gave up to a newer copy, which its effect still binds, stay
// given up. Counted as driving the fixtures of its new first step only.
void RemakePlayingCopy(CProject& project, CEffectScene& copy)
{
    const int index = copy.CurrentStepIndex();
    const QVector<CPatchedFixture*> held = copy.FirstStepFixtures();
    for (CPatchedFixture* fixture : held)
        fixture->RemovePlayingScene(&copy);
    if (project.RemakeCopySteps(copy)) {
        const QSet<const CPatchedFixture*> kept(held.begin(), held.end());
        for (CSceneStep* step : qAsConst(copy.m_steps)) {
            QList<CStepFixture*>& entries = step->m_entries;
            int left = 0;
            for (int i = 0; i < entries.size(); ++i) {
                if (kept.contains(entries.at(i)->Fixture()))
                    entries[left++] = entries.at(i);
                else
                    delete entries.at(i);
            }
            entries.erase(entries.begin() + left, entries.end());
        }
        copy.m_currentStep = copy.m_steps.value(index);
        if (!copy.m_currentStep)
            copy.GoToStep(0, 0);
    }
    for (CPatchedFixture* fixture : copy.FirstStepFixtures())
        fixture->AddPlayingScene(&copy);
}

} // namespace

void CProject::FitEntriesToProfiles()
{
    const quint64 changes = CPatchedFixture::ProfileChanges();
    if (changes == m_fittedProfileChanges)
        return;
    m_fittedProfileChanges = changes;
    // A copy of an effect scene plays what its effect made for the profiles
    // of its start. Fitted channel by channel, it would keep no level on a
    // channel the former profile lacked, and drive none there: a fixture
    // refit through fewer channels and back would lose the effect's colour
    // for good. It takes the effect's levels for the new profile, as a copy
    // started now would; one on its way out fades out what it had.
    QList<CEffectScene*> remade;
    for (CEffectScene* copy : m_runningCopies + m_queuedCopies) {
        if (!copy->m_fadingOut && !copy->m_stopping && !m_copyFadeFrom.contains(copy)
            && !m_releasingCopies.contains(copy) && HoldsEntryOfFormerProfile(*copy))
            remade << copy;
    }
    // A scene fading, in or out or between steps, fades from levels taken
    // slot by slot: they go where the scene's levels go.
    QHash<const CScene*, QList<CDmxLayer*>> fadeLevels;
    for (const CPage* page : qAsConst(m_pages)) {
        for (CPlayingScene* entry : page->m_playing)
            fadeLevels[entry->Scene()] << &entry->StartLevels() << &entry->FadeFrom();
    }
    for (auto copy = m_copyFadeFrom.begin(); copy != m_copyFadeFrom.end(); ++copy)
        fadeLevels[copy.key()] << &copy.value();
    for (CScene* scene : EveryScene(*this))
        scene->FitEntriesToProfiles(fadeLevels.value(scene));
    for (CEffectScene* copy : qAsConst(remade))
        RemakePlayingCopy(*this, *copy);
    ShowHost().FixtureProfilesChanged();
}

void CProject::RemoveMatrix(CFixtureMatrix* matrix)
{
    if (!matrix || !m_generalGroup || !m_generalGroup->m_matrices.contains(matrix))
        return;
    for (int g = 1; g < m_groups.size(); ++g)
        m_groups[g]->RemoveMatrix(matrix, false);
    m_savedSelectedMatrices.removeAll(matrix);
    // Effects address a project matrix without owning it.
    for (CScene* scene : EveryScene(*this))
        scene->ReleaseMatrix(matrix);
    CEffect* edited = m_effectEngine.Effect();
    if (edited && edited->m_matrix == matrix) {
        edited->ReleaseMatrix();
        m_effectEngine.SetEffect(edited);
    }
    m_generalGroup->RemoveMatrix(matrix, true);
}

// --- Patch changes

void CProject::AbsorbRawChannelsInScenes(const QList<CPatchedFixture*>& fixtures)
{
    if (fixtures.isEmpty())
        return;
    for (CPage* page : m_pages) {
        for (CScene* scene : page->m_scenes) {
            if (!page->IsPlaying(scene))
                scene->AbsorbRawChannels(fixtures);
        }
    }
}

void CProject::DropRawChannelsNamedByNothing(int first)
{
    if (first < 0 || first >= m_rawChannels.size())
        return;
    QSet<const CPatchedFixture*> named;
    for (const CScene* scene : EveryScene(*this)) {
        QList<CSceneStep*> steps = scene->m_steps;
        if (scene->m_transitionStep)
            steps << scene->m_transitionStep;
        for (const CSceneStep* step : qAsConst(steps)) {
            for (const CStepFixture* entry : step->m_entries)
                named.insert(entry->Fixture());
        }
    }
    // One pass: a removal per record would make a show of many records slow.
    int kept = first;
    for (int i = first; i < m_rawChannels.size(); ++i) {
        CPatchedFixture* record = m_rawChannels[i];
        if (named.contains(record)) {
            m_rawChannels[kept++] = record;
            continue;
        }
        const qint64 at = qint64(record->m_universe) * CDmxLayer::kSlots + record->m_address;
        if (at >= 0 && at < m_rawChannelTable.size() && m_rawChannelTable[int(at)] == record)
            m_rawChannelTable[int(at)] = nullptr;
        delete record;
    }
    m_rawChannels.erase(m_rawChannels.begin() + kept, m_rawChannels.end());
}

void CProject::PatchChanged(const QList<int>& oldUniverses, const QList<int>& oldAddresses,
                            const QList<int>& newUniverses, const QList<int>& newAddresses, const QList<int>& lengths)
{
    // Blocks are the entries all five lists have.
    const int blocks = std::min({oldUniverses.size(), oldAddresses.size(), newUniverses.size(),
                                 newAddresses.size(), lengths.size()});
    if (blocks == 0)
        return;
    const QList<int> oldU = oldUniverses.mid(0, blocks);
    const QList<int> oldA = oldAddresses.mid(0, blocks);
    const QList<int> newU = newUniverses.mid(0, blocks);
    const QList<int> newA = newAddresses.mid(0, blocks);
    const QList<int> len = lengths.mid(0, blocks);

    for (CScene* scene : EveryScene(*this))
        scene->RemapChannels(oldU, oldA, newU, newA, len);
}

// --- Selection

void CProject::AnalyseNewProfiles()
{
    for (CLibraryProfile* profile : qAsConst(m_addedProfiles))
        profile->UpdateRoles();
    m_addedProfiles.clear();
}

void CProject::SelectionChanged()
{
    ComputeSelectionCaps();
    if (m_editedScene && m_editedScene->IsEffectScene()) {
        ClearEditLayer();
        RefreshEditLayer(true);
    }
    // The refresh may call back into the document; an outer operation that
    // holds the guard keeps holding it afterwards.
    const bool outerGuard = m_editGuard;
    m_editGuard = true;
    ShowHost().RefreshPagesAndPresets();
    m_editGuard = outerGuard;
}

void CProject::ComputeSelectionCaps()
{
    m_selectionCaps.Reset();
    if (m_currentGroup) {
        for (const CPatchedFixture* fixture : m_currentGroup->m_selectedFixtures)
            m_selectionCaps.AddProfile(fixture->Profile());
    }
    m_selectionCaps.Update();
}

void CProject::SelectEffectFixtures(const CEffect* effect)
{
    if (!m_generalGroup)
        return;
    const int bindings = effect ? qMin(effect->m_beamFixtures.size(),
                                       qMin(effect->m_beamIndex.size(), effect->m_beamSel.size()))
                                : 0;
    // A matrix effect binds every pixel: look-ups in sets keep a project
    // opening with many matrix rows linear. Only the effect's fixtures go in
    // one, so that a row costs no set of the whole patch; the walk that
    // clears every fixture's beams finds which of them are patched.
    QSet<const CPatchedFixture*> bound;
    for (int i = 0; i < bindings; ++i) {
        if (effect->m_beamSel[i])
            bound.insert(effect->m_beamFixtures[i]);
    }
    QSet<const CPatchedFixture*> patched;
    for (CPatchedFixture* fixture : m_generalGroup->m_fixtures) {
        QList<bool>& flags = fixture->BeamFlags();
        for (bool& flag : flags)
            flag = false;
        if (bound.contains(fixture))
            patched.insert(fixture);
    }
    m_generalGroup->m_selectedFixtures.clear();
    m_generalGroup->m_selectedMatrices.clear();
    SelectEffectFixtures(effect, patched);
}

void CProject::SelectEffectFixtures(const CEffect* effect, const QSet<const CPatchedFixture*>& patched)
{
    if (!m_generalGroup)
        return;
    CGroup* group = m_generalGroup;
    for (CPatchedFixture* fixture : qAsConst(group->m_selectedFixtures)) {
        for (bool& flag : fixture->BeamFlags())
            flag = false;
    }
    group->m_selectedFixtures.clear();
    group->m_selectedMatrices.clear();
    if (!effect)
        return;
    const int bindings = qMin(effect->m_beamFixtures.size(), qMin(effect->m_beamIndex.size(), effect->m_beamSel.size()));
    QSet<const CPatchedFixture*> selected;
    QSet<const CFixtureMatrix*> selectedMatrices;
    for (int i = 0; i < bindings; ++i) {
        CPatchedFixture* fixture = effect->m_beamFixtures[i];
        // A binding read from a file may name a fixture or beam that is not
        // (or no longer) patched.
        if (!effect->m_beamSel[i] || !patched.contains(fixture))
            continue;
        QList<bool>& flags = fixture->BeamFlags();
        const int beam = effect->m_beamIndex[i];
        if (beam < 0 || beam >= flags.size())
            continue;
        flags[beam] = true;
        if (selected.contains(fixture))
            continue;
        selected.insert(fixture);
        group->m_selectedFixtures << fixture;
        if (fixture->m_matrixId >= 0) {
            CFixtureMatrix* matrix = group->FindMatrix(fixture->m_matrixId);
            if (matrix && !selectedMatrices.contains(matrix)) {
                selectedMatrices.insert(matrix);
                group->m_selectedMatrices << matrix;
            }
        }
    }
}

// --- Preset icons

QImage CProject::MakePresetIcon(const CProfilePresetDef* preset)
{
    if (!preset)
        return UndefinedIcon();

    if (preset->m_type == PresetType::Color || preset->m_type == PresetType::HalfColor) {
        QImage icon = BlankIcon();
        QPainter painter(&icon);
        const QRect whole(0, 0, kPresetIconSize, kPresetIconSize);
        if (preset->m_type == PresetType::Color)
            painter.fillRect(whole, preset->m_colors[0]);
        else
            DrawMultiColorRect(painter, whole, preset->UsedColorCount(), preset->m_colors);
        DrawOutline(painter);
        return icon;
    }

    if (preset->m_type == PresetType::Gobo && (preset->m_rotary || preset->m_shake)) {
        QImage icon = BlankIcon();
        QPainter painter(&icon);
        const QImage picture = QFileInfo(preset->m_icon).isFile() ? ReadIcon(preset->m_icon) : QImage();
        painter.drawImage(0, 0, picture.isNull() ? UndefinedIcon() : picture);
        if (preset->m_rotary)
            painter.drawImage(0, 0, RotaryMark());
        if (preset->m_shake)
            painter.drawImage(0, 0, ShakeMark());
        return icon;
    }

    const auto cached = m_presetIcons.constFind(preset->m_icon);
    if (cached != m_presetIcons.constEnd())
        return cached.value();
    if (!QFileInfo(preset->m_icon).isFile())
        return UndefinedIcon();
    const QImage icon = ReadIcon(preset->m_icon);
    if (icon.isNull())
        return UndefinedIcon();
    m_presetIcons.insert(preset->m_icon, icon);
    return icon;
}

// --- Scene numbers for the writer

void CPage::UpdateSceneIndexes()
{
    for (int i = 0; i < m_scenes.size(); ++i)
        m_scenes[i]->m_indexInPage = i;
    for (CScene* scene : m_scenes)
        scene->m_jumpIndex = scene->m_jumpTarget ? m_scenes.indexOf(scene->m_jumpTarget) : -1;
}
