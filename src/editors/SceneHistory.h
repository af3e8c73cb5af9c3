#pragma once

#include <QList>
#include <QVector>
#include <QtGlobal>

class CEffect;
class CScene;
class CSceneStep;

// The states of the scene editor's undo history. The newest state is kept
// whole; an older one may be kept as what it holds besides the state after
// it: its settings and masks, its effects, and only the steps the next state
// no longer holds as they were. So an entry made by a step command (a row
// applied, a step added, steps pasted or removed) costs the steps it changed,
// not the whole scene, provided the history knew the scene as it stood before
// the command (Arm).
class CSceneHistory
{
public:
    CSceneHistory() = default;
    CSceneHistory(const CSceneHistory&) = delete;
    CSceneHistory& operator=(const CSceneHistory&) = delete;
    ~CSceneHistory();

    int Count() const { return m_entries.size(); }
    void Clear();
    // A new newest state: a whole copy of `scene`, which it now equals.
    void PushCopy(const CScene& scene);
    // The newest state becomes a whole copy of `scene` again: the state of a
    // run of level edits. A state PushChange made is never refreshed, so no
    // older state names steps of a refreshed one.
    void RefreshLast(const CScene& scene);
    void RemoveFirst();
    // Keeps the first `count` states; the last of them is kept whole.
    void Truncate(int count);
    // A new scene holding state `index`, owned by the caller.
    CScene* StateAt(int index) const;

    // Before a step command: armed when the newest state is `scene` as it
    // stands (nothing the scene renders has changed since they were equal),
    // so that PushChange may keep only what the command changes. A command
    // adds entries to the steps it keeps, never changes their levels.
    void Arm(const CScene& scene);
    void Disarm() { m_armed = false; }
    // After an armed command: `scene` becomes the newest state, kept whole,
    // and the state before it keeps only the steps the command replaced.
    void PushChange(const CScene& scene);

    // Every state kept whole, as scenes of their own: what the show's
    // cleaning (a fixture or a profile deleted) must reach.
    QList<CScene*> WholeScenes();
    // The scenes holding the states' settings (jumps, release lists).
    QList<CScene*> SettingScenes() const;

private:
    // Where a step of an older state is: the step `next` of the state after
    // it, or the step `held` of the entry's own scene; with the index of its
    // effect among the state's effects (-1: none).
    struct SSource
    {
        int next = -1;
        int held = -1;
        int effect = -1;
    };
    // A state kept whole has `body`, holding its steps and effects (the
    // settings scene itself, or a scene of its own whose settings are not
    // read). An older one has none: its settings scene holds its effects
    // and held steps, `order` says where each of its steps is. Held steps
    // are only ever copied: their entries may still name as their scene a
    // body that went with a newer state.
    struct SEntry
    {
        CScene* settings = nullptr;
        CScene* body = nullptr;
        QVector<SSource> order;
    };

    static void Delete(SEntry& entry);
    // The scene of `settings` with `steps` copied, each with the effect of
    // its index among `effects`, which the scene gets clones of.
    static CScene* Build(const CScene& settings, const QList<const CSceneStep*>& steps,
                         const QVector<int>& effectIndexes, const QList<CEffect*>& effects);
    // The steps of state `index` and their effects' indexes.
    void Resolve(int index, QList<const CSceneStep*>& steps, QVector<int>& effects) const;
    void NoteSynced(const CScene& scene);

    QList<SEntry> m_entries;
    // The scene's steps when the newest state last equalled it, by serial,
    // and its render count then.
    QVector<quint64> m_syncSerials;
    quint64 m_syncGeneration = 0;
    bool m_synced = false;
    bool m_armed = false;
};
