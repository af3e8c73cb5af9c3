#pragma once

#include <QList>
#include <QtGlobal>

class CPatchedFixture;
class CScene;
class CSceneStep;

// The steps of a scene drive the same fixtures. Steps that come in with
// fixtures new to the scene give every step a zeroed entry for each fixture
// of two steps' entries that it lacks, the new step's first, then the first
// step's (CScene::AddMissingEntries), appended in that order.
//
// What a step lacks is found from its own list, never by a search through
// its entries per fixture; and a step listing the fixtures of one of the two
// steps, as nearly every step of a scene does, lacks what was found once for
// that step. Aligning or counting a scene so costs a look at each step's
// list and the entries it adds, which lets a command count what it adds
// before it makes anything.
class CStepAlignment
{
public:
    CStepAlignment(const QList<CPatchedFixture*>& a, const QList<CPatchedFixture*>& b);

    // The fixture of each entry, in order (null for an entry of none).
    static QList<CPatchedFixture*> FixturesOf(const CSceneStep* step);
    // The fixtures the step lacks, in the order they are appended.
    QList<CPatchedFixture*> MissingIn(const CSceneStep& step) const;
    // What a step that lists the fixtures of `a` lacks.
    const QList<CPatchedFixture*>& MissingInA() const { return m_missingInA; }
    // Adds the entries and levels that the fixtures' zeroed entries hold.
    static void Count(const QList<CPatchedFixture*>& fixtures, qint64& entries, qint64& levels);
    // Appends a zeroed entry of the scene for each fixture the step lacks.
    void Align(CScene* scene, CSceneStep& step) const;
    // Steps aligned in this process so far: tests bound the work of a
    // command with it.
    static quint64 StepsAligned() { return s_stepsAligned; }
    // Appends a zeroed entry of the scene for each of the fixtures.
    static void Append(CScene* scene, CSceneStep& step, const QList<CPatchedFixture*>& fixtures);

private:
    // Those of `fixtures` that `held` does not list.
    static QList<CPatchedFixture*> Missing(const QList<CPatchedFixture*>& fixtures,
                                           const QList<CPatchedFixture*>& held);
    static bool Lists(const CSceneStep& step, const QList<CPatchedFixture*>& fixtures);

    static quint64 s_stepsAligned;

    QList<CPatchedFixture*> m_a;
    QList<CPatchedFixture*> m_b;
    QList<CPatchedFixture*> m_fixtures; // a's, then b's, each once
    QList<CPatchedFixture*> m_missingInA;
    QList<CPatchedFixture*> m_missingInB;
};
