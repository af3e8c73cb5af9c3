#pragma once

#include "model/Triggers.h"

#include <QList>
#include <QString>

class CFixtureMatrix;
class CPatchedFixture;

// A named set of patched fixtures and matrices with its own selection. The
// general group (element 0 of the project's groups) owns every patched
// fixture and matrix of the show; every other group only points to them.
// Only what the show document needs so far: the layout settings, sub-groups
// and preset configurations join this class with the group operations.
class CGroup
{
public:
    explicit CGroup(const QString& name);
    ~CGroup();

    CGroup(const CGroup&) = delete;
    CGroup& operator=(const CGroup&) = delete;

    // Empties every list; with `deleteMembers` (the general group only) the
    // fixtures and matrices are deleted too.
    void Clear(bool deleteMembers);

    // First member with that id, or null.
    CPatchedFixture* FindFixture(int id) const;

    // Adds a member with a copy of its current beam flags.
    void AddFixture(CPatchedFixture* fixture);

    // Members by universe, then address, ascending; equal places keep their
    // order. The beam-flag list follows its fixtures.
    void SortFixtures();

    QString m_name;
    CTriggers m_triggers;
    QList<CPatchedFixture*> m_fixtures;
    QList<CFixtureMatrix*> m_matrices;
    QList<CPatchedFixture*> m_selectedFixtures;
    QList<CFixtureMatrix*> m_selectedMatrices;
    QList<QList<bool>> m_beamFlags; // parallel to m_fixtures: flags last stored for this group
};
