// Reader of the two older project formats. They hold a params section, the
// patch, plain scenes and programs; groups are located but not read, and
// pages, effect scenes and the rest did not exist yet.

#include "show/ProjectFileV2.h"

#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowHost.h"
#include "show/StepFixture.h"
#include "Captions.h"

#include <QHash>
#include <QSet>
#include <QVector>

#include <algorithm>
#include <exception>
#include <limits>
#include <stdexcept>

namespace {

// Layout coordinates a file may set; far from the int range, so QRect's
// arithmetic cannot overflow.
constexpr int kMaxLayoutExtent = 1 << 24;
constexpr int kMatrixCellPixels = 20;

int BoundedExtent(int value)
{
    return qBound(-kMaxLayoutExtent, value, kMaxLayoutExtent);
}

// The entries of one step, made in file order. A fixture (or raw channel)
// counts once per step: a repeated record's bytes are passed over. In
// import mode the file's fixtures are only visiting, so their levels go
// straight to the raw channels they cover, as removing the fixtures from
// the scene would turn them; converting as we go keeps a large file linear.
class CStepBuilder
{
public:
    CStepBuilder(CProject& project, CScene* scene, CSceneStep* step, bool toRawChannels)
        : m_project(project), m_scene(scene), m_step(step), m_toRawChannels(toRawChannels)
    {
    }

    // `levels` from `offset` on, at most `length` bytes, are the fixture's.
    // Each entry is told to `count(entries, levels)` before it is made,
    // which may throw.
    template <typename Count>
    void AddFixture(CPatchedFixture* fixture, const QByteArray& levels, qint64 offset, qint64 length, Count count)
    {
        if (!fixture || m_made.contains(fixture))
            return;
        if (!fixture->Profile()) {
            const quint8 level = length > 0 && offset >= 0 && offset < levels.size() ? quint8(levels[int(offset)]) : 0;
            SetRaw(fixture, level, count);
            return;
        }
        m_made.insert(fixture);
        const int channels = std::max(0, fixture->Profile()->ChannelCount());
        const qint64 available = std::max<qint64>(0, qint64(levels.size()) - offset);
        const int filled = int(std::min<qint64>({qint64(channels), std::max<qint64>(0, length), available}));
        if (!m_toRawChannels) {
            count(1, std::max(1, channels));
            auto* entry = new CStepFixture(fixture, m_scene);
            m_step->m_entries << entry;
            for (int c = 0; c < filled; ++c)
                entry->SetLevel(c, quint8(levels[int(offset + c)]), false, false);
            return;
        }
        for (int c = 0; c < channels; ++c) {
            const quint8 level = c < filled ? quint8(levels[int(offset + c)]) : 0;
            CPatchedFixture* raw = m_project.GetChannelFixture(fixture->m_universe, fixture->m_address + c);
            if (!raw)
                continue; // past the universe: the level has no channel to go to
            if (CStepFixture* existing = m_rawEntries.value(raw, nullptr)) {
                existing->SetLevel(0, level, false, false);
                continue;
            }
            SetRaw(raw, level, count);
        }
    }

private:
    template <typename Count>
    void SetRaw(CPatchedFixture* raw, quint8 level, Count count)
    {
        if (m_rawEntries.contains(raw))
            return;
        count(1, 1);
        auto* entry = new CStepFixture(raw, m_scene);
        m_step->m_entries << entry;
        entry->SetLevel(0, level, false, false);
        m_rawEntries.insert(raw, entry);
    }

    CProject& m_project;
    CScene* m_scene;
    CSceneStep* m_step;
    bool m_toRawChannels;
    QSet<const CPatchedFixture*> m_made;
    QHash<const CPatchedFixture*, CStepFixture*> m_rawEntries;
};

} // namespace

// ---- Container ----

void CProjectFileV2::LocateSections()
{
    static const char* const tags[SectionCount] = {"ZKParams", "ZKPatch", "ZKScenes", "ZKPrograms", "ZKGroups"};
    const QDomElement root = m_element[RootSlot];
    for (int s = 0; s < SectionCount; ++s)
        m_sections[s] = root.isNull() ? QDomElement() : root.firstChildElement(QLatin1String(tags[s]));
    SelectRoot();
}

bool CProjectFileV2::SelectSection(Section section)
{
    if (m_sections[section].isNull())
        return false;
    m_element[CurrentSlot] = m_sections[section];
    return true;
}

CPatchedFixture* CProjectFileV2::FindFileFixture(int fileId, bool import) const
{
    const qint64 key = import ? qint64(fileId) + kImportIdOffset : qint64(fileId);
    if (key > std::numeric_limits<int>::max())
        return nullptr;
    return m_fixturesById.value(int(key), nullptr);
}

void CProjectFileV2::IndexFixtures(const CProject& project, bool import)
{
    QList<CPatchedFixture*> fixtures = import ? project.m_importFixtures : QList<CPatchedFixture*>();
    if (!import && project.m_generalGroup)
        fixtures = project.m_generalGroup->m_fixtures;
    IndexFixturesById(m_fixturesById, fixtures);
}

// ---- Params ----

void CProjectFileV2::readLegacyParams(CProject& project)
{
    CGroup* general = project.m_generalGroup;
    if (!general || !SelectParams())
        return;
    int width = 0;
    int height = 0;
    GetAttrInt(QStringLiteral("ZKSceneRectX"), width);
    GetAttrInt(QStringLiteral("ZKSceneRectY"), height);
    general->m_layoutRect = QRect(0, 0, BoundedExtent(width), BoundedExtent(height));

    bool locked = false;
    if (ShowHost().HasLayoutView() && GetAttrBool(QStringLiteral("ZKSceneMoveLocked"), locked))
        ShowHost().SetLayoutMoveLocked(locked);

    GetAttrBool(QStringLiteral("ZKSceneDrawGrid"), general->m_drawGrid);
    GetAttrBool(QStringLiteral("ZKSceneMagnetGrid"), general->m_magnetGrid);
    GetAttrColor(QStringLiteral("ZKSceneColorBack"), general->m_backColor);
    GetAttrBool(QStringLiteral("ZKSceneDrawImageBack"), general->m_drawBackImage);
    GetAttrString(QStringLiteral("ZKSceneImageBack"), general->m_backImage);
    GetAttrInt(QStringLiteral("ZKSceneImageMode"), general->m_imageMode);
    if (general->m_backImage.isEmpty())
        general->m_drawBackImage = false;

    // Old files may name universes this configuration lacks; an interface
    // port is then put on the last one there is.
    readDmxConfig(project, project.UniverseCount() - 1);
    SelectRoot();
}

// ---- Patch ----

bool CProjectFileV2::readLegacyPatch(CProject& project, bool import)
{
    CGroup* general = project.m_generalGroup;
    if (!general || !SelectPatch()) {
        IndexFixtures(project, import);
        SelectRoot();
        return true;
    }

    // More fixtures than the universes have channels can only be damage,
    // and every later pass over the patch would pay for them.
    const qint64 maxFixtures = qint64(kSlotsPerUniverse) * std::max(1, project.UniverseCount());
    qint64 fixturesRead = 0;
    int highestUniverse = -1;
    QList<CPatchedFixture*> withoutId;
    ForEachChild(QStringLiteral("ZKFixtures"), [&] {
        if (!SelectElement(QStringLiteral("ZKLibrary"), -1))
            return;
        int matrixId = -1;
        GetAttrInt(QStringLiteral("ZKMatrixId"), matrixId);
        int columns = 0;
        int rows = 0;
        QPoint matrixPosition;
        // An import brings scenes, not a patch: its matrices are not made.
        bool hasMatrix = false;
        if (!import && matrixId >= 0 && SelectElement(QStringLiteral("ZKMatrix"), -1)) {
            hasMatrix = true;
            GetAttrInt(QStringLiteral("ZKMatrixSizeX"), columns);
            GetAttrInt(QStringLiteral("ZKMatrixSizeY"), rows);
            int x = 0;
            int y = 0;
            GetAttrInt(QStringLiteral("ZKMatrixPosX"), x);
            GetAttrInt(QStringLiteral("ZKMatrixPosY"), y);
            matrixPosition = QPoint(BoundedExtent(x), BoundedExtent(y));
            SelectElement(QStringLiteral(".."));
        }

        CLibraryProfile* profile = readLibraryProfile(project);
        if (!profile)
            return; // without its profile no fixture of the block knows its channels

        CountBeamFlags(qint64(CountChildren(QStringLiteral("ZKFixture"))) * profile->BeamCount());
        CFixtureMatrix* matrix = nullptr;
        if (hasMatrix && columns >= 1 && rows >= 1 && !m_matrixIds.contains(matrixId)) {
            matrix = new CFixtureMatrix(profile, matrixId, std::min(columns, kMaxMatrixSide),
                                        std::min(rows, kMaxMatrixSide), 0);
            matrix->AddPosition(matrixPosition);
        }
        const QSize cellSize = profile->GetBeamsRect(kMatrixCellPixels, kMatrixCellPixels).size();

        try {
            ForEachChild(QStringLiteral("ZKFixture"), [&] {
                const bool hasId = CurrentElement().hasAttribute(QStringLiteral("ZKId"));
                CPatchedFixture* fixture = readLegacyFixture(project, profile, hasId, import);
                if (!fixture)
                    return;
                general->m_fixtures << fixture;
                general->m_beamFlags << fixture->BeamFlags();
                if (import)
                    project.m_importFixtures << fixture;
                if (!hasId)
                    withoutId << fixture;
                highestUniverse = std::max(highestUniverse, fixture->m_universe);
                if (matrix) {
                    fixture->m_matrixId = matrixId;
                    matrix->AddMember(fixture, QRect(fixture->Position(0), cellSize));
                }
                if (++fixturesRead > maxFixtures)
                    throw CFileRefused(GetLangText(Txt::TooManyFixtures).arg(maxFixtures));
            });
        } catch (...) {
            delete matrix; // not yet the general group's
            throw;
        }
        if (matrix && matrix->MemberCount() == 0) {
            delete matrix; // every member was left out: the show would not save it
        } else if (matrix) {
            matrix->OrderMembers();
            general->m_matrices << matrix;
            m_matrixIds.insert(matrixId);
        }
    });

    // A fixture written without an id would share 0 with every other one
    // like it (and with a fixture that has 0): each gets the lowest id that
    // no fixture of the file has.
    QSet<int> used;
    const QList<CPatchedFixture*>& scope = import ? project.m_importFixtures : general->m_fixtures;
    const QSet<CPatchedFixture*> unnumbered(withoutId.begin(), withoutId.end());
    for (const CPatchedFixture* fixture : scope) {
        if (!unnumbered.contains(const_cast<CPatchedFixture*>(fixture)))
            used.insert(fixture->m_id);
    }
    int next = import ? kImportIdOffset : 0;
    for (CPatchedFixture* fixture : qAsConst(withoutId)) {
        while (used.contains(next))
            ++next;
        fixture->m_id = next;
        used.insert(next);
    }

    IndexFixtures(project, import);
    SelectRoot();

    return AcceptUniverses(project, highestUniverse);
}

CPatchedFixture* CProjectFileV2::readLegacyFixture(CProject& project, CLibraryProfile* profile, bool hasId,
                                                   bool import)
{
    SFixtureRecord record;
    int x = 0;
    int y = 0;
    GetAttrInt(QStringLiteral("ZKPosX"), x);
    GetAttrInt(QStringLiteral("ZKPosY"), y);
    if (!readFixtureRecord(record, profile))
        return nullptr;
    if (import) {
        if (qint64(record.id) + kImportIdOffset > std::numeric_limits<int>::max())
            return nullptr;
        record.id += kImportIdOffset;
    }
    // One without an id is given a free one once the whole patch is read.
    if (hasId && !ClaimFixtureId(record.id))
        return nullptr;

    auto* fixture = CreateFixture(project, record, profile, 0);
    fixture->AddPosition(BoundedExtent(x), BoundedExtent(y));
    return fixture;
}

// ---- Scenes and programs ----

void CProjectFileV2::readLegacyScenes(CProject& project, int pass, bool import)
{
    CPage* page = project.m_firstPage;
    const bool plain = pass == PlainScenes;
    if (!page || !(plain ? SelectScenes() : SelectPrograms()))
        return;

    // Jumps count over the plain scenes of the file.
    QList<CScene*> fileScenes;
    ForEachChild(QStringLiteral("ZKScene"), [&] {
        Count(m_scenesRead, 1, CShowBounds::Scenes);
        QString name;
        GetAttrString(QStringLiteral("ZKName"), name);
        // On the page at once: a reader that throws leaves nothing unowned.
        auto* scene = new CScene(name, project.UniverseCount());
        scene->m_indexInPage = page->m_scenes.size();
        page->m_scenes << scene;
        if (import)
            project.m_importScenes << scene;
        fileScenes << scene;

        int value = 0;
        GetAttrTime(QStringLiteral("ZKFade"), scene->m_fadeIn);
        if (GetAttrInt(QStringLiteral("ZKLoop"), value))
            scene->m_loopCount = qint16(value);
        scene->m_triggers.ReadXml(*this);
        GetAttrBool(QStringLiteral("ZKDefaultButPic"), scene->m_defaultButtonPicture);
        GetAttrString(QStringLiteral("ZKButPic"), scene->m_buttonPicture);

        if (!plain)
            readActiveUniverses(project, scene);
        if (plain) {
            GetAttrWhole(QStringLiteral("ZKJump"), scene->m_jumpIndex);
            // The auto jump belongs to scenes that jump nowhere.
            if (scene->m_jumpIndex < 0)
                GetAttrBool(QStringLiteral("ZKAutoJump"), scene->m_autoJump);
            GetAttrBool(QStringLiteral("ZKPlaySound"), scene->m_playSound);
            GetAttrString(QStringLiteral("ZKSound"), scene->m_sound);
        }

        if (SelectElement(QStringLiteral("ZKSteps"), -1)) {
            bool first = true;
            ForEachChild(QStringLiteral("ZKStep"), [&] {
                Count(m_stepsRead, 1, CShowBounds::Steps);
                auto* step = new CSceneStep(0, 1000);
                scene->m_steps << step;
                readLegacyStep(project, scene, step, first, import);
                first = false;
            });
            SelectElement(QStringLiteral(".."));
        }

        // A plain scene of the old format claims every channel its first
        // step drives: all channels of each fixture, not only the first.
        if (plain && !scene->m_steps.isEmpty()) {
            for (const CStepFixture* entry : qAsConst(scene->m_steps.first()->m_entries)) {
                const CPatchedFixture* fixture = entry->Fixture();
                CSlotMask* mask = fixture ? MarkableMask(scene, fixture->m_universe) : nullptr;
                if (!mask)
                    continue;
                const int end = std::min(kSlotsPerUniverse, fixture->m_address + entry->ChannelCount());
                for (int slot = std::max(0, fixture->m_address); slot < end; ++slot)
                    mask->Set(slot);
            }
        }
        scene->UpdateLength();
        scene->LoadButtonPicture();
    });
    SelectRoot();
    if (!plain)
        return;

    if (!import) {
        page->ResolveJumps();
        return;
    }
    // The file numbers its own scenes: an imported jump lands on an imported
    // scene, counted after the scenes the page held before; the scenes that
    // were there keep the jumps they have.
    const int offset = page->m_scenes.size() - fileScenes.size();
    for (CScene* scene : qAsConst(fileScenes)) {
        const int target = scene->m_jumpIndex;
        if (target >= 0 && target < fileScenes.size()) {
            scene->m_jumpTarget = fileScenes[target];
            scene->m_jumpIndex = offset + target;
        } else {
            scene->m_jumpTarget = nullptr;
            scene->m_jumpIndex = -1;
        }
    }
}

void CProjectFileV2::readLegacyStep(CProject& project, CScene* scene, CSceneStep* step, bool first, bool import)
{
    GetAttrTime(QStringLiteral("ZKFade"), step->m_fade);
    GetAttrTime(QStringLiteral("ZKWait"), step->m_wait);
    if (first)
        m_previousEntries.clear();

    CStepBuilder builder(project, scene, step, import);
    const auto count = [this](qint64 entries, qint64 levels) {
        Count(m_entriesRead, entries, CShowBounds::StepEntries);
        Count(m_levelsRead, levels, CShowBounds::StepLevels);
    };
    if (SelectElement(QStringLiteral("SData"), -1)) {
        QString text;
        if (GetAttrString(QStringLiteral("SIds"), text)) {
            m_previousEntries.clear();
            QList<int> values;
            StringToIntList(text, values, StepRecordValues(m_fixturesById.size()));
            // Every record keeps its place in the level data, matched or not.
            ForEachStepRecord(
                values, [&](int id) { return FindFileFixture(id, import); },
                [&project](int universe, int slot) { return project.GetChannelFixture(universe, slot); },
                [this](CPatchedFixture* fixture, int length) {
                    m_previousEntries.append(qMakePair(fixture, length));
                });
        }
        QByteArray levels;
        if (GetAttrString(QStringLiteral("SLvl"), text)) {
            // Data that does not decode counts as none: the entries stay at 0.
            DecodeBlob(text, levels);
            // Each blob may inflate to 64 MB: together they may hold no more
            // levels than steps may, or a few hundred would take minutes.
            Count(m_blobLevelsRead, levels.size(), CShowBounds::StepLevels);
            qint64 offset = 0;
            for (const QPair<CPatchedFixture*, int>& record : qAsConst(m_previousEntries)) {
                builder.AddFixture(record.first, levels, offset, record.second, count);
                offset += record.second;
            }
        }
        SelectElement(QStringLiteral(".."));
        return;
    }

    if (!SelectElement(QStringLiteral("ZKStepFixts"), -1))
        return;
    ForEachChild(QStringLiteral("ZKStepFixt"), [&] {
        int id = 0;
        QString digits;
        if (!GetAttrInt(QStringLiteral("ZKId"), id) || !GetAttrString(QStringLiteral("ZKDmxBuffer"), digits))
            return;
        CPatchedFixture* fixture = nullptr;
        if (id == -1) {
            int universe = 0;
            int address = 0;
            if (!GetAttrInt(QStringLiteral("ZKUniverse"), universe)
                || !GetAttrInt(QStringLiteral("ZKAddress"), address))
                return;
            fixture = project.GetChannelFixture(universe, address);
        } else {
            fixture = FindFileFixture(id, import);
        }
        if (!fixture)
            return;
        QByteArray levels;
        DigitsToBytes(digits, levels);
        builder.AddFixture(fixture, levels, 0, levels.size(), count);
    });
    SelectElement(QStringLiteral(".."));
}

// ---- Whole file ----

bool CProject::readLegacyProject(CProjectFileV2& doc, bool import, QString& error)
{
    try {
        doc.CountFromHeld(*this);
        doc.LocateSections();
        if (!import)
            doc.readLegacyParams(*this);
        if (!doc.readLegacyPatch(*this, import))
            return false;
        doc.readLegacyScenes(*this, CProjectFileV2::PlainScenes, import);
        doc.readLegacyScenes(*this, CProjectFileV2::Programs, import);
    } catch (...) {
        error = CProjectFileBase::CurrentFailure();
        return false;
    }
    return true;
}
