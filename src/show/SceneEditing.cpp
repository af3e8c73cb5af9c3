// Editing members of CScene and CEffectScene: editor rows, inserting,
// pasting and removing steps, following patch changes, and the static
// levels and channels of effect scenes.

#include "show/EffectScene.h"

#include "effects/CurveEffect.h"
#include "effects/Effect.h"
#include "model/FixtureMatrix.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/DmxLayer.h"
#include "show/SceneStep.h"
#include "show/StepAlignment.h"
#include "show/SlotRuns.h"

#include <QHash>
#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
#include <utility>

namespace {

CScene::EffectRowGenerator g_rowGenerator = nullptr;

// Index just past the row that starts at step `start`.
int RowEnd(const QList<CSceneStep*>& steps, int start)
{
    const CEffect* effect = steps.at(start)->m_effect;
    int end = start + 1;
    if (effect) {
        while (end < steps.size() && steps.at(end)->m_effect == effect)
            ++end;
    }
    return end;
}

int ChannelCountOf(const CPatchedFixture* fixture)
{
    return fixture->Profile() ? fixture->Profile()->ChannelCount() : 1;
}

// How many fixtures of the steps' entries cover each slot, with the
// channels of their current profiles, by universe.
QHash<int, QVector<int>> FixturesOverSlots(const QList<CSceneStep*>& steps)
{
    QHash<int, QVector<int>> counts;
    QSet<const CPatchedFixture*> met;
    for (const CSceneStep* step : steps) {
        for (const CStepFixture* entry : step->m_entries) {
            const CPatchedFixture* fixture = entry->Fixture();
            if (!fixture || met.contains(fixture))
                continue;
            met.insert(fixture);
            QVector<int>& universe = counts[fixture->m_universe];
            universe.resize(kSlotsPerUniverse);
            const int end = std::min(fixture->m_address + ChannelCountOf(fixture), kSlotsPerUniverse);
            for (int slot = std::max(0, fixture->m_address); slot < end; ++slot)
                ++universe[slot];
        }
    }
    return counts;
}

// What rows generate, looked up once per effect and profile: a refit of
// many fixtures in long rows asks it of every channel of every entry.
class CRowGeneration
{
public:
    // CSceneStep::EffectDrives of a step of `effect`, for an entry of `profile`.
    bool Generates(const CEffect* effect, const CPatchedFixture* fixture, const CLibraryProfile* profile,
                   int channel)
    {
        if (!effect || !fixture || !profile)
            return false;
        auto enabled = m_enabled.find(effect);
        if (enabled == m_enabled.end()) {
            QSet<const CPatchedFixture*> fixtures;
            for (int i = 0; i < effect->m_fixtures.size(); ++i) {
                if (effect->m_fixtureSel.value(i, false))
                    fixtures.insert(effect->m_fixtures.at(i));
            }
            enabled = m_enabled.insert(effect, fixtures);
        }
        if (!enabled->contains(fixture))
            return false;
        const auto key = qMakePair(effect, profile);
        auto channels = m_channels.find(key);
        if (channels == m_channels.end()) {
            QVector<bool> generated(profile->ChannelCount());
            QHash<int, int> occurrences; // channel type -> channels of it met so far
            for (int c = 0; c < generated.size(); ++c) {
                if (const CProfileChannelDef* def = profile->GetChannel(c))
                    generated[c] = CSceneStep::EffectGenerates(*effect, *profile, c, occurrences[def->m_type]++);
            }
            channels = m_channels.insert(key, generated);
        }
        return channels->value(channel, false);
    }

private:
    QHash<const CEffect*, QSet<const CPatchedFixture*>> m_enabled;
    QHash<QPair<const CEffect*, const CLibraryProfile*>, QVector<bool>> m_channels;
};

// Per fixture taking another profile, for each channel of the profile its
// entries still have, whether only the rows (made again for the new one)
// generate it: no hand-made step holds the fixture, and no step stores a
// level there beside its effect. Fixtures of no such channel are left out.
QHash<const CPatchedFixture*, QVector<bool>> ChannelsOnlyRowsGenerate(const QList<CSceneStep*>& steps,
                                                                      const QList<CEffect*>& rows,
                                                                      const QSet<const CPatchedFixture*>& moved,
                                                                      CRowGeneration& generation)
{
    if (rows.isEmpty())
        return {};
    // Per channel of a former profile: 1 where a row generates it (every row
    // of a fixture taking another profile is made again), 2 where something
    // else may hold it: a hand-made step, or a level stored on a row's step
    // beside its effect.
    QHash<const CPatchedFixture*, QVector<quint8>> held;
    for (const CSceneStep* step : steps) {
        for (const CStepFixture* entry : step->m_entries) {
            const CPatchedFixture* fixture = entry->Fixture();
            if (!fixture || !moved.contains(fixture) || entry->Profile() == fixture->Profile())
                continue;
            QVector<quint8>& flags = held[fixture];
            flags.resize(std::max(int(flags.size()), entry->ChannelCount()));
            for (int c = 0; c < entry->ChannelCount(); ++c) {
                if (generation.Generates(step->m_effect, fixture, entry->Profile(), c))
                    flags[c] |= 1;
                else if (!step->m_effect || entry->Level(c) != 0)
                    flags[c] |= 2;
            }
        }
    }
    QHash<const CPatchedFixture*, QVector<bool>> owned;
    for (auto it = held.cbegin(); it != held.cend(); ++it) {
        QVector<bool> channels(it.value().size());
        bool any = false;
        for (int c = 0; c < channels.size(); ++c) {
            channels[c] = it.value().at(c) == 1;
            any = any || channels[c];
        }
        if (any)
            owned.insert(it.key(), channels);
    }
    return owned;
}

// A mix writes a 16-bit pair as one value, and a mark of a coarse byte
// marks its fine one: a new fine byte of a driven coarse one, with no
// former level (`sources` as ChannelSources gave them), is driven with it.
void MarkNewFineBytes(CSlotMask& active, const CPatchedFixture& fixture, const QVector<int>& sources)
{
    const CProfileMode* mode = fixture.Profile() ? fixture.Profile()->CurrentMode() : nullptr;
    const int count = mode ? std::min(int(sources.size()), mode->ChannelCount()) : 0;
    const auto slot = [&fixture](int channel) {
        const int at = fixture.m_address + channel;
        return at >= 0 && at < kSlotsPerUniverse ? at : -1;
    };
    for (int c = 0; c < count; ++c) {
        const int fine = CSlotRuns::FinePartner(*mode, c, count);
        if (fine >= 0 && sources[fine] < 0 && active.Test(slot(c)))
            active.Set(slot(fine));
    }
}

bool IsRawChannel(const CPatchedFixture* fixture)
{
    return fixture && fixture->m_id == -1 && !fixture->Profile();
}

bool IsSlot(int slot)
{
    return slot >= 0 && slot < kSlotsPerUniverse;
}

// One block of a patch move, checked against the scene's universes. Slots
// that fall outside a universe at either end are left where they are.
struct RemapBlock
{
    int oldUniverse = 0;
    int oldAddress = 0;
    int newUniverse = 0;
    int newAddress = 0;
    int length = 0;

    bool MovesSlot(int offset) const { return IsSlot(oldAddress + offset) && IsSlot(newAddress + offset); }
};

QList<RemapBlock> CheckedBlocks(const QList<int>& oldUniverses, const QList<int>& oldAddresses,
                                const QList<int>& newUniverses, const QList<int>& newAddresses,
                                const QList<int>& lengths, int universeCount)
{
    QList<RemapBlock> blocks;
    const int count = newAddresses.size();
    for (int k = 0; k < count; ++k) {
        if (k >= oldUniverses.size() || k >= oldAddresses.size() || k >= newUniverses.size() || k >= lengths.size())
            break;
        RemapBlock block{oldUniverses[k], oldAddresses[k], newUniverses[k], newAddresses[k],
                         std::min(lengths[k], kSlotsPerUniverse)};
        if (block.length <= 0 || block.oldUniverse < 0 || block.oldUniverse >= universeCount ||
            block.newUniverse < 0 || block.newUniverse >= universeCount)
            continue;
        blocks << block;
    }
    return blocks;
}

} // namespace

CScene::EffectRowGenerator CScene::SetEffectRowGenerator(EffectRowGenerator generator)
{
    return std::exchange(g_rowGenerator, generator);
}

bool CScene::GenerateEffectRow(CScene& scene, CEffect* effect, int position, const EffectRowAdmit& admit)
{
    if (!g_rowGenerator)
        return false;
    g_rowGenerator(scene, effect, position, admit);
    return true;
}

// --- Rows

int CScene::RowCount() const
{
    int rows = 0;
    for (int i = 0; i < m_steps.size(); i = RowEnd(m_steps, i))
        ++rows;
    return rows;
}

int CScene::RowToStepIndex(int row) const
{
    if (row < 0)
        return -1;
    for (int i = 0; i < m_steps.size(); i = RowEnd(m_steps, i)) {
        if (row-- == 0)
            return i;
    }
    return -1;
}

CSceneStep* CScene::StepAtRow(int row) const
{
    const int index = RowToStepIndex(row);
    return index >= 0 ? m_steps.at(index) : nullptr;
}

int CScene::StepToRow(const CSceneStep* step) const
{
    if (!step)
        return -1;
    int row = 0;
    for (int i = 0; i < m_steps.size(); ++row) {
        const int end = RowEnd(m_steps, i);
        for (; i < end; ++i) {
            if (m_steps.at(i) == step)
                return row;
        }
    }
    return -1;
}

void CScene::SelectRow(int row)
{
    SelectRows({row});
}

void CScene::SelectRows(const QList<int>& rows)
{
    // Where each row starts, found in one pass, and the steps selected in
    // a set: a search for each row and each step would make selecting every
    // row of a scene of many steps take minutes.
    QVector<int> starts;
    for (int i = 0; i < m_steps.size(); i = RowEnd(m_steps, i))
        starts << i;
    QSet<const CSceneStep*> selected(m_selection.cbegin(), m_selection.cend());
    for (int row : rows) {
        if (row < 0 || row >= starts.size()) {
            m_currentStep = nullptr;
            continue;
        }
        const int first = starts.at(row);
        m_currentStep = m_steps.at(first);
        const int end = RowEnd(m_steps, first);
        for (int i = first; i < end; ++i) {
            if (!selected.contains(m_steps.at(i))) {
                selected.insert(m_steps.at(i));
                m_selection << m_steps.at(i);
            }
        }
    }
}

void CScene::ClearSelection()
{
    m_selection.clear();
    m_currentStep = nullptr;
}

// --- Steps

void CScene::DropGoneFromSelection()
{
    // The selection may hold every step of the scene: a search of the steps
    // for each selected one would take minutes.
    const bool many = m_selection.size() > 16;
    QSet<const CSceneStep*> held;
    if (many)
        held = QSet<const CSceneStep*>(m_steps.cbegin(), m_steps.cend());
    m_selection.erase(std::remove_if(m_selection.begin(), m_selection.end(),
                                     [&](CSceneStep* step) {
                                         return many ? !held.contains(step) : !m_steps.contains(step);
                                     }),
                      m_selection.end());
}

void CScene::SettleAfterStepChange(int formerIndex)
{
    UpdateLength();
    DropGoneFromSelection();
    if (m_steps.isEmpty()) {
        m_currentStep = nullptr;
        m_currentStepIndex = 0;
        m_positionOrigin = m_stepStart = m_stepEnd = 0;
        m_cyclePosition = m_roundedPosition = m_stepTime = 0;
        return;
    }
    if (!m_currentStep) {
        m_currentStepIndex = std::clamp(m_currentStepIndex, 0, int(m_steps.size()) - 1);
        return;
    }
    // A step shown or played stays where it is in time; a step that went
    // away gives its place to the nearest one left.
    const int index = m_steps.indexOf(m_currentStep);
    if (index >= 0)
        GoToStep(index, m_stepTime);
    else
        GoToStep(std::clamp(formerIndex, 0, int(m_steps.size()) - 1), 0);
}

CSceneStep* CScene::InsertStep(int row, bool selectionOnly, const CSceneStep* templateStep, CStepSource& source)
{
    const int rowStart = RowToStepIndex(row);
    const int at = rowStart < 0 ? 0 : RowEnd(m_steps, rowStart);
    CSceneStep* const formerFirst = m_steps.value(0);

    CSceneStep* step = nullptr;
    bool copyOfOwnStep = false;
    if (templateStep && !templateStep->m_effect) {
        step = new CSceneStep(this, *templateStep, nullptr);
        copyOfOwnStep = m_steps.contains(const_cast<CSceneStep*>(templateStep));
    } else {
        step = new CSceneStep(this, true, selectionOnly, source);
    }
    m_steps.insert(at, step);
    m_currentStep = step;
    m_stepTime = 0; // a new step is shown from its start, not at the time of the last one
    // Against the step that was first: the new step may now be first itself.
    if (formerFirst && !copyOfOwnStep)
        AddMissingEntries(step, formerFirst);
    SettleAfterStepChange(at);
    return step;
}

void CScene::PasteSteps(int row, const QList<CSceneStep*>& clipboard)
{
    const int rowStart = RowToStepIndex(row);
    int at = rowStart < 0 ? 0 : RowEnd(m_steps, rowStart);
    CSceneStep* const formerFirst = m_steps.value(0);
    const QSet<const CSceneStep*> ownSteps(m_steps.cbegin(), m_steps.cend());
    bool pasted = false;
    // Once a run has aligned every step on the former first step, each
    // drives every fixture that step drives. A later run that brings none
    // new to it then aligns only the steps pasted since: a search through
    // every step of the scene for each pasted one took a paste of
    // thousands of steps minutes.
    QSet<const CPatchedFixture*> firstDrives;
    bool aligned = false;
    int unalignedFrom = at;

    for (int i = 0; i < clipboard.size();) {
        if (!clipboard.at(i)) {
            ++i;
            continue;
        }
        const CEffect* effect = clipboard.at(i)->m_effect;
        int end = i + 1;
        if (effect) {
            while (end < clipboard.size() && clipboard.at(end) && clipboard.at(end)->m_effect == effect)
                ++end;
        }
        CEffect* clone = effect ? CloneEffect(effect) : nullptr;
        if (clone)
            m_effects << clone;
        bool foreign = false;
        CSceneStep* last = nullptr;
        for (int k = i; k < end; ++k) {
            last = new CSceneStep(this, *clipboard.at(k), clone);
            m_steps.insert(at++, last);
            m_currentStep = last;
            m_stepTime = 0;
            foreign = foreign || !ownSteps.contains(clipboard.at(k));
        }
        if (formerFirst && foreign) {
            const QList<CPatchedFixture*> lastDrives = CStepAlignment::FixturesOf(last);
            const bool nothingNew = aligned && std::all_of(lastDrives.cbegin(), lastDrives.cend(),
                                                           [&](const CPatchedFixture* f) {
                                                               return !f || firstDrives.contains(f);
                                                           });
            if (nothingNew) {
                const CStepAlignment alignment(lastDrives, CStepAlignment::FixturesOf(formerFirst));
                for (int index = unalignedFrom; index < at; ++index)
                    alignment.Align(this, *m_steps.at(index));
            } else {
                AddMissingEntries(last, formerFirst);
                firstDrives.clear();
                for (const CStepFixture* entry : formerFirst->m_entries)
                    firstDrives.insert(entry->Fixture());
                aligned = true;
            }
            unalignedFrom = at;
        }
        pasted = true;
        i = end;
    }
    if (pasted)
        SettleAfterStepChange(at - 1);
}

void CScene::RemoveSelectedSteps(bool deleteSteps)
{
    const int formerIndex = m_currentStep ? m_steps.indexOf(m_currentStep) : m_currentStepIndex;
    // One pass over the steps, not a search for each selected one: the
    // selection may hold every step of the scene. A step listed twice is
    // taken out (and deleted) once.
    const QSet<const CSceneStep*> selected(m_selection.cbegin(), m_selection.cend());
    m_selection.clear();
    QList<CSceneStep*> taken;
    m_steps.erase(std::remove_if(m_steps.begin(), m_steps.end(),
                                 [&](CSceneStep* step) {
                                     if (!selected.contains(step))
                                         return false;
                                     taken << step;
                                     return true;
                                 }),
                  m_steps.end());
    QList<CEffect*> effects;
    for (CSceneStep* step : taken) {
        // A row's steps come together: most steps have the effect last seen.
        if (step->m_effect && (effects.isEmpty() || effects.last() != step->m_effect) &&
            !effects.contains(step->m_effect))
            effects << step->m_effect;
        if (deleteSteps)
            delete step;
    }
    for (CEffect* effect : effects)
        RemoveEffectIfUnused(effect, deleteSteps);
    SettleAfterStepChange(formerIndex);
}

void CScene::RemoveEffectIfUnused(CEffect* effect, bool deleteEffect)
{
    if (!effect)
        return;
    for (const CSceneStep* step : m_steps) {
        if (step->m_effect == effect)
            return;
    }
    // Only an effect the scene owned may be deleted here.
    if (m_effects.removeAll(effect) > 0 && deleteEffect)
        delete effect;
}

// --- Patch maintenance

void CScene::RemapChannels(const QList<int>& oldUniverses, const QList<int>& oldAddresses,
                           const QList<int>& newUniverses, const QList<int>& newAddresses, const QList<int>& lengths)
{
    const QList<RemapBlock> blocks =
        CheckedBlocks(oldUniverses, oldAddresses, newUniverses, newAddresses, lengths, m_universeCount);
    if (blocks.isEmpty())
        return;
    RenderedContentChanged(this);
    // The marks of the universes the blocks leave, as they were.
    QHash<int, CSlotMask> before;
    for (const RemapBlock& block : blocks) {
        const CSlotMask* held = ActiveMaskIfHeld(block.oldUniverse);
        if (held && !before.contains(block.oldUniverse))
            before.insert(block.oldUniverse, *held);
    }
    for (const RemapBlock& block : blocks) {
        CSlotMask* active = ActiveMaskIfHeld(block.oldUniverse);
        for (int i = 0; active && i < block.length; ++i)
            active->Set(block.oldAddress + i, false);
    }
    for (const RemapBlock& block : blocks) {
        const auto marks = before.constFind(block.oldUniverse);
        for (int i = 0; marks != before.constEnd() && i < block.length; ++i) {
            if (!block.MovesSlot(i))
                continue;
            // A clear slot needs no mask where the universe has none.
            const bool mark = marks->Test(block.oldAddress + i);
            if (CSlotMask* active = mark ? ActiveMask(block.newUniverse) : ActiveMaskIfHeld(block.newUniverse))
                active->Set(block.newAddress + i, mark);
        }
    }
}

void CScene::AbsorbRawChannels(const QList<CPatchedFixture*>& newFixtures)
{
    for (CSceneStep* step : qAsConst(m_steps)) {
        if (step->m_effect)
            continue;
        for (CPatchedFixture* fixture : newFixtures) {
            if (!fixture || !fixture->Profile())
                continue;
            const int first = fixture->m_address;
            const int last = first + ChannelCountOf(fixture) - 1;
            // Appending the fixture's entry never moves the entries below i.
            for (int i = step->m_entries.size() - 1; i >= 0; --i) {
                CStepFixture* raw = step->m_entries.at(i);
                const CPatchedFixture* channel = raw->Fixture();
                if (!IsRawChannel(channel) || channel->m_universe != fixture->m_universe ||
                    channel->m_address < first || channel->m_address > last)
                    continue;
                CStepFixture* entry = step->FindEntry(fixture);
                if (!entry)
                    entry = step->AddEntry(new CStepFixture(fixture, this));
                if (entry)
                    entry->SetLevel(channel->m_address - first, raw->Level(0), false, false);
                step->m_entries.removeAt(i);
                delete raw;
            }
        }
    }
}

namespace {

// The fixture's entry becomes one raw-channel entry per channel, in place,
// each with its level. A slot past the universe has no raw channel and its
// level goes with the fixture.
void EntryToRawChannels(CSceneStep* step, CScene* scene, const CPatchedFixture* fixture, CStepSource& source)
{
    CStepFixture* entry = step->FindEntry(fixture);
    if (!entry)
        return;
    int at = step->m_entries.indexOf(entry);
    step->m_entries.removeAt(at);
    for (int c = 0; c < entry->ChannelCount(); ++c) {
        CPatchedFixture* raw = source.ChannelFixture(fixture->m_universe, fixture->m_address + c);
        if (!raw)
            continue;
        if (CStepFixture* existing = step->FindEntry(raw)) {
            existing->SetLevel(0, entry->Level(c), false, false);
            continue;
        }
        auto* channel = new CStepFixture(raw, scene);
        channel->SetLevel(0, entry->Level(c), false, false);
        step->m_entries.insert(at++, channel);
    }
    delete entry;
}

void DropEntry(CSceneStep* step, const CPatchedFixture* fixture)
{
    if (CStepFixture* entry = step ? step->FindEntry(fixture) : nullptr) {
        step->m_entries.removeOne(entry);
        delete entry;
    }
}

} // namespace

void CScene::RemoveFixtures(const QList<CPatchedFixture*>& removed, CStepSource& source)
{
    if (removed.isEmpty())
        return;
    const int formerIndex = m_currentStep ? m_steps.indexOf(m_currentStep) : m_currentStepIndex;

    QList<CEffect*> changedEffects;
    for (int i = 0; i < m_steps.size(); i = RowEnd(m_steps, i)) {
        CSceneStep* step = m_steps.at(i);
        if (CEffect* effect = step->m_effect) {
            bool dropped = false;
            for (const CPatchedFixture* fixture : removed)
                dropped = effect->RemoveFixture(fixture) || dropped;
            if (dropped && !changedEffects.contains(effect))
                changedEffects << effect;
            // A fixture stored into another step after the effect was applied
            // has zeroed entries in the effect's steps that the effect never
            // bound: they go whether or not the row is generated again.
            const int end = RowEnd(m_steps, i);
            for (int k = i; k < end; ++k) {
                for (const CPatchedFixture* fixture : removed)
                    DropEntry(m_steps.at(k), fixture);
            }
            continue;
        }
        for (const CPatchedFixture* fixture : removed)
            EntryToRawChannels(step, this, fixture, source);
    }

    for (CEffect* effect : changedEffects) {
        const int position = std::find_if(m_steps.begin(), m_steps.end(),
                                          [effect](const CSceneStep* s) { return s->m_effect == effect; }) -
                             m_steps.begin();
        const bool regenerate = !effect->m_fixtures.isEmpty();
        // Without a generator the row keeps its steps, their entries of the
        // fixtures dropped above.
        if (regenerate && !g_rowGenerator)
            continue;
        for (int i = m_steps.size() - 1; i >= 0; --i) {
            if (m_steps.at(i)->m_effect == effect)
                delete m_steps.takeAt(i);
        }
        if (regenerate)
            g_rowGenerator(*this, effect, position, {});
        RemoveEffectIfUnused(effect, true);
    }

    // The transition step is a copy of a step: it must not outlive the fixtures either.
    for (const CPatchedFixture* fixture : removed)
        DropEntry(m_transitionStep, fixture);
    SettleAfterStepChange(formerIndex);
}

void CScene::UnbindFixtures(const QList<CPatchedFixture*>& removed)
{
    for (CEffect* effect : qAsConst(m_effects)) {
        for (const CPatchedFixture* fixture : removed)
            effect->RemoveFixture(fixture);
    }
}

void CScene::ReleaseMatrix(const CFixtureMatrix* matrix)
{
    for (CEffect* effect : qAsConst(m_effects)) {
        if (effect && effect->m_matrix == matrix)
            effect->ReleaseMatrix();
    }
}

void CScene::ForgetProfiles(const QList<CLibraryProfile*>& profiles)
{
    for (CEffect* effect : qAsConst(m_effects)) {
        for (const CLibraryProfile* profile : profiles) {
            // Curve channels keep the profile channel they were made from for the editor's names only.
            if (auto* curve = dynamic_cast<CCurveEffect*>(effect))
                curve->ForgetChannelsOf(*profile);
            if (effect->m_ownsMatrix && effect->m_matrix && effect->m_matrix->Profile() == profile)
                effect->ReleaseMatrix();
        }
    }
}

void CScene::ForgetScene(const CScene* scene)
{
    if (m_jumpTarget == scene) {
        m_jumpTarget = nullptr;
        m_jumpIndex = -1;
        m_autoJump = false;
    }
    m_releaseList.removeAll(const_cast<CScene*>(scene));
}

void CScene::FitEntriesToProfiles(const QList<CDmxLayer*>& fadeLevels)
{
    QList<CSceneStep*> steps = m_steps;
    if (m_transitionStep)
        steps << m_transitionStep;
    QSet<const CPatchedFixture*> moved;
    for (const CSceneStep* step : qAsConst(steps)) {
        for (const CStepFixture* entry : step->m_entries) {
            if (entry->Fixture() && entry->Profile() != entry->Fixture()->Profile())
                moved.insert(entry->Fixture());
        }
    }
    // Rows to make again: found before the entries take the new profiles.
    QList<CEffect*> rows;
    if (g_rowGenerator && !IsEffectScene() && !moved.isEmpty()) {
        for (int i = 0; i < m_steps.size(); i = RowEnd(m_steps, i)) {
            CEffect* effect = m_steps.at(i)->m_effect;
            if (!effect)
                continue;
            const int end = RowEnd(m_steps, i);
            for (int k = i; k < end && !rows.contains(effect); ++k) {
                for (const CStepFixture* entry : m_steps.at(k)->m_entries) {
                    CPatchedFixture* fixture = entry->Fixture();
                    if (fixture && moved.contains(fixture) && effect->m_fixtures.contains(fixture)) {
                        rows << effect;
                        break;
                    }
                }
            }
        }
    }
    CRowGeneration generation;
    const QHash<const CPatchedFixture*, QVector<bool>> rowOwned =
        ChannelsOnlyRowsGenerate(m_steps, rows, moved, generation);
    // A level the scene drives stays driven on its new channel, and a fade
    // goes on from it there: the marks and the levels faded from move once
    // per fixture, before any of its entries is fitted. A slot the fixture
    // no longer drives, a channel of no former function or one dropped,
    // loses its mark, so that no later profile drives it at 0, and its level
    // faded from, which a fresh patch would not have either: unless another
    // entry of the scene covers it, whose mark and level they may be. So
    // does a channel whose former one only the rows generated, when they
    // no longer generate it: the generation made the mark, not the operator.
    QHash<int, QVector<int>> cover;
    bool counted = false;
    const auto coveredByOthers = [&](const CPatchedFixture& fixture, int slot) {
        if (!counted) {
            cover = FixturesOverSlots(steps);
            counted = true;
        }
        const QVector<int> counts = cover.value(fixture.m_universe);
        if (slot < 0 || slot >= counts.size())
            return false;
        const bool own = slot >= fixture.m_address && slot < fixture.m_address + ChannelCountOf(&fixture);
        return counts[slot] > (own ? 1 : 0);
    };
    const auto rowsGenerate = [&](const CPatchedFixture* fixture, int channel) {
        return std::any_of(rows.begin(), rows.end(), [&](const CEffect* effect) {
            return generation.Generates(effect, fixture, fixture->Profile(), channel);
        });
    };
    QSet<const CPatchedFixture*> fitted;
    for (const CSceneStep* step : qAsConst(steps)) {
        for (const CStepFixture* entry : step->m_entries) {
            const CPatchedFixture* fixture = entry->Fixture();
            if (!fixture || entry->Profile() == fixture->Profile() || fitted.contains(fixture))
                continue;
            fitted.insert(fixture);
            const int universe = fixture->m_universe;
            // A fixture of no universe of the scene drives nothing.
            if (universe < 0 || universe >= m_universeCount)
                continue;
            // Without masks the universe has no marks to move.
            CSlotMask* active = ActiveMaskIfHeld(universe);
            const int first = fixture->m_address;
            const int had = entry->ChannelCount();
            const int has = CStepFixture::ChannelCountFor(fixture->Profile());
            const QVector<int> sources = CStepFixture::ChannelSources(entry->Profile(), had, fixture->Profile(), has);
            const QVector<bool> generated = rowOwned.value(fixture);
            QVarLengthArray<bool, 64> cleared(std::max(had, has));
            for (int c = 0; c < cleared.size(); ++c) {
                const int source = c < has ? sources[c] : -1;
                const bool lost = source < 0 || (generated.value(source) && !rowsGenerate(fixture, c));
                cleared[c] = lost && !coveredByOthers(*fixture, first + c);
            }
            if (active) {
                quint8 marks[kSlotsPerUniverse];
                active->ToBytes(marks);
                MoveChannels(marks, first, sources, had, cleared);
                active->FromBytes(marks);
                MarkNewFineBytes(*active, *fixture, sources);
            }
            for (CDmxLayer* layer : fadeLevels) {
                if (layer && universe < layer->UniverseCount())
                    MoveChannels((*layer)[universe], first, sources, had, cleared);
            }
        }
    }
    // What the rows generated is no level of the operator's: the first step,
    // whose levels the rows keep, takes the new profiles without it.
    for (CEffect* effect : qAsConst(rows)) {
        const auto step = std::find_if(m_steps.begin(), m_steps.end(),
                                       [effect](const CSceneStep* s) { return s->m_effect == effect; });
        if (step == m_steps.end())
            continue;
        for (CStepFixture* entry : (*step)->m_entries) {
            for (int c = 0; moved.contains(entry->Fixture()) && c < entry->ChannelCount(); ++c) {
                if (generation.Generates(effect, entry->Fixture(), entry->Profile(), c))
                    entry->SetLevel(c, 0, false, false);
            }
        }
    }
    for (CSceneStep* step : qAsConst(steps))
        step->FitEntriesToProfiles();
    if (!rows.isEmpty())
        RegenerateRows(rows);
    if (!moved.isEmpty())
        RenderedContentChanged(this);
}

void CScene::RegenerateRows(const QList<CEffect*>& rows)
{
    const int formerIndex = m_currentStep ? m_steps.indexOf(m_currentStep) : m_currentStepIndex;
    for (CEffect* effect : rows) {
        const int position = std::find_if(m_steps.begin(), m_steps.end(),
                                          [effect](const CSceneStep* s) { return s->m_effect == effect; }) -
                             m_steps.begin();
        if (position >= m_steps.size())
            continue;
        QList<QPair<CPatchedFixture*, QByteArray>> kept;
        for (const CStepFixture* entry : m_steps.at(position)->m_entries) {
            if (entry->Fixture())
                kept << qMakePair(entry->Fixture(), QByteArray(reinterpret_cast<const char*>(entry->LevelData()),
                                                               entry->ChannelCount()));
        }
        // A row playing goes on at its place in the same step made again,
        // as it does through a refit that leaves its steps where they are.
        const int current = m_currentStep && m_currentStep->m_effect == effect
                                ? int(m_steps.indexOf(m_currentStep)) - position
                                : -1;
        for (int i = m_steps.size() - 1; i >= position; --i) {
            if (m_steps.at(i)->m_effect == effect)
                delete m_steps.takeAt(i);
        }
        const int before = m_steps.size();
        g_rowGenerator(*this, effect, position, {});
        const int end = position + int(m_steps.size()) - before;
        if (current >= 0 && position + current < end)
            m_currentStep = m_steps.at(position + current);
        RowEntries entries = RowEntryTables(position, end);
        for (const auto& [fixture, levels] : qAsConst(kept))
            KeepStoredRowLevels(entries, position, *effect, fixture, levels);
        RemoveEffectIfUnused(effect, true);
    }
    SettleAfterStepChange(formerIndex);
}

CScene::RowEntries CScene::RowEntryTables(int first, int end) const
{
    first = std::max(0, first);
    end = std::min(end, int(m_steps.size()));
    RowEntries entries(std::max(0, end - first));
    for (int s = first; s < end; ++s) {
        for (CStepFixture* entry : m_steps.at(s)->m_entries)
            entries[s - first].insert(entry->Fixture(), entry);
    }
    return entries;
}

bool CScene::RowMakes(const RowEntries& entries, const CPatchedFixture* fixture)
{
    return std::any_of(entries.begin(), entries.end(), [fixture](const auto& step) { return step.contains(fixture); });
}

void CScene::KeepStoredRowLevels(RowEntries& entries, int first, const CEffect& effect, CPatchedFixture* fixture,
                                 const QByteArray& levels)
{
    if (!fixture || first < 0 || first + entries.size() > m_steps.size())
        return;
    if (!RowMakes(entries, fixture)) {
        for (int s = 0; s < entries.size(); ++s) {
            auto* entry = new CStepFixture(fixture, this);
            m_steps[first + s]->m_entries << entry;
            entries[s].insert(fixture, entry);
            const int count = std::min(int(levels.size()), entry->ChannelCount());
            for (int c = 0; c < count; ++c)
                entry->SetLevel(c, quint8(levels[c]), false, false);
        }
        return;
    }
    const CLibraryProfile* profile = fixture->Profile();
    if (!profile)
        return;
    const int channels = std::min(int(levels.size()), profile->ChannelCount());
    QHash<int, int> occurrences; // channel type -> channels of it met so far
    for (int c = 0; c < channels; ++c) {
        const CProfileChannelDef* channel = profile->GetChannel(c);
        if (!channel)
            continue;
        const int occurrence = occurrences.value(channel->m_type, 0);
        occurrences.insert(channel->m_type, occurrence + 1);
        const quint8 level = quint8(levels[c]);
        if (level == 0 || CSceneStep::EffectGenerates(effect, *profile, c, occurrence))
            continue;
        for (const QHash<const CPatchedFixture*, CStepFixture*>& step : qAsConst(entries)) {
            if (CStepFixture* entry = step.value(fixture, nullptr))
                entry->SetLevel(c, level, false, false);
        }
    }
}

void CScene::MoveChannels(quint8* levels, int first, const QVector<int>& sources, int had,
                          const QVarLengthArray<bool, 64>& cleared)
{
    const auto inUniverse = [first](int channel) {
        return first + channel >= 0 && first + channel < kSlotsPerUniverse;
    };
    QVarLengthArray<quint8, 64> former;
    for (int i = 0; i < had; ++i)
        former.append(inUniverse(i) ? levels[first + i] : 0);
    for (int i = 0; i < sources.size(); ++i) {
        if (inUniverse(i) && sources[i] >= 0)
            levels[first + i] = former[sources[i]];
    }
    for (int i = 0; i < cleared.size(); ++i) {
        if (inUniverse(i) && cleared[i])
            levels[first + i] = 0;
    }
}

// --- Effect scenes: static levels

void CEffectScene::SetStaticLevel(const CLibraryProfile* profile, int channel, quint8 level)
{
    if (!profile || channel < 0)
        return;
    auto record = std::find_if(m_modeStaticLevels.begin(), m_modeStaticLevels.end(),
                               [profile](const auto& r) { return r.Matches(profile); });
    if (record == m_modeStaticLevels.end()) {
        CModeStaticLevels levels;
        levels.m_profile = profile->GetPath();
        levels.m_mode = profile->m_currentMode;
        levels.m_layout = CModeStaticLevels::LayoutOf(profile);
        m_modeStaticLevels << levels;
        record = m_modeStaticLevels.end() - 1;
    }
    auto entry = std::find_if(record->m_levels.begin(), record->m_levels.end(),
                              [channel](const QPair<int, quint8>& e) { return e.first == channel; });
    if (entry != record->m_levels.end())
        entry->second = level;
    else
        record->m_levels << qMakePair(channel, level);
    m_staticLevelsChanged = true;
}

bool CEffectScene::HasStaticLevel(const CLibraryProfile* profile, int channel) const
{
    if (!profile)
        return false;
    for (const CModeStaticLevels& record : m_modeStaticLevels) {
        if (!record.Matches(profile))
            continue;
        for (const auto& entry : record.m_levels) {
            if (entry.first == channel)
                return true;
        }
    }
    return false;
}

void CEffectScene::RemoveStaticLevel(const CLibraryProfile* profile, int channel)
{
    if (!profile)
        return;
    for (CModeStaticLevels& record : m_modeStaticLevels) {
        if (!record.Matches(profile))
            continue;
        for (int i = record.m_levels.size() - 1; i >= 0; --i) {
            if (record.m_levels.at(i).first == channel)
                record.m_levels.removeAt(i);
        }
    }
}

void CEffectScene::SetChannelStaticLevel(int universe, int channel, quint8 level)
{
    for (CStaticChannelLevel& record : m_channelStaticLevels) {
        if (record.m_universe == universe && record.m_channel == channel) {
            record.m_level = level;
            m_staticLevelsChanged = true;
            return;
        }
    }
    m_channelStaticLevels << CStaticChannelLevel{universe, channel, level};
    m_staticLevelsChanged = true;
}

void CEffectScene::RemoveChannelStaticLevel(int universe, int channel)
{
    for (int i = m_channelStaticLevels.size() - 1; i >= 0; --i) {
        const CStaticChannelLevel& record = m_channelStaticLevels.at(i);
        if (record.m_universe == universe && record.m_channel == channel)
            m_channelStaticLevels.removeAt(i);
    }
}

// --- Effect scenes: static channels

void CEffectScene::AddStaticChannel(int universe, int channel)
{
    if (universe < 0 || universe >= UniverseCount() || !IsSlot(channel))
        return;
    QList<int>& channels = m_staticChannels[universe];
    if (!channels.contains(channel))
        channels << channel;
}

bool CEffectScene::IsStaticChannel(int universe, int channel) const
{
    const auto channels = m_staticChannels.constFind(universe);
    return channels != m_staticChannels.constEnd() && channels->contains(channel);
}

void CEffectScene::AddStaticColorChannels(int universe, int red, int green, int blue, int white)
{
    for (int channel : {red, green, blue, white}) {
        if (channel != -1)
            AddStaticChannel(universe, channel);
    }
}

void CEffectScene::AddStaticPanTiltChannels(int universe, int pan, int tilt, int panFine, int tiltFine)
{
    for (int channel : {pan, tilt, panFine, tiltFine}) {
        if (channel != -1)
            AddStaticChannel(universe, channel);
    }
}

namespace {

int SlotOf(const CPatchedFixture* fixture, const CProfileChannelDef* channel)
{
    return channel ? fixture->m_address + channel->m_index : -1;
}

const CLibraryProfile* LibraryProfileOf(const CPatchedFixture* fixture)
{
    return fixture ? fixture->Profile() : nullptr;
}

} // namespace

void CEffectScene::AddStaticColorSet(const CPatchedFixture* fixture, int set)
{
    const CLibraryProfile* profile = LibraryProfileOf(fixture);
    if (!profile || set < 0 || set >= profile->ColorSets().size())
        return;
    const CColorSet& colors = profile->ColorSets().at(set);
    if (!fixture->IsChannelSelected(colors.red))
        return;
    AddStaticColorChannels(fixture->m_universe, SlotOf(fixture, colors.red), SlotOf(fixture, colors.green),
                           SlotOf(fixture, colors.blue), profile->HasWhite() ? SlotOf(fixture, colors.white) : -1);
}

void CEffectScene::AddStaticColorSets(const CPatchedFixture* fixture)
{
    if (const CLibraryProfile* profile = LibraryProfileOf(fixture)) {
        for (int set = 0; set < profile->ColorSets().size(); ++set)
            AddStaticColorSet(fixture, set);
    }
}

void CEffectScene::AddStaticPanTiltSet(const CPatchedFixture* fixture, int pair)
{
    const CLibraryProfile* profile = LibraryProfileOf(fixture);
    if (!profile || pair < 0 || pair >= profile->PanTiltPairs().size())
        return;
    const CPanTiltPair& axes = profile->PanTiltPairs().at(pair);
    if (!fixture->IsChannelSelected(axes.pan))
        return;
    const bool fine = profile->HasFinePanTilt();
    AddStaticPanTiltChannels(fixture->m_universe, SlotOf(fixture, axes.pan), SlotOf(fixture, axes.tilt),
                             fine ? SlotOf(fixture, axes.panFine) : -1, fine ? SlotOf(fixture, axes.tiltFine) : -1);
}

void CEffectScene::AddStaticPanTiltSets(const CPatchedFixture* fixture)
{
    if (const CLibraryProfile* profile = LibraryProfileOf(fixture)) {
        for (int pair = 0; pair < profile->PanTiltPairs().size(); ++pair)
            AddStaticPanTiltSet(fixture, pair);
    }
}

void CEffectScene::AddStaticDimmer(const CPatchedFixture* fixture, int dimmer)
{
    const CLibraryProfile* profile = LibraryProfileOf(fixture);
    if (!profile || dimmer < 0 || dimmer >= profile->Dimmers().size())
        return;
    AddStaticModeChannel(fixture, profile->Dimmers().at(dimmer).channel);
}

void CEffectScene::AddStaticDimmers(const CPatchedFixture* fixture)
{
    if (const CLibraryProfile* profile = LibraryProfileOf(fixture)) {
        for (int dimmer = 0; dimmer < profile->Dimmers().size(); ++dimmer)
            AddStaticDimmer(fixture, dimmer);
    }
}

void CEffectScene::AddStaticModeChannel(const CPatchedFixture* fixture, const CProfileChannelDef* channel)
{
    if (fixture && channel && fixture->IsChannelSelected(channel))
        AddStaticChannel(fixture->m_universe, SlotOf(fixture, channel));
}

// --- Effect scenes: patch and running copies

void CEffectScene::RemapChannels(const QList<int>& oldUniverses, const QList<int>& oldAddresses,
                                 const QList<int>& newUniverses, const QList<int>& newAddresses,
                                 const QList<int>& lengths)
{
    const QList<RemapBlock> blocks =
        CheckedBlocks(oldUniverses, oldAddresses, newUniverses, newAddresses, lengths, UniverseCount());
    if (!blocks.isEmpty()) {
        // Read from the lists as they were, so that a channel one block moves
        // into another block's old range is not moved again.
        const QMap<int, QList<int>> before = m_staticChannels;
        for (const RemapBlock& block : blocks) {
            const auto channels = m_staticChannels.find(block.oldUniverse);
            if (channels == m_staticChannels.end())
                continue;
            for (int i = 0; i < block.length; ++i)
                channels->removeAll(block.oldAddress + i);
            if (channels->isEmpty())
                m_staticChannels.erase(channels);
        }
        for (const RemapBlock& block : blocks) {
            for (int i = 0; i < block.length; ++i) {
                if (block.MovesSlot(i) && before.value(block.oldUniverse).contains(block.oldAddress + i))
                    AddStaticChannel(block.newUniverse, block.newAddress + i);
            }
        }
    }
    CScene::RemapChannels(oldUniverses, oldAddresses, newUniverses, newAddresses, lengths);
}

bool CEffectScene::ReleaseSharedFixtures(const CEffectScene& other)
{
    if (m_steps.isEmpty() || other.m_capturedSelection.isEmpty())
        return false;
    for (CPatchedFixture* fixture : other.m_capturedSelection) {
        if (!fixture)
            continue;
        bool shared = false;
        const int count = ChannelCountOf(fixture);
        for (int c = 0; c < count && !shared; ++c) {
            const int slot = fixture->m_address + c;
            shared = IsStaticChannel(fixture->m_universe, slot) && other.IsStaticChannel(fixture->m_universe, slot);
        }
        if (!shared)
            continue;
        for (int s = 0; s < m_steps.size(); ++s) {
            CSceneStep* step = m_steps.at(s);
            if (!step->FindEntry(fixture))
                continue;
            DropEntry(step, fixture);
            if (s == 0) {
                fixture->RemovePlayingScene(this);
                m_drivenFixtures.removeAll(fixture);
            }
        }
    }
    return m_steps.first()->EntryCount() == 0;
}
