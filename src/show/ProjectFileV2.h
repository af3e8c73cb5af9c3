#pragma once

#include "show/ProjectFileBase.h"

#include <QDomElement>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>

class CLibraryProfile;
class CPatchedFixture;
class CProject;
class CScene;
class CSceneStep;

// The document of the two older project formats (".kv1" hexadecimal text,
// ".kv2" compressed; both the same XML below a root "ZKFile"). They are read
// and imported, never written. Besides the DOM cursor of the base it keeps
// the five top-level sections, and it holds the section readers.
//
// Reading: LocateSections() first; each section reader selects its section,
// does nothing when the file has none and leaves the root current. In
// import mode the file's fixtures are kept apart from the project's: their
// ids are raised by kImportIdOffset and every id of the file is looked up
// among them only. Every reader takes the file as untrusted: a record that
// is missing parts, names nothing or lies out of range is dropped; a file
// that asks for more than a show may hold (CShowBounds) is refused by an
// exception.
class CProjectFileV2 : public CProjectFileBase
{
public:
    enum Section { ParamsSection, PatchSection, ScenesSection, ProgramsSection, GroupsSection, SectionCount };
    // Scene passes of readLegacyScenes.
    enum Pass { PlainScenes = 0, Programs = 1 };

    // Ids of imported fixtures live above the ids an operator gives.
    static constexpr int kImportIdOffset = 50000;

    CProjectFileV2() = default;

    void LocateSections();
    // Make the section current; false, cursor unchanged, without it.
    bool SelectParams() { return SelectSection(ParamsSection); }
    bool SelectPatch() { return SelectSection(PatchSection); }
    bool SelectScenes() { return SelectSection(ScenesSection); }
    bool SelectPrograms() { return SelectSection(ProgramsSection); }
    bool SelectGroups() { return SelectSection(GroupsSection); }

    // ---- Section readers; CProject::readLegacyProject runs them ----
    void readLegacyParams(CProject& project);
    // False only for the universe-count question (whatever the answer).
    bool readLegacyPatch(CProject& project, bool import);
    // One "ZKFixture" (current); null when it cannot be patched or its id
    // (`hasId`: the record gives one) is another fixture's already.
    CPatchedFixture* readLegacyFixture(CProject& project, CLibraryProfile* profile, bool hasId, bool import);
    void readLegacyScenes(CProject& project, int pass, bool import);
    void readLegacyStep(CProject& project, CScene* scene, CSceneStep* step, bool first, bool import);

    // The fixture a file id names: in import mode the import fixture whose
    // id is the file id + kImportIdOffset, else the first fixture of the
    // general group with the id. Null when none.
    CPatchedFixture* FindFileFixture(int fileId, bool import) const;
    // Rebuilds the look-up from the general group, or from the project's
    // import fixtures in import mode.
    void IndexFixtures(const CProject& project, bool import);

    static constexpr int kMaxMatrixSide = 256;

    // The buffers of every universe that the show keeps already count, as
    // an import adds its scenes' to them. Of the other kinds a file makes no
    // more than any file may; whether the scenes an import keeps fit the
    // show is asked once the operator has chosen them.
    using CProjectFileBase::CountFromHeld;

private:
    bool SelectSection(Section section);

    QDomElement m_sections[SectionCount];
    QHash<int, CPatchedFixture*> m_fixturesById;
    // (fixture, length) records of the previous plain step of the scene
    // being read; a step without "SIds" repeats them. A null fixture is a
    // run of bytes that names nothing.
    QList<QPair<CPatchedFixture*, int>> m_previousEntries;
    qint64 m_scenesRead = 0;
    qint64 m_stepsRead = 0;
    qint64 m_entriesRead = 0;
    qint64 m_levelsRead = 0;
    qint64 m_blobLevelsRead = 0;
};
