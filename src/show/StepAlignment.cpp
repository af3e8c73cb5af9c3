#include "show/StepAlignment.h"

#include "show/SceneStep.h"
#include "show/ShowBounds.h"
#include "show/StepFixture.h"

#include <QSet>

CStepAlignment::CStepAlignment(const QList<CPatchedFixture*>& a, const QList<CPatchedFixture*>& b) : m_a(a), m_b(b)
{
    QSet<const CPatchedFixture*> seen;
    seen.reserve(a.size() + b.size());
    for (const QList<CPatchedFixture*>* list : {&a, &b}) {
        for (CPatchedFixture* fixture : *list) {
            if (fixture && !seen.contains(fixture)) {
                seen.insert(fixture);
                m_fixtures << fixture;
            }
        }
    }
    m_missingInA = Missing(m_fixtures, a);
    m_missingInB = Missing(m_fixtures, b);
}

QList<CPatchedFixture*> CStepAlignment::FixturesOf(const CSceneStep* step)
{
    QList<CPatchedFixture*> fixtures;
    if (!step)
        return fixtures;
    fixtures.reserve(step->m_entries.size());
    for (const CStepFixture* entry : step->m_entries)
        fixtures << entry->Fixture();
    return fixtures;
}

QList<CPatchedFixture*> CStepAlignment::MissingIn(const CSceneStep& step) const
{
    if (Lists(step, m_b))
        return m_missingInB;
    if (Lists(step, m_a))
        return m_missingInA;
    return Missing(m_fixtures, FixturesOf(&step));
}

void CStepAlignment::Count(const QList<CPatchedFixture*>& fixtures, qint64& entries, qint64& levels)
{
    entries += fixtures.size();
    for (const CPatchedFixture* fixture : fixtures)
        levels += CShowBounds::LevelsOf(fixture);
}

quint64 CStepAlignment::s_stepsAligned = 0;

void CStepAlignment::Align(CScene* scene, CSceneStep& step) const
{
    ++s_stepsAligned;
    Append(scene, step, MissingIn(step));
}

void CStepAlignment::Append(CScene* scene, CSceneStep& step, const QList<CPatchedFixture*>& fixtures)
{
    step.m_entries.reserve(step.m_entries.size() + fixtures.size());
    for (CPatchedFixture* fixture : fixtures)
        step.m_entries << new CStepFixture(fixture, scene);
}

QList<CPatchedFixture*> CStepAlignment::Missing(const QList<CPatchedFixture*>& fixtures,
                                                const QList<CPatchedFixture*>& held)
{
    QList<CPatchedFixture*> missing;
    if (held.isEmpty())
        return fixtures;
    const QSet<const CPatchedFixture*> heldSet(held.cbegin(), held.cend());
    for (CPatchedFixture* fixture : fixtures) {
        if (!heldSet.contains(fixture))
            missing << fixture;
    }
    return missing;
}

bool CStepAlignment::Lists(const CSceneStep& step, const QList<CPatchedFixture*>& fixtures)
{
    if (step.m_entries.size() != fixtures.size())
        return false;
    for (int i = 0; i < fixtures.size(); ++i) {
        if (step.m_entries.at(i)->Fixture() != fixtures.at(i))
            return false;
    }
    return true;
}
