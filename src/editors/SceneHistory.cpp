#include "editors/SceneHistory.h"

#include "effects/Effect.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/StepFixture.h"

#include <QHash>

namespace {

// The scene with its release list, which the scene's own copy leaves out so
// that page copies never share one.
CScene* SettingsOf(const CScene& scene, bool withSteps)
{
    auto* copy = new CScene(scene, true, true, withSteps);
    copy->m_releaseList = scene.m_releaseList;
    return copy;
}

// Kept as the state before had it: a step command adds entries to the steps
// it aligns and changes no level of a step it keeps, nor its times.
bool Unchanged(const CSceneStep& kept, const CSceneStep& now)
{
    return kept.m_fade == now.m_fade && kept.m_wait == now.m_wait && kept.EntryCount() == now.EntryCount()
           && (kept.m_effect == nullptr) == (now.m_effect == nullptr);
}

} // namespace

CSceneHistory::~CSceneHistory()
{
    Clear();
}

void CSceneHistory::Delete(SEntry& entry)
{
    if (entry.body != entry.settings)
        delete entry.body;
    delete entry.settings;
    entry = SEntry();
}

void CSceneHistory::Clear()
{
    for (SEntry& entry : m_entries)
        Delete(entry);
    m_entries.clear();
    m_synced = false;
    m_armed = false;
}

void CSceneHistory::PushCopy(const CScene& scene)
{
    CScene* copy = SettingsOf(scene, true);
    m_entries.append({copy, copy, {}});
    NoteSynced(scene);
}

void CSceneHistory::RefreshLast(const CScene& scene)
{
    if (m_entries.isEmpty())
        return;
    Delete(m_entries.last());
    m_entries.removeLast();
    PushCopy(scene);
}

void CSceneHistory::RemoveFirst()
{
    // No state names steps of an older one.
    if (m_entries.isEmpty())
        return;
    Delete(m_entries.first());
    m_entries.removeFirst();
}

void CSceneHistory::Truncate(int count)
{
    m_synced = false;
    m_armed = false;
    if (count < 0 || count >= m_entries.size())
        return;
    if (count > 0 && !m_entries[count - 1].body) {
        CScene* whole = StateAt(count - 1);
        Delete(m_entries[count - 1]);
        m_entries[count - 1] = {whole, whole, {}};
    }
    while (m_entries.size() > count) {
        Delete(m_entries.last());
        m_entries.removeLast();
    }
}

void CSceneHistory::Resolve(int index, QList<const CSceneStep*>& steps, QVector<int>& effects) const
{
    int whole = index;
    while (!m_entries.at(whole).body)
        ++whole;
    const CScene& body = *m_entries.at(whole).body;
    QHash<const CEffect*, int> effectIndexes;
    for (int e = 0; e < body.m_effects.size(); ++e)
        effectIndexes.insert(body.m_effects.at(e), e);
    steps.clear();
    effects.clear();
    for (const CSceneStep* step : body.m_steps) {
        steps << step;
        effects << (step->m_effect ? effectIndexes.value(step->m_effect, -1) : -1);
    }
    for (int k = whole - 1; k >= index; --k) {
        const SEntry& entry = m_entries.at(k);
        QList<const CSceneStep*> older;
        QVector<int> olderEffects;
        older.reserve(entry.order.size());
        olderEffects.reserve(entry.order.size());
        for (const SSource& source : entry.order) {
            older << (source.next >= 0 ? steps.at(source.next) : entry.settings->m_steps.at(source.held));
            olderEffects << source.effect;
        }
        steps.swap(older);
        effects.swap(olderEffects);
    }
}

CScene* CSceneHistory::Build(const CScene& settings, const QList<const CSceneStep*>& steps,
                             const QVector<int>& effectIndexes, const QList<CEffect*>& effects)
{
    CScene* scene = SettingsOf(settings, false);
    // As the scene's own copy makes them: an effect that cannot be cloned
    // leaves no place in the list.
    for (const CEffect* effect : effects) {
        if (CEffect* clone = effect ? CloneEffect(effect) : nullptr)
            scene->m_effects << clone;
    }
    scene->m_steps.reserve(steps.size());
    for (int i = 0; i < steps.size(); ++i) {
        const int e = effectIndexes.at(i);
        scene->m_steps << new CSceneStep(scene, *steps.at(i), e >= 0 ? scene->m_effects.value(e) : nullptr);
    }
    return scene;
}

CScene* CSceneHistory::StateAt(int index) const
{
    if (index < 0 || index >= m_entries.size())
        return nullptr;
    const SEntry& entry = m_entries.at(index);
    if (entry.body == entry.settings)
        return SettingsOf(*entry.settings, true);
    QList<const CSceneStep*> steps;
    QVector<int> effects;
    Resolve(index, steps, effects);
    return Build(*entry.settings, steps, effects, entry.body ? entry.body->m_effects : entry.settings->m_effects);
}

void CSceneHistory::NoteSynced(const CScene& scene)
{
    m_syncSerials.clear();
    m_syncSerials.reserve(scene.m_steps.size());
    for (const CSceneStep* step : scene.m_steps)
        m_syncSerials << step->Serial();
    m_syncGeneration = RenderGeneration(scene);
    m_synced = true;
    m_armed = false;
}

void CSceneHistory::Arm(const CScene& scene)
{
    // The newest state still equals the scene when nothing the scene renders
    // has changed since they were equal: every entry made and every level
    // set counts. Steps gone since, or whose times changed, PushChange finds
    // by their serials and times.
    m_armed = m_synced && !m_entries.isEmpty() && m_entries.last().body
              && RenderGeneration(scene) == m_syncGeneration;
}

void CSceneHistory::PushChange(const CScene& scene)
{
    if (!m_armed || m_entries.isEmpty() || !m_entries.last().body) {
        PushCopy(scene);
        return;
    }
    SEntry& last = m_entries.last();
    CScene* body = last.body;
    const QList<CSceneStep*> former = body->m_steps;
    const QList<CEffect*> formerEffects = body->m_effects;

    // The state before keeps its settings and its effects; a whole copy
    // gives them to a scene of their own, as it goes on as the new body.
    CScene* before = last.settings;
    if (before == body)
        before = SettingsOf(*body, false);

    QHash<const CEffect*, int> formerEffectIndexes;
    for (int e = 0; e < formerEffects.size(); ++e)
        formerEffectIndexes.insert(formerEffects.at(e), e);
    QVector<SSource> order(former.size());
    QHash<quint64, int> bySerial;
    for (int i = 0; i < former.size(); ++i) {
        bySerial.insert(m_syncSerials.at(i), i);
        order[i].effect = former.at(i)->m_effect ? formerEffectIndexes.value(former.at(i)->m_effect, -1) : -1;
    }

    // The effects are few: the new state gets clones of all of them, as a
    // whole copy would.
    QList<CEffect*> effects;
    QHash<const CEffect*, int> effectIndexes;
    for (int e = 0; e < scene.m_effects.size(); ++e) {
        const CEffect* effect = scene.m_effects.at(e);
        effectIndexes.insert(effect, e);
        if (CEffect* clone = effect ? CloneEffect(effect) : nullptr)
            effects << clone;
    }
    QList<CSceneStep*> steps;
    steps.reserve(scene.m_steps.size());
    for (int j = 0; j < scene.m_steps.size(); ++j) {
        const CSceneStep* step = scene.m_steps.at(j);
        const int e = step->m_effect ? effectIndexes.value(step->m_effect, -1) : -1;
        CEffect* effect = e >= 0 ? effects.value(e) : nullptr;
        const int i = bySerial.value(step->Serial(), -1);
        if (i >= 0 && order.at(i).next < 0 && Unchanged(*former.at(i), *step)) {
            order[i].next = j;
            former.at(i)->m_effect = effect;
            steps << former.at(i);
        } else {
            steps << new CSceneStep(body, *step, effect);
        }
    }
    for (int i = 0; i < former.size(); ++i) {
        if (order.at(i).next < 0) {
            order[i].held = before->m_steps.size();
            before->m_steps << former.at(i);
        }
    }
    before->m_effects << formerEffects;
    body->m_steps = steps;
    body->m_effects = effects;
    last.settings = before;
    last.body = nullptr;
    last.order = order;
    m_entries.append({SettingsOf(scene, false), body, {}});
    NoteSynced(scene);
}

QList<CScene*> CSceneHistory::WholeScenes()
{
    QList<CScene*> wholes;
    for (int i = 0; i < m_entries.size(); ++i) {
        const SEntry& entry = m_entries.at(i);
        wholes << (entry.body == entry.settings ? entry.settings : StateAt(i));
    }
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).settings != wholes.at(i)) {
            Delete(m_entries[i]);
            m_entries[i] = {wholes.at(i), wholes.at(i), {}};
        }
    }
    m_synced = false;
    m_armed = false;
    return wholes;
}

QList<CScene*> CSceneHistory::SettingScenes() const
{
    QList<CScene*> scenes;
    for (const SEntry& entry : m_entries)
        scenes << entry.settings;
    return scenes;
}
