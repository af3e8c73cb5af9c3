#include "show/ProjectFileV3.h"

#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/MemberGroups.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "Captions.h"

#include <QHash>
#include <QSet>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace {

// Zoom of a group view in percent, as far as a file may set it.
constexpr int kMinZoomPercent = 1;
constexpr int kMaxZoomPercent = 10000;
// Layout coordinates and sizes a file may give a view rectangle; far beyond
// any screen, and far enough from the int range that QRect's arithmetic
// cannot overflow.
constexpr int kMaxLayoutExtent = 1 << 24;
// Cell of a matrix member in layout pixels per beam-grid step.
constexpr int kMatrixCellPixels = 20;

// A block of the patch is read as one tree, some 6 KB a fixture as the
// reader weighs it: one profile patched into every slot of 128 universes
// would make a block past what a tree may take. Past this many fixtures, a
// block holds the rest in parts of as many, each read apart.
constexpr int kFixturesPerPart = 4096;

// Layout positions of one fixture or matrix: one per group, the general
// group's and every one of the user's the show may hold.
int MaxPositions()
{
    return int(CShowBounds::Bound(CShowBounds::Groups)) + 1;
}

QString IdList(const QList<int>& ids)
{
    QString text;
    for (int i = 0; i < ids.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('|');
        text += QString::number(ids[i]);
    }
    return text;
}

// "id;f;f..." for one fixture and its beam flags.
QString BeamRecord(int id, const QList<bool>& flags)
{
    QString text = QString::number(id);
    for (bool flag : flags)
        text += flag ? QLatin1String(";1") : QLatin1String(";0");
    return text;
}

int ZoomPercent(float zoom)
{
    const float percent = zoom * 100.0f;
    if (!std::isfinite(percent))
        return 100;
    if (percent >= float(std::numeric_limits<int>::max()) || percent <= float(std::numeric_limits<int>::min()))
        return percent > 0 ? std::numeric_limits<int>::max() : std::numeric_limits<int>::min();
    return int(percent);
}

QRect BoundedRect(int x, int y, int width, int height)
{
    const auto bound = [](int value) { return qBound(-kMaxLayoutExtent, value, kMaxLayoutExtent); };
    return QRect(bound(x), bound(y), bound(width), bound(height));
}

// Fixture id -> index in the group's list, the first of equal ids.
QHash<int, int> IndexById(const QList<CPatchedFixture*>& fixtures)
{
    QHash<int, int> index;
    index.reserve(fixtures.size());
    for (int i = 0; i < fixtures.size(); ++i) {
        if (!index.contains(fixtures[i]->m_id))
            index.insert(fixtures[i]->m_id, i);
    }
    return index;
}

// Appends the places a "ZKPosition" text lists to the item's.
void PlaceFromText(CLayoutPlacement& item, const QString& text)
{
    for (const auto& run : CProjectFileV3::StringToPlaces(text, MaxPositions()))
        item.AddPositions(run.first, run.second);
}

} // namespace

// ---- Patch writer ----

void CProjectFileV3::WritePatch(CProject& project)
{
    SelectRoot();
    CGroup* general = project.m_generalGroup;
    if (!general || general->m_fixtures.isEmpty())
        return;

    // Blocks in the order of their first fixture. A block is one library
    // profile (each embedded with its current mode, which the reader makes
    // mode 0, so two modes of one profile must never share a block) or one
    // matrix. A fixture whose matrix is gone is written as a free fixture;
    // one without a profile has nothing to embed and is left out.
    struct Block {
        CLibraryProfile* profile = nullptr;
        CFixtureMatrix* matrix = nullptr;
        QList<CPatchedFixture*> fixtures;
    };
    QList<Block> blocks;
    QHash<const CLibraryProfile*, int> freeBlocks;
    QHash<int, int> matrixBlocks;
    QHash<int, CFixtureMatrix*> matrices;
    for (CFixtureMatrix* matrix : general->m_matrices) {
        if (!matrices.contains(matrix->Id()))
            matrices.insert(matrix->Id(), matrix);
    }
    // Each fixture's block is found first and the lists filled after, each
    // at its final size: growing lists of thousands of fixtures one by one
    // costs more than the rest of the patch.
    QVector<int> blockOf(general->m_fixtures.size(), -1);
    QVector<int> blockSizes;
    for (int f = 0; f < general->m_fixtures.size(); ++f) {
        CPatchedFixture* fixture = general->m_fixtures[f];
        CFixtureMatrix* matrix = fixture->m_matrixId >= 0 ? matrices.value(fixture->m_matrixId, nullptr) : nullptr;
        if (matrix) {
            auto it = matrixBlocks.constFind(matrix->Id());
            if (it == matrixBlocks.constEnd()) {
                it = matrixBlocks.insert(matrix->Id(), blocks.size());
                blocks.append(Block{fixture->Profile(), matrix, {}});
                blockSizes.append(0);
            }
            blockOf[f] = it.value();
            ++blockSizes[it.value()];
            continue;
        }
        if (!fixture->Profile())
            continue;
        auto it = freeBlocks.constFind(fixture->Profile());
        if (it == freeBlocks.constEnd()) {
            it = freeBlocks.insert(fixture->Profile(), blocks.size());
            blocks.append(Block{fixture->Profile(), nullptr, {}});
            blockSizes.append(0);
        }
        blockOf[f] = it.value();
        ++blockSizes[it.value()];
    }
    const CMemberGroups members(project);
    for (int b = 0; b < blocks.size(); ++b)
        blocks[b].fixtures.reserve(blockSizes[b]);
    for (int f = 0; f < general->m_fixtures.size(); ++f) {
        if (blockOf[f] >= 0)
            blocks[blockOf[f]].fixtures << general->m_fixtures[f];
    }

    Create(QStringLiteral("ZKPatch"), RootParent, PatchHandle);
    SetAttrInt(QStringLiteral("ZKNumber"), general->m_fixtures.size());
    for (const Block& block : blocks) {
        if (!block.profile)
            continue; // a matrix of fixtures without profile
        Create(QStringLiteral("ZKFixtures"), PatchHandle, FixtureBlockHandle);
        Create(QStringLiteral("ZKLibrary"), FixtureBlockHandle);
        SetAttrString(QStringLiteral("ZKName"), block.profile->m_path);
        SetAttrInt(QStringLiteral("ZKMatrixId"), block.matrix ? block.matrix->Id() : -1);
        WriteProfile(*block.profile, false);
        if (block.matrix) {
            // Creates "ZKMatrix" below the library element and makes it current.
            WriteMatrixSize(block.matrix->Columns(), block.matrix->Rows());
            SetAttrInt(QStringLiteral("ZKDrawType"), block.matrix->DrawType());
            SetAttrString(QStringLiteral("ZKPosition"), PlacesToString(members.PlacesOf(*block.matrix)));
        }
        SelectFixtureBlock();
        // Each member's cell, found once: a search of the members for each
        // one would make a save of a large matrix quadratic.
        QHash<const CPatchedFixture*, QPoint> cells;
        if (block.matrix) {
            const QList<CPatchedFixture*>& matrixMembers = block.matrix->Members();
            for (int m = matrixMembers.size() - 1; m >= 0; --m)
                cells.insert(matrixMembers[m], block.matrix->MemberCell(m).topLeft());
        }
        Handle parent = FixtureBlockHandle;
        for (int f = 0; f < block.fixtures.size(); ++f) {
            if (f > 0 && f % kFixturesPerPart == 0) {
                if (parent == FixturePartHandle)
                    WrittenOut(Element(FixturePartHandle));
                else
                    Create(QStringLiteral("ZKMoreFixtures"), FixtureBlockHandle, FixturePartsHandle);
                Create(QStringLiteral("ZKFixturePart"), FixturePartsHandle, FixturePartHandle);
                parent = FixturePartHandle;
            }
            CPatchedFixture* fixture = block.fixtures[f];
            if (block.matrix) {
                // A member is placed by its cell, whatever its item shows.
                const QPoint cell = cells.value(fixture);
                if (!fixture->SetPosition(0, cell))
                    fixture->AddPosition(cell);
            }
            WritePatchedFixture(fixture, members.PlacesOf(*fixture), parent);
        }
        if (parent == FixturePartHandle)
            WrittenOut(Element(FixturePartHandle));
        WrittenOut(Element(FixtureBlockHandle));
    }
    SelectRoot();
}

void CProjectFileV3::WritePatchedFixture(const CPatchedFixture* fixture, const PlaceRuns& places, Handle parent)
{
    Create(QStringLiteral("ZKFixture"), parent);
    SetAttrString(QStringLiteral("ZKName"), fixture->m_name);
    SetAttrInt(QStringLiteral("ZKAddress"), fixture->m_address);
    SetAttrInt(QStringLiteral("ZKUniverse"), fixture->m_universe);
    SetAttrInt(QStringLiteral("ZKId"), fixture->m_id);
    SetAttrBool(QStringLiteral("ZKInvPan"), fixture->m_invertPan);
    SetAttrBool(QStringLiteral("ZKInvTilt"), fixture->m_invertTilt);
    SetAttrInt(QStringLiteral("ZKDrawType"), fixture->m_drawType);
    SetAttrString(QStringLiteral("ZKPosition"), PlacesToString(places));
    WrittenOut(CurrentElement());
}

// ---- Groups writer ----

void CProjectFileV3::WriteGroups(CProject& project)
{
    SelectRoot();
    Create(QStringLiteral("ZKGroups"), RootParent, GroupsHandle);
    SetAttrInt(QStringLiteral("ZKNumber"), project.m_groups.size());
    for (int g = 0; g < project.m_groups.size(); ++g) {
        const CGroup* group = project.m_groups[g];
        const bool general = g == 0;
        Create(general ? QStringLiteral("ZKGlobalGroup") : QStringLiteral("ZKGroup"), GroupsHandle, GroupHandle);
        SetAttrString(QStringLiteral("ZKName"), group->m_name);
        if (!general) {
            QList<int> ids;
            for (const CPatchedFixture* fixture : group->m_fixtures)
                ids << fixture->m_id;
            if (!ids.isEmpty())
                SetAttrString(QStringLiteral("ZKFixtures"), IdList(ids));
            ids.clear();
            for (const CFixtureMatrix* matrix : group->m_matrices)
                ids << matrix->Id();
            if (!ids.isEmpty())
                SetAttrString(QStringLiteral("ZKMatrix"), IdList(ids));
        }
        // A page number on disk: the page's place in the list being saved.
        SetAttrInt(QStringLiteral("ZKPage"), group->m_page ? int(project.m_pages.indexOf(group->m_page)) : -1);
        group->m_triggers.WriteXml(*this);
        WriteGroupView(group, general);
        WriteSubGroups(group);
        WritePresetConfigs(group);
        WrittenOut(Element(GroupHandle));
    }
    SelectRoot();
}

void CProjectFileV3::WriteGroupView(const CGroup* group, bool general)
{
    SelectHandle(GroupHandle);
    SetAttrInt(QStringLiteral("ZKScrollX"), group->m_scrollX);
    SetAttrInt(QStringLiteral("ZKScrollY"), group->m_scrollY);
    SetAttrBool(QStringLiteral("ZKSceneDrawGrid"), group->m_drawGrid);
    SetAttrBool(QStringLiteral("ZKSceneMagnetGrid"), group->m_magnetGrid);
    SetAttrColor(QStringLiteral("ZKSceneColorBack"), group->m_backColor);
    SetAttrBool(QStringLiteral("ZKSceneDrawImageBack"), group->m_drawBackImage);
    SetAttrString(QStringLiteral("ZKSceneImageBack"), group->m_backImage);
    SetAttrInt(QStringLiteral("ZKZoom"), ZoomPercent(group->m_zoom));
    SetAttrInt(QStringLiteral("ZKSceneImageMode"), group->m_imageMode);
    if (general) {
        SetAttrInt(QStringLiteral("ZKSceneRectX"), group->m_layoutRect.width());
        SetAttrInt(QStringLiteral("ZKSceneRectY"), group->m_layoutRect.height());
    } else {
        SetAttrBool(QStringLiteral("ZKCommonPos"), group->m_commonPositions);
        const QRect& view = group->m_viewRect;
        if (view.isValid())
            SetAttrString(QStringLiteral("ZKCropRect"), QStringLiteral("%1;%2;%3;%4")
                                                            .arg(view.left())
                                                            .arg(view.top())
                                                            .arg(view.width())
                                                            .arg(view.height()));
    }
    QStringList selection;
    for (int i = 0; i < group->m_fixtures.size() && i < group->m_beamFlags.size(); ++i) {
        if (IsAnyBeamSelected(group->m_beamFlags[i]))
            selection << BeamRecord(group->m_fixtures[i]->m_id, group->m_beamFlags[i]);
    }
    if (!selection.isEmpty())
        SetAttrString(QStringLiteral("ZKGrpSel"), selection.join(QLatin1Char('|')));
}

void CProjectFileV3::WriteSubGroups(const CGroup* group)
{
    if (group->m_subGroups.isEmpty())
        return;
    Create(QStringLiteral("ZKSubGroups"), GroupHandle, SubGroupsHandle);
    SetAttrInt(QStringLiteral("ZKNumber"), group->m_subGroups.size());
    for (const CSubGroup* subGroup : group->m_subGroups) {
        Create(QStringLiteral("ZKSubGroup"), SubGroupsHandle);
        QStringList records;
        for (int i = 0; i < subGroup->m_fixtures.size(); ++i)
            records << BeamRecord(subGroup->m_fixtures[i]->m_id, subGroup->m_beamFlags.value(i));
        SetAttrString(QStringLiteral("ZKBeams"), records.join(QLatin1Char('|')));
    }
}

void CProjectFileV3::WritePresetConfigs(const CGroup* group)
{
    Create(QStringLiteral("ZKPresetConfigs"), GroupHandle, PresetConfigsHandle);
    for (int i = 0; i < group->m_presetProfiles.size(); ++i) {
        const CLibraryProfile* profile = group->m_presetProfiles[i];
        Create(QStringLiteral("ZKProfileConfig"), PresetConfigsHandle, ProfileConfigHandle);
        SetAttrString(QStringLiteral("ZKFixtPath"), profile ? profile->m_path : QString());
        for (const CPresetConfig* config : group->m_presetConfigs.value(i)) {
            Create(QStringLiteral("ZKPresetConfig"), ProfileConfigHandle);
            SetAttrInt(QStringLiteral("ZKChannel"), config->m_channel);
            SetAttrInt(QStringLiteral("ZKChanIndType"), config->m_channelIndexType);
            SetAttrInt(QStringLiteral("ZKPosX"), config->m_x);
            SetAttrInt(QStringLiteral("ZKPosY"), config->m_y);
            SetAttrInt(QStringLiteral("ZKDisplayType"), config->m_displayType);
            SetAttrInt(QStringLiteral("ZKDisplaySize"), config->m_displaySize);
            SetAttrInt(QStringLiteral("ZKPrDisplayType"), config->m_presetDisplayType);
        }
    }
}

// ---- Patch reader ----

bool CProjectFileV3::readPatch(CProject& project)
{
    CGroup* general = project.m_generalGroup;
    m_patchRecords = 0;
    m_patchBlocks = 0;
    if (!general || !SelectPatch()) {
        IndexGeneralGroup(project);
        SelectRoot();
        return true;
    }

    int highestUniverse = -1;
    int parts = 0;
    CheckChildCount(QStringLiteral("ZKFixtures"), CShowBounds::PatchBlocks);
    m_patchBlocks = ForEachChild(QStringLiteral("ZKFixtures"), [&] {
        m_patchRecords += CountChildren(QStringLiteral("ZKFixture"));
        if (!SelectElement(QStringLiteral("ZKLibrary"), -1))
            return;
        int matrixId = -1;
        GetAttrInt(QStringLiteral("ZKMatrixId"), matrixId);
        int columns = 0;
        int rows = 0;
        int drawType = 0;
        QString matrixPlaces;
        bool hasMatrix = false;
        if (matrixId >= 0 && SelectElement(QStringLiteral("ZKMatrix"), -1)) {
            hasMatrix = true;
            GetAttrInt(QStringLiteral("ZKMatrixSizeX"), columns);
            GetAttrInt(QStringLiteral("ZKMatrixSizeY"), rows);
            GetAttrInt(QStringLiteral("ZKDrawType"), drawType);
            GetAttrString(QStringLiteral("ZKPosition"), matrixPlaces);
            SelectElement(QStringLiteral(".."));
        }

        CLibraryProfile* profile = readLibraryProfile(project);
        if (!profile)
            return; // without its profile no fixture of the block knows its channels

        // Held here until its members are read: a part refused on the way
        // leaves nothing behind.
        std::unique_ptr<CFixtureMatrix> matrix;
        if (hasMatrix && columns >= 1 && rows >= 1 && !m_matrixIds.contains(matrixId)) {
            columns = qMin(columns, kMaxMatrixSide);
            rows = qMin(rows, kMaxMatrixSide);
            matrix = std::make_unique<CFixtureMatrix>(profile, matrixId, columns, rows, drawType);
            PlaceFromText(*matrix, matrixPlaces);
        }
        const QSize cellSize = profile->GetBeamsRect(kMatrixCellPixels, kMatrixCellPixels).size();

        const auto readFixtures = [&] {
            CountBeamFlags(qint64(CountChildren(QStringLiteral("ZKFixture"))) * profile->BeamCount());
            ForEachChild(QStringLiteral("ZKFixture"), [&] {
                CPatchedFixture* fixture = readFixture(project, profile);
                if (!fixture)
                    return;
                // New, so no member yet: appended without the membership
                // search, which would make a large patch quadratic.
                general->m_fixtures << fixture;
                general->m_beamFlags << fixture->BeamFlags();
                highestUniverse = qMax(highestUniverse, fixture->m_universe);
                if (matrix) {
                    fixture->m_matrixId = matrixId;
                    matrix->AddMember(fixture, QRect(fixture->Position(0), cellSize));
                }
            });
        };
        readFixtures();
        if (SelectElement(QStringLiteral("ZKMoreFixtures"), -1)) {
            // Each part follows a block's or a part's worth of fixtures: a
            // document of no more nodes holds no more parts.
            parts += CountChildren(QStringLiteral("ZKFixturePart"));
            if (parts > CXmlDocument::kMaxDocumentNodes / kFixturesPerPart)
                throw CFileRefused(GetLangText(Txt::DocumentTooManyElements).arg(CXmlDocument::kMaxDocumentNodes));
            ForEachChild(QStringLiteral("ZKFixturePart"), [&] {
                m_patchRecords += CountChildren(QStringLiteral("ZKFixture"));
                readFixtures();
            });
            SelectElement(QStringLiteral(".."));
        }
        if (matrix && matrix->MemberCount() == 0) {
            // Every member was left out: the matrix goes with them, so that
            // groups and effects that name it let go of it now and the next
            // save writes what the next open reads.
            matrix.reset();
        } else if (matrix) {
            matrix->OrderMembers();
            general->m_matrices << matrix.release();
            m_matrixIds.insert(matrixId);
        }
    });
    IndexGeneralGroup(project);
    SelectRoot();

    return AcceptUniverses(project, highestUniverse);
}

CPatchedFixture* CProjectFileV3::readFixture(CProject& project, CLibraryProfile* profile)
{
    SFixtureRecord record;
    int drawType = 0;
    GetAttrInt(QStringLiteral("ZKDrawType"), drawType);
    if (!readFixtureRecord(record, profile) || !ClaimFixtureId(record.id))
        return nullptr;

    auto* fixture = CreateFixture(project, record, profile, drawType);
    QString text;
    if (GetAttrString(QStringLiteral("ZKPosition"), text))
        PlaceFromText(*fixture, text);
    return fixture;
}

// ---- Groups reader ----

void CProjectFileV3::readGroups(CProject& project)
{
    CGroup* general = project.m_generalGroup;
    if (!general || !SelectGroups())
        return;
    m_profilesByPath.clear();
    m_groupPages.clear();
    for (CLibraryProfile* profile : qAsConst(project.m_library)) {
        if (!m_profilesByPath.contains(profile->GetPath()))
            m_profilesByPath.insert(profile->GetPath(), profile);
    }

    if (SelectElement(QStringLiteral("ZKGlobalGroup"), -1)) {
        GetAttrString(QStringLiteral("ZKName"), general->m_name);
        m_groupPages << qMakePair(general, readPageNumber());
        general->m_triggers.ReadXml(*this);
        readGroupView(project, general, true);
        readSubGroups(project, general);
        readPresetConfigs(general);
        SelectElement(QStringLiteral(".."));
    }

    CheckChildCount(QStringLiteral("ZKGroup"), CShowBounds::Groups);
    qint64 members = 0;
    ForEachChild(QStringLiteral("ZKGroup"), [&] {
        QString name;
        GetAttrString(QStringLiteral("ZKName"), name);
        auto* group = new CGroup(name);
        project.m_groups << group; // owned by the project from here, whatever follows

        // A group names each fixture and matrix of the file once at most:
        // its lists are read as far as the patch's records and blocks go,
        // those left out of the patch included, so that an id of a fixture
        // left out takes no other member's place.
        QString text;
        if (GetAttrString(QStringLiteral("ZKFixtures"), text)) {
            QSet<CPatchedFixture*> added;
            // Gathered first: the group's lists then take the room of their
            // members alone, not that of a list grown a member at a time,
            // which over millions of members is tens of megabytes.
            QVector<CPatchedFixture*> fixtures;
            int read = 0;
            ForEachPiece(text, QLatin1Char('|'), [&](const QStringRef& id) {
                if (++read > m_patchRecords)
                    return false;
                CPatchedFixture* fixture = FindGeneralFixture(id.toInt());
                if (fixture && !added.contains(fixture)) {
                    Count(members, 1, CShowBounds::GroupMembers);
                    added.insert(fixture);
                    fixtures << fixture;
                }
                return true;
            });
            group->m_fixtures.reserve(fixtures.size());
            group->m_beamFlags.reserve(fixtures.size());
            for (CPatchedFixture* fixture : qAsConst(fixtures)) {
                group->m_fixtures << fixture;
                group->m_beamFlags << fixture->BeamFlags();
            }
        }
        if (GetAttrString(QStringLiteral("ZKMatrix"), text)) {
            QSet<CFixtureMatrix*> added;
            int read = 0;
            ForEachPiece(text, QLatin1Char('|'), [&](const QStringRef& id) {
                if (++read > m_patchBlocks)
                    return false;
                CFixtureMatrix* matrix = FindGeneralMatrix(id.toInt());
                if (matrix && !added.contains(matrix)) {
                    Count(members, 1, CShowBounds::GroupMembers);
                    added.insert(matrix);
                    group->m_matrices << matrix;
                }
                return true;
            });
        }
        m_groupPages << qMakePair(group, readPageNumber());
        group->m_triggers.ReadXml(*this);
        readGroupView(project, group, false);
        readSubGroups(project, group);
        readPresetConfigs(group);
    });

    project.m_savedSelectedFixtures = general->m_selectedFixtures;
    project.m_savedSelectedMatrices = general->m_selectedMatrices;
    SelectRoot();
}

int CProjectFileV3::readPageNumber() const
{
    int page = -1;
    GetAttrWhole(QStringLiteral("ZKPage"), page);
    return page;
}

void CProjectFileV3::linkGroupPages(CProject& project)
{
    // Looked up, not searched for: a file of many groups took minutes.
    const QSet<const CGroup*> groups(project.m_groups.cbegin(), project.m_groups.cend());
    for (const QPair<CGroup*, int>& link : qAsConst(m_groupPages)) {
        if (groups.contains(link.first))
            link.first->m_page = project.m_pages.value(link.second, nullptr);
    }
    m_groupPages.clear();
}

void CProjectFileV3::readGroupView(CProject& project, CGroup* group, bool general)
{
    Q_UNUSED(project);
    GetAttrInt(QStringLiteral("ZKScrollX"), group->m_scrollX);
    GetAttrInt(QStringLiteral("ZKScrollY"), group->m_scrollY);
    GetAttrBool(QStringLiteral("ZKSceneDrawGrid"), group->m_drawGrid);
    GetAttrBool(QStringLiteral("ZKSceneMagnetGrid"), group->m_magnetGrid);
    GetAttrColor(QStringLiteral("ZKSceneColorBack"), group->m_backColor);
    GetAttrBool(QStringLiteral("ZKSceneDrawImageBack"), group->m_drawBackImage);
    GetAttrString(QStringLiteral("ZKSceneImageBack"), group->m_backImage);
    int zoom = 100;
    if (GetAttrInt(QStringLiteral("ZKZoom"), zoom))
        group->m_zoom = float(qBound(kMinZoomPercent, zoom, kMaxZoomPercent)) / 100.0f;
    GetAttrInt(QStringLiteral("ZKSceneImageMode"), group->m_imageMode);
    QString text;
    if (general) {
        int width = 0;
        int height = 0;
        GetAttrInt(QStringLiteral("ZKSceneRectX"), width);
        GetAttrInt(QStringLiteral("ZKSceneRectY"), height);
        group->m_layoutRect = BoundedRect(0, 0, width, height);
    } else {
        GetAttrBool(QStringLiteral("ZKCommonPos"), group->m_commonPositions);
        if (GetAttrString(QStringLiteral("ZKCropRect"), text)) {
            if (text.count(QLatin1Char(';')) == 3) {
                const QVector<QStringRef> fields = text.splitRef(QLatin1Char(';'));
                group->m_viewRect =
                    BoundedRect(fields[0].toInt(), fields[1].toInt(), fields[2].toInt(), fields[3].toInt());
            }
        }
    }
    if (group->m_backImage.isEmpty())
        group->m_drawBackImage = false;

    if (!GetAttrString(QStringLiteral("ZKGrpSel"), text))
        return;
    const QHash<int, int> byId = IndexById(group->m_fixtures);
    QSet<CFixtureMatrix*> selectedMatrices(group->m_selectedMatrices.begin(), group->m_selectedMatrices.end());
    QSet<CPatchedFixture*> selectedFixtures(group->m_selectedFixtures.begin(), group->m_selectedFixtures.end());
    // The group's matrices by id, the first of equal ids, as FindMatrix finds them.
    QHash<int, CFixtureMatrix*> matricesById;
    for (CFixtureMatrix* matrix : qAsConst(group->m_matrices)) {
        if (!matricesById.contains(matrix->Id()))
            matricesById.insert(matrix->Id(), matrix);
    }
    // Gathered first, then added in the room of their count.
    QVector<CPatchedFixture*> selected;
    // Members whose flags read the same share one list of them, as they
    // share their fixture's until then: a list each for millions of
    // members took tens of megabytes.
    constexpr int kKeptFlagLists = 16;
    QVector<QList<bool>> kept;
    ForEachPiece(text, QLatin1Char('|'), [&](const QStringRef& record) {
        const int separator = record.indexOf(QLatin1Char(';'));
        const QStringRef id = separator < 0 ? record : record.left(separator);
        const int index = byId.value(id.toInt(), -1);
        if (id.isEmpty() || index < 0 || index >= group->m_beamFlags.size())
            return true;
        QList<bool>& flags = group->m_beamFlags[index];
        if (record.count(QLatin1Char(';')) != flags.size())
            return true;
        QList<bool> read = flags;
        int k = -1; // the id comes first
        ForEachPiece(record, QLatin1Char(';'), [&](const QStringRef& field) {
            const bool on = field.toInt() == 1;
            if (k >= 0 && read.at(k) != on)
                read[k] = on;
            ++k;
            return true;
        });
        if (read != flags) {
            const auto same = std::find(kept.cbegin(), kept.cend(), read);
            if (same != kept.cend())
                read = *same;
            else if (kept.size() < kKeptFlagLists)
                kept << read;
            flags = read;
        }
        CPatchedFixture* fixture = group->m_fixtures[index];
        if (!selectedFixtures.contains(fixture)) {
            selectedFixtures.insert(fixture);
            selected << fixture;
        }
        if (fixture->m_matrixId >= 0) {
            CFixtureMatrix* matrix = matricesById.value(fixture->m_matrixId, nullptr);
            if (matrix && !selectedMatrices.contains(matrix)) {
                selectedMatrices.insert(matrix);
                group->m_selectedMatrices << matrix;
            }
        }
        return true;
    });
    group->m_selectedFixtures.reserve(group->m_selectedFixtures.size() + selected.size());
    for (CPatchedFixture* fixture : qAsConst(selected))
        group->m_selectedFixtures << fixture;
}

void CProjectFileV3::readSubGroups(CProject& project, CGroup* group)
{
    Q_UNUSED(project);
    if (!SelectElement(QStringLiteral("ZKSubGroups"), -1))
        return;
    const QHash<int, int> byId = IndexById(group->m_fixtures);
    ForEachChild(QStringLiteral("ZKSubGroup"), [&] {
        QString text;
        if (!GetAttrString(QStringLiteral("ZKBeams"), text))
            return;
        // The fixture a record names, the first record of each fixture only:
        // counted before any flag is made.
        const auto fixtureOf = [&](const QStringRef& record, QSet<int>& named) {
            const int separator = record.indexOf(QLatin1Char(';'));
            const int index = separator < 0 ? -1 : byId.value(record.left(separator).toInt(), -1);
            if (index < 0 || named.contains(index))
                return -1;
            named.insert(index);
            return index;
        };
        QSet<int> named;
        qint64 flagCount = 0;
        ForEachPiece(text, QLatin1Char('|'), [&](const QStringRef& record) {
            const int index = fixtureOf(record, named);
            if (index >= 0)
                flagCount += group->m_fixtures[index]->BeamCount();
            return true;
        });
        CountBeamFlags(flagCount);
        named.clear();
        auto* subGroup = new CSubGroup;
        ForEachPiece(text, QLatin1Char('|'), [&](const QStringRef& record) {
            const int index = fixtureOf(record, named);
            if (index < 0)
                return true;
            CPatchedFixture* fixture = group->m_fixtures[index];
            // One flag per beam of the fixture, whatever the record held.
            QList<bool> flags;
            const int beams = fixture->BeamCount();
            int k = -1; // the id comes first
            ForEachPiece(record, QLatin1Char(';'), [&](const QStringRef& field) {
                if (k >= 0)
                    flags << (field.toInt() != 0);
                return ++k < beams;
            });
            while (flags.size() < beams)
                flags << false;
            subGroup->m_fixtures << fixture;
            subGroup->m_beamFlags << flags;
            return true;
        });
        if (subGroup->m_fixtures.isEmpty())
            delete subGroup;
        else
            group->m_subGroups << subGroup;
    });
    SelectElement(QStringLiteral(".."));
}

void CProjectFileV3::readPresetConfigs(CGroup* group)
{
    if (!SelectElement(QStringLiteral("ZKPresetConfigs"), -1))
        return;
    // As CGroup::GetPresetConfig files them, but through indexes: searching
    // the library and the configs for every record made a file of a few
    // hundred thousand configs take minutes.
    QHash<const CLibraryProfile*, int> profileAt;
    QHash<QPair<int, QPair<int, int>>, CPresetConfig*> configAt;
    for (int i = 0; i < group->m_presetProfiles.size(); ++i) {
        if (i > 0 && !profileAt.contains(group->m_presetProfiles[i]))
            profileAt.insert(group->m_presetProfiles[i], i);
        for (CPresetConfig* config : group->m_presetConfigs.value(i)) {
            if (!configAt.contains({i, {config->m_channel, config->m_channelIndexType}}))
                configAt.insert({i, {config->m_channel, config->m_channelIndexType}}, config);
        }
    }
    ForEachChild(QStringLiteral("ZKProfileConfig"), [&] {
        QString path;
        if (!GetAttrString(QStringLiteral("ZKFixtPath"), path))
            return;
        // An empty path is how the null profile's entry is written; a
        // library profile without a path must not take it over.
        CLibraryProfile* profile = path.isEmpty() ? nullptr : m_profilesByPath.value(path, nullptr);
        ForEachChild(QStringLiteral("ZKPresetConfig"), [&] {
            int channel = 0;
            int type = 0;
            if (!GetAttrInt(QStringLiteral("ZKChannel"), channel) || !GetAttrInt(QStringLiteral("ZKChanIndType"), type))
                return;
            if (group->m_presetProfiles.isEmpty())
                group->m_presetProfiles << nullptr; // index 0 is the null profile's
            while (group->m_presetConfigs.size() < group->m_presetProfiles.size())
                group->m_presetConfigs << QList<CPresetConfig*>();
            int index = profile ? profileAt.value(profile, -1) : 0;
            if (index < 0) {
                index = group->m_presetProfiles.size();
                profileAt.insert(profile, index);
                group->m_presetProfiles << profile;
                group->m_presetConfigs << QList<CPresetConfig*>();
            }
            CPresetConfig*& config = configAt[{index, {channel, type}}];
            if (!config) {
                config = new CPresetConfig(channel, type);
                group->m_presetConfigs[index] << config;
            }
            GetAttrInt(QStringLiteral("ZKPosX"), config->m_x);
            GetAttrInt(QStringLiteral("ZKPosY"), config->m_y);
            GetAttrInt(QStringLiteral("ZKDisplayType"), config->m_displayType);
            GetAttrInt(QStringLiteral("ZKDisplaySize"), config->m_displaySize);
            GetAttrInt(QStringLiteral("ZKPrDisplayType"), config->m_presetDisplayType);
        });
    });
    SelectElement(QStringLiteral(".."));
}
