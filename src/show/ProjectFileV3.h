#pragma once

#include "model/BlobCompressor.h"
#include "show/ProjectFileBase.h"

#include <QDomElement>
#include <QHash>
#include <QSet>
#include <QList>
#include <QPair>
#include <QPoint>
#include <QString>
#include <QVector>

#include <functional>

class CEffect;
class CEffectScene;
class CFixtureMatrix;
class CGroup;
class CLibraryProfile;
class CPage;
class CPatchedFixture;
class CProject;
class CScene;
class CSceneStep;

// The ".kv3" project document: root "ZKFile" with eight sections in a fixed
// order (params, patch, groups, pages, effect scenes, fading buttons,
// timelines, masks). Besides the DOM cursor of the base it keeps one handle
// per element kind that later elements are created below or that the reader
// selects again, and it holds the writers and readers of every section.
//
// Writers: the document must have been started with NewDocument(); each
// section writer appends its section below the root and leaves the root
// current. Readers: LocateSections() first; each section reader selects its
// section, does nothing when the file has none, and leaves the root current.
// Every reader takes the file as untrusted: a record that is missing parts,
// names nothing or lies out of range is dropped, never trusted.
class CProjectFileV3 : public CProjectFileBase
{
public:
    // How a show is read and saved: the lists of a kind of the capacity
    // table are built into trees one element at a time (a page may hold
    // every step of a show, and a scene nearly all, which as one tree would
    // take more than the show), and the document holds the text of a show
    // at every capacity at once.
    static SDeferredChildren ShowDocument();

    // Element kinds that get a handle (see Create).
    enum Handle {
        ParamsHandle,
        PatchHandle,
        FixtureBlockHandle,   // "ZKFixtures" of the patch
        FixturePartsHandle,   // "ZKMoreFixtures" of a block
        FixturePartHandle,    // "ZKFixturePart"
        GroupsHandle,
        GroupHandle,          // "ZKGlobalGroup" or "ZKGroup"
        SubGroupsHandle,
        PresetConfigsHandle,
        ProfileConfigHandle,
        PagesHandle,
        PageHandle,
        ScenesHandle,
        SceneHandle,          // "ZKScene" or "ZKEffScene"
        EffectScenesHandle,
        FadingButtonsHandle,
        FadingButtonHandle,
        FadingSceneListHandle, // "ZKFBScenesOut" or "ZKFBScenesIn"
        TimeLinesHandle,
        TimeLineHandle,
        TimeBlocksHandle,
        TimeMarkersHandle,
        ActiveUniversesHandle,
        StepsHandle,
        StepHandle,
        EffectHandle,         // "ZKEffect" or "ZKPlayingEffect"
        PlayingEffectsHandle,
        StaticLevelsHandle,
        StaticLevelHandle,
        StaticChannelsHandle,
        MasksHandle,
        MaskHandle,
        HandleCount,
        // Parents for Create that are not handles.
        RootParent = 100,
        CurrentParent = 101,
        NoHandle = 102
    };

    CProjectFileV3() = default;

    // Appends an element `tag` below `parent` (a handle, RootParent or
    // CurrentParent), makes it the current element and, unless `kind` is
    // NoHandle, stores it in that handle. A null parent handle appends below
    // the current element, so a writer never loses an element.
    QDomElement& Create(const QString& tag, int parent, int kind = NoHandle);
    QDomElement Element(Handle handle) const { return m_handles[handle]; }

    // Fills the eight section handles from the root (missing sections stay
    // null) and leaves the root current.
    void LocateSections();
    // Make the section current; false, cursor unchanged, without it.
    bool SelectParams() { return SelectHandle(ParamsHandle); }
    bool SelectPatch() { return SelectHandle(PatchHandle); }
    bool SelectGroups() { return SelectHandle(GroupsHandle); }
    bool SelectPages() { return SelectHandle(PagesHandle); }
    bool SelectEffectScenes() { return SelectHandle(EffectScenesHandle); }
    bool SelectFadingButtons() { return SelectHandle(FadingButtonsHandle); }
    bool SelectTimeLines() { return SelectHandle(TimeLinesHandle); }
    bool SelectMasks() { return SelectHandle(MasksHandle); }
    bool SelectFixtureBlock() { return SelectHandle(FixtureBlockHandle); }

    // Layout places, one per group index, as runs of equal places (the
    // place and how many groups in a row it holds).
    using PlaceRuns = QVector<QPair<QPoint, int>>;
    // Appends `count` places at the point, to the last run when it holds it.
    static void AddPlaces(PlaceRuns& runs, const QPoint& point, int count);
    // "x;y|x;y*n|...": a record holds one place, or n in a row after "*".
    static QString PlacesToString(const PlaceRuns& runs);
    // Records without ";" or with it first, or with a count below 1, are
    // skipped; at most `maxPlaces` places.
    static PlaceRuns StringToPlaces(const QString& text, int maxPlaces);

    // ---- Whole project ----
    // NewDocument, then the eight sections in order. With `writeOut`, each
    // element of a kind the show holds many of (a fixture, a block of the
    // patch, a group, a step, a scene, a page, a crossfade button, a timeline
    // block or marker) is turned into text as soon as it is whole
    // (CXmlDocument::WriteOut): the file's bytes are the same, the tree then
    // holds only the sections, and the memory of a save is about its text.
    // The writing then stops, throwing CFileRefused with the reader's
    // reason, as soon as what it made is past the bounds of reading.
    void WriteProject(CProject& project, bool writeOut = false);
    // What the readers count of a show before they make it (every kind of
    // the show's bounds, the universe buffers and beam flags), counted here
    // of the show as it stands: throws CFileRefused with the reader's reason
    // for a show that would not open again.
    void CountAsRead(const CProject& project);

    // ---- Writers (ProjectFileV3.cpp, ProjectFilePatch.cpp) ----
    void WriteParams(CProject& project);
    void WritePatch(CProject& project);
    void WritePatchedFixture(const CPatchedFixture* fixture, const PlaceRuns& places, Handle parent);
    void WriteGroups(CProject& project);
    void WriteGroupView(const CGroup* group, bool general);
    void WriteSubGroups(const CGroup* group);
    void WritePresetConfigs(const CGroup* group);

    // ---- Writers of pages and scenes (ProjectFileScenes.cpp) ----
    void WritePages(CProject& project);
    void WritePageScenes(CProject& project, CPage* page);
    // `first` is set by the caller before the first step of a scene and
    // cleared by the call.
    void WriteStep(const CSceneStep* step, bool& first);
    // Below the current effect element ("ZKEffect" or "ZKPlayingEffect").
    void WriteEffectSelection(const CEffect* effect);
    void WriteEffectStepLevels(const CSceneStep* step);

    // ---- Writers of the last four sections (ProjectFileExtras.cpp) ----
    void WriteEffectScenes(CProject& project);
    void WriteStaticLevels(const CEffectScene* effectScene);
    void WriteFadingButtons(CProject& project);
    void WriteTimeLines(CProject& project);
    void WriteMasks(CProject& project);

    // ---- Readers (ProjectFileV3.cpp, ProjectFilePatch.cpp) ----
    // CProject::readProject runs them in section order.
    void readParams(CProject& project);
    // False only for the universe-count refusal.
    bool readPatch(CProject& project);
    // One "ZKFixture" (current); null when it cannot be patched.
    CPatchedFixture* readFixture(CProject& project, CLibraryProfile* profile);
    void readGroups(CProject& project);
    // The groups' linked pages, by the numbers readGroups read, once
    // readPages has made the pages; a number naming no page links none.
    void linkGroupPages(CProject& project);
    void readGroupView(CProject& project, CGroup* group, bool general);
    void readSubGroups(CProject& project, CGroup* group);
    void readPresetConfigs(CGroup* group);

    // ---- Readers of pages and scenes (ProjectFileScenes.cpp) ----
    void readPages(CProject& project);
    void readScenes(CProject& project, CPage* page);
    void readStep(CProject& project, CScene* scene, CSceneStep* step, bool first);
    void readEffectSelection(CProject& project, CEffect* effect);
    // The playing controls of the current scene element (speed, dimmer,
    // pause, blackout, beam, live colour, triggers), alike for plain and
    // effect scenes.
    void readSceneControls(CScene* scene);
    void WriteReleaseList(const CPage& page, const CScene& scene);
    void ResolveReleaseList(const CPage& page, CScene& scene, const QString& text);
    void readEffectStepLevels(CProject& project, CScene* scene, CEffect* effect, int first, int end);
    // The fixture a row's stored entry names: by id, or a raw channel by its slot.
    CPatchedFixture* RowEntryFixture(CProject& project, int id);
    // Each fixture the "ZKStepFixts" of the current row element names, once,
    // with the levels stored for it.
    void ForEachStoredRowEntry(CProject& project,
                               const std::function<void(CPatchedFixture*, const QByteArray&)>& entry);
    // Walks a step's "SIds" list (ForEachStepRecord) by the general group's
    // ids and the project's raw channels.
    void ForEachStepRecordIn(CProject& project, const QString& ids,
                             const std::function<void(CPatchedFixture*, int)>& record);
    // An effect's list of fixtures or of beams, and the element of each
    // record as earlier builds wrote it.
    struct SEffectList {
        const char* tag;
        const char* recordTag;
        bool beams;
    };
    // Each record of the list below the current element that names a
    // fixture or an empty matrix place (null), counted against the show's
    // effect selections; `beam` is 0 but in the beam list. `expect` is
    // told first how many records a list of them in one text holds.
    void ForEachEffectRecord(const SEffectList& list,
                             const std::function<void(CPatchedFixture*, int beam, bool selected)>& take,
                             const std::function<void(int records)>& expect = {});
    // The records of both lists below the current element, read or not.
    qint64 EffectRecordCount();
    // files-scenes: shared with the effect-scene reader
    // One "ZKStep" (current) that holds a "ZKEffect": the effect, its
    // selection and the steps generated from it, appended to the scene.
    void readEffectRow(CProject& project, CScene* scene);
    // The general group's selection becomes the effect's, as the row's
    // generation wants it. Rows follow one another with nothing else
    // selecting in between: once the first has cleared every beam, only the
    // selected fixtures hold flags, and a row costs its bindings rather than
    // the patch (a file of many rows over a large patch took minutes).
    void SelectRowFixtures(CProject& project, const CEffect* effect);
    // A matrix effect saved on a part of its matrix gets that part again:
    // the grid the beams of its selection span.
    void AttachVirtualGrid(CProject& project, CEffect* effect);
    bool m_readingPages = false;
    bool m_rowSelectionReady = false;
    QSet<const CPatchedFixture*> m_rowPatched; // the general group's fixtures
    // Hand-made step entries made so far by readPages (bounded).
    qint64 m_stepEntriesRead = 0;
    qint64 m_stepLevelsRead = 0;
    // Those of the steps effect rows generate.
    qint64 m_generatedEntriesRead = 0;
    qint64 m_generatedLevelsRead = 0;
    qint64 m_blobLevelsRead = 0; // inflated from the steps' blobs
    qint64 m_rowBlobLevelsRead = 0; // and from the rows' stored steps
    qint64 m_effectFixturesRead = 0;
    CBlobCompressor m_compressor; // of every step's levels
    QHash<QByteArray, QString> m_levelTexts; // written, by level set
    // end files-scenes

    // ---- Readers of the last four sections (ProjectFileExtras.cpp) ----
    void readEffectScenes(CProject& project);
    void readStaticLevels(CProject& project, CEffectScene* effectScene);
    void readFadingButtons(CProject& project);
    void readTimeLines(CProject& project);
    // The markers are one tree as they are read: read before the show is
    // built, that tree is never held beside the whole of it.
    void readTimeMarkers(CProject& project);
    void readMasks(CProject& project);
    // A "ZKUniverse"/"ZKChannel"/"ZKLevel" record (current); false when it
    // lacks one or names no channel of the project.
    bool readChannelLevel(const CProject& project, int& universe, int& channel, quint8& level);

    // ---- Look-ups for the readers, filled by readPatch ----
    // First fixture / matrix of the general group with the id, in constant
    // time; null when none.
    CPatchedFixture* FindGeneralFixture(int id) const { return m_fixturesById.value(id, nullptr); }
    CFixtureMatrix* FindGeneralMatrix(int id) const { return m_matricesById.value(id, nullptr); }
    // Rebuilds both from the general group (readPatch calls it).
    void IndexGeneralGroup(const CProject& project);

    // Caps on what a file may ask for, so a hostile file cannot make the
    // reader allocate without bound.
    static constexpr int kMaxMatrixSide = 256;

    // Plain steps: the ids of the previous plain step written, and the
    // (fixture, length) entries of the previous plain step read; both are
    // emptied at the start of every scene.
    QList<int> m_previousIds;
    // WriteProject's `writeOut`; WrittenOut turns the element into text then.
    bool m_writeOut = false;
    int m_maxDocumentBytes = kMaxDocumentBytes; // the show's, while it is written
    void WrittenOut(const QDomElement& element);
    QList<QPair<CPatchedFixture*, int>> m_previousEntries;

    // Static levels of effect scenes (ProjectFileExtras.cpp): per profile
    // path, the channel layouts of its modes in patch order, which is how the
    // file numbers them. WriteEffectScenes and readEffectScenes fill it.
    QHash<QString, QList<QList<int>>> m_fileModes;
    // end of static levels of effect scenes

private:
    bool SelectHandle(Handle handle);

    QDomElement m_handles[HandleCount];
    QHash<int, CPatchedFixture*> m_fixturesById;
    QHash<int, CFixtureMatrix*> m_matricesById;
    // Fixture records and blocks of the patch read, kept or left out: what
    // a group's lists may name.
    int m_patchRecords = 0;
    int m_patchBlocks = 0;
    // The library by path, the first of equal paths; readGroups fills it.
    QHash<QString, CLibraryProfile*> m_profilesByPath;
    // Per group read, the page number its file names (-1 for none).
    QList<QPair<CGroup*, int>> m_groupPages;
    // The page a group's "ZKPage" names; -1 for anything but a number.
    int readPageNumber() const;
    // Elements counted against the show's bounds.
    qint64 m_scenesRead = 0;
    qint64 m_stepsRead = 0;
};
