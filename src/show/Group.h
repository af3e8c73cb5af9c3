#pragma once

#include "model/Triggers.h"

#include <QColor>
#include <QList>
#include <QRect>
#include <QString>

class CFixtureMatrix;
class CLayoutItem;
class CLibraryProfile;
class CPage;
class CPatchedFixture;

// One control of the presets panel for one channel of one profile in one
// group. The panel gives the last five values their meaning; -1 = not set.
struct CPresetConfig
{
    CPresetConfig(int channel, int channelIndexType) : m_channel(channel), m_channelIndexType(channelIndexType) {}

    int m_channel = 0;
    int m_channelIndexType = 0;
    int m_x = -1;
    int m_y = -1;
    int m_displayType = -1;
    int m_displaySize = -1;
    int m_presetDisplayType = -1;
};

// A stored selection of a group, recalled by the keys 1 to 9: fixtures with
// the beam flags they had when it was stored (one list per fixture).
struct CSubGroup
{
    QList<CPatchedFixture*> m_fixtures; // not owned
    QList<QList<bool>> m_beamFlags;     // parallel to m_fixtures

    // Drops the fixture and its flags; false when it is not held.
    bool RemoveFixture(const CPatchedFixture* fixture);
};

// A named set of patched fixtures and matrices with its own layout, view
// settings, selection, triggers, sub-groups and presets-panel layout. The
// general group (element 0 of the project's groups) owns every patched
// fixture and matrix of the show; every other group only points to them.
//
// Layout positions live in the fixtures and matrices, one per group index.
// A matrix member has a single position (the matrix is what is placed), so
// every operation here leaves a member's positions alone.
class CGroup
{
public:
    explicit CGroup(const QString& name);
    ~CGroup();

    CGroup(const CGroup&) = delete;
    CGroup& operator=(const CGroup&) = delete;

    // Empties every list and deletes the sub-groups and preset
    // configurations; with `deleteMembers` (the general group only) the
    // fixtures and matrices are deleted too.
    void Clear(bool deleteMembers);

    // First member with that id, or null.
    CPatchedFixture* FindFixture(int id) const;
    CFixtureMatrix* FindMatrix(int id) const;
    // First member in the universe whose channels cover the slot, or null.
    CPatchedFixture* FindFixtureAt(int universe, int slot) const;
    // The group's matrix the fixture is a member of, or null.
    CFixtureMatrix* MatrixOf(const CPatchedFixture* fixture) const;
    int IndexOfFixture(const CPatchedFixture* fixture) const
    {
        return m_fixtures.indexOf(const_cast<CPatchedFixture*>(fixture));
    }

    // Adds an existing fixture with a copy of its current beam flags;
    // nothing for a member or a null fixture.
    void AddFixture(CPatchedFixture* fixture);
    // The same for each fixture in turn, in the time of the lists, not of
    // a search of the members for each.
    void AddFixtures(const QList<CPatchedFixture*>& fixtures);
    // Patches a new fixture into the group (the general group owns it). A
    // matrix member gets one layout position, any other fixture
    // `groupCount`; each at the layout item's top-left corner.
    CPatchedFixture* AddFixture(int address, int universe, int id, int matrixId, const QString& name,
                                CLibraryProfile* profile, bool invertPan, bool invertTilt, int groupCount,
                                CLayoutItem* layoutItem);
    // A new matrix with `groupCount` positions at the item's top-left corner.
    CFixtureMatrix* AddMatrix(CLibraryProfile* profile, int id, int columns, int rows, int groupCount,
                              CLayoutItem* layoutItem);

    // Takes the fixture out of the selection and every sub-group, member or
    // not; then, for a member, out of its matrix with `matrixCleanUp` (a
    // matrix left empty is deleted), deleted with `deleteFixture`, and last
    // out of the members with its beam flags.
    void RemoveFixture(CPatchedFixture* fixture, bool matrixCleanUp, bool deleteFixture);
    // Out of the members and the selected matrices, deleted when asked.
    void RemoveMatrix(CFixtureMatrix* matrix, bool deleteMatrix);

    // Whether a stored selection is what is selected now (see the .cpp).
    bool IsSelection(const QList<CPatchedFixture*>& fixtures, const QList<QList<bool>>& beamFlags) const;
    // A matrix is selected and every selected fixture is a matrix member.
    bool IsMatrixSelection() const;
    // The name the effect editors know it by.
    bool AllSelectedHaveIds() const { return IsMatrixSelection(); }

    // Stores the selection as a new sub-group; false when nothing is selected.
    bool AddSubGroup();
    bool RemoveSubGroup(int n);

    // The configuration of a presets-panel control, created on first use.
    // A null profile has the entry at index 0.
    CPresetConfig* GetPresetConfig(CLibraryProfile* profile, int channel, int channelIndexType);
    // Forgets the configurations of the profile (never the null profile's).
    void RemoveProfileConfigs(CLibraryProfile* profile);

    // What the layout view shows of this group: scroll, visible rectangle,
    // the current beam flags and, unless `groupIndex` is negative, the item
    // positions at that index (index 0 with common positions).
    void SaveViewState(int groupIndex, int scrollX, int scrollY, const QRect& viewRect);

    // Members by universe, then address, ascending; equal places keep their
    // order. The beam-flag list follows its fixtures.
    void SortFixtures();

    QString m_name;
    float m_zoom = 1.0f;
    int m_scrollX = 0;
    int m_scrollY = 0;
    bool m_drawGrid = false;
    bool m_magnetGrid = false;
    bool m_drawBackImage = false;
    bool m_commonPositions = false; // the layout is the general group's (position 0)
    QColor m_backColor{Qt::white};
    QString m_backImage;
    int m_imageMode = 0;
    QRect m_layoutRect; // meaningful for the general group
    QRect m_viewRect;
    // The live page shown when the group becomes current, or none. It is
    // the page itself, so that it follows its page wherever the page list
    // moves it; the project unlinks it when the page closes.
    CPage* m_page = nullptr;
    CTriggers m_triggers;
    QList<CPatchedFixture*> m_fixtures;
    QList<CFixtureMatrix*> m_matrices;
    QList<CPatchedFixture*> m_selectedFixtures;
    QList<CFixtureMatrix*> m_selectedMatrices;
    QList<QList<bool>> m_beamFlags; // parallel to m_fixtures: flags last stored for this group
    QList<CSubGroup*> m_subGroups;  // owned; element k is recalled by key k + 1
    // Element 0, once present, is the null profile.
    QList<CLibraryProfile*> m_presetProfiles;
    QList<QList<CPresetConfig*>> m_presetConfigs; // owned; parallel to m_presetProfiles
};
