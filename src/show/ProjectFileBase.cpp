#include "show/ProjectFileBase.h"

#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/ShowHost.h"
#include "Captions.h"

#include <QVector>

#include <algorithm>
#include <limits>
#include <new>

namespace {

// The program drives at most this many universes; a fixture beyond them
// cannot be a universe-count question, only damage.
constexpr int kMaxFileUniverses = 256;
// One record per DMX interface; no machine has more interfaces than this.
constexpr int kMaxDmxConfigRecords = 256;

} // namespace

QString CProjectFileBase::CurrentFailure()
{
    try {
        throw;
    } catch (const CFileRefused& refused) {
        return refused.Message();
    } catch (const std::bad_alloc&) {
        return GetLangText(Txt::NotEnoughMemoryToOpen);
    } catch (...) {
        return GetLangText(Txt::FileDamaged);
    }
}

void CProjectFileBase::CountUniverseBuffers(qint64 buffers)
{
    CountBufferBytes(CShowBounds::UniverseBufferBytes(buffers));
}

CSlotMask* CProjectFileBase::MarkableMask(CScene* scene, int universe)
{
    if (!scene || universe < 0 || universe >= scene->UniverseCount())
        return nullptr;
    if (!scene->HasMasks(universe))
        CountUniverseBuffers(CShowBounds::kSceneBuffers);
    return scene->ActiveMask(universe);
}

void CProjectFileBase::CountBeamFlags(qint64 flags)
{
    CountBufferBytes(std::max<qint64>(0, flags) * CShowBounds::kBeamFlagBytes);
}

void CProjectFileBase::CountBufferBytes(qint64 bytes)
{
    m_universeBufferBytes += bytes;
    if (m_universeBufferBytes > CShowBounds::kMaxUniverseBufferBytes)
        throw CFileRefused(CShowBounds::BuffersTooLarge());
}

void CProjectFileBase::CountFromHeld(const CProject& project)
{
    m_universeBufferBytes = CShowBounds::BufferBytesHeld(project);
}

void CProjectFileBase::Count(qint64& made, qint64 more, CShowBounds::Kind kind)
{
    made += more;
    if (made > CShowBounds::Bound(kind))
        throw CFileRefused(CShowBounds::FileAsksTooMany(kind));
}

void CProjectFileBase::CheckChildCount(const QString& tag, CShowBounds::Kind kind) const
{
    qint64 made = 0;
    Count(made, CountChildren(tag), kind);
}

int CProjectFileBase::CountChildren(const QString& tag) const
{
    int count = 0;
    for (QDomElement child = m_element[CurrentSlot].firstChildElement(tag); !child.isNull();
         child = child.nextSiblingElement(tag))
        ++count;
    return count + DeferredChildrenOf(m_element[CurrentSlot], tag).size()
        + DeferredBelow(m_element[CurrentSlot], tag, m_openDeferred).second;
}

int CProjectFileBase::StepRecordValues(int fixtures)
{
    const qint64 channels = qint64(kMaxFileUniverses) * kSlotsPerUniverse;
    return int(std::min<qint64>(2 * qint64(std::max(0, fixtures)) + 3 * channels, std::numeric_limits<int>::max()));
}

CProjectFileBase::CProjectFileBase()
{
    // Texts the readers turn into numbers, bytes or lists, and keep no more.
    SetParsedAttributes({QStringLiteral("SLvl"), QStringLiteral("SIds"), QStringLiteral("ZKActivBuffer"),
                         QStringLiteral("ZKDmxBuffer"), QStringLiteral("ZKFixtures"), QStringLiteral("ZKMatrix"),
                         QStringLiteral("ZKGrpSel"), QStringLiteral("ZKReleaseList"), QStringLiteral("ZKPosition"),
                         QStringLiteral("ZKIds"), QStringLiteral("ZKESels"), QStringLiteral("ZKBeamIndexes")});
}

void CProjectFileBase::CheckKeptText() const
{
    if (KeptTextBytes() + DeferredTextLength() > kMaxReadBytes)
        throw CFileRefused(GetLangText(Txt::DocumentNeedsTooMuchMemory).arg(kMaxReadBytes / (1024 * 1024)));
}

bool CProjectFileBase::SelectRoot()
{
    if (m_element[RootSlot].isNull())
        return false;
    m_element[CurrentSlot] = m_element[RootSlot];
    return true;
}

int CProjectFileBase::ForEachChild(const QString& tag, const std::function<void()>& visit)
{
    const QDomElement parent = m_element[CurrentSlot];
    int visited = 0;
    for (QDomElement child = parent.firstChildElement(tag); !child.isNull(); child = child.nextSiblingElement(tag)) {
        m_element[CurrentSlot] = child;
        visit();
        CheckKeptText();
        ++visited;
    }
    // One deferred tree at a time, given up once visited; those below an
    // element are found through it while it is open.
    const SDeferredPlace open = m_openDeferred;
    const auto visitTree = [&](SDeferredPlace place) {
        QDomDocument tree;
        QString error;
        if (!ParseDeferredAt(place, tree, error))
            throw CFileRefused(error);
        m_openDeferred = place;
        m_element[CurrentSlot] = tree.documentElement();
        visit();
        CheckKeptText();
        m_openDeferred = open;
        ++visited;
    };
    for (int index : DeferredChildrenOf(parent, tag))
        visitTree({0, index});
    const std::pair<int, int> below = DeferredBelow(parent, tag, open);
    for (int i = below.first; i < below.first + below.second; ++i)
        visitTree({open.level + 1, i});
    m_element[CurrentSlot] = parent;
    return visited;
}

CLibraryProfile* CProjectFileBase::readLibraryProfile(CProject& project)
{
    auto* profile = new CLibraryProfile;
    if (!ReadProfile(*profile)) {
        delete profile;
        return nullptr;
    }
    profile->UpdateRoles();
    project.m_library << profile;
    SelectElement(QStringLiteral(".."));
    return profile;
}

bool CProjectFileBase::readFixtureRecord(SFixtureRecord& record, const CLibraryProfile* profile)
{
    GetAttrString(QStringLiteral("ZKName"), record.name);
    GetAttrInt(QStringLiteral("ZKAddress"), record.address);
    GetAttrInt(QStringLiteral("ZKUniverse"), record.universe);
    GetAttrInt(QStringLiteral("ZKId"), record.id);
    GetAttrBool(QStringLiteral("ZKInvPan"), record.invertPan);
    GetAttrBool(QStringLiteral("ZKInvTilt"), record.invertTilt);

    // Universes the configuration lacks are the universe question of the
    // patch; anything else out of range would write past the universe.
    if (record.universe < 0 || record.universe >= kMaxFileUniverses
        || record.address < 0 || qint64(record.address) + profile->ChannelCount() > kSlotsPerUniverse) {
        ++m_fixturesLeftOut;
        return false;
    }
    return true;
}

bool CProjectFileBase::ClaimFixtureId(int id)
{
    if (m_patchedIds.contains(id)) {
        ++m_fixturesLeftOut;
        return false;
    }
    m_patchedIds.insert(id);
    return true;
}

CPatchedFixture* CProjectFileBase::CreateFixture(CProject& project, const SFixtureRecord& record,
                                                 CLibraryProfile* profile, int drawType)
{
    auto* fixture = new CPatchedFixture(record.address, record.universe, record.id, -1, record.name, profile,
                                        record.invertPan, record.invertTilt, drawType);
    if (record.invertPan || record.invertTilt) {
        project.m_invertedFixtures << fixture;
        project.m_hasInvertedFixtures = true;
    }
    return fixture;
}

void CProjectFileBase::readDmxConfig(CProject& project, int lastUniverse)
{
    QString text;
    if (GetAttrString(QStringLiteral("ZKDmxConfig"), text)) {
        ForEachPiece(text, QLatin1Char('|'), [&](const QStringRef& record) {
            if (project.m_dmxConfig.size() >= kMaxDmxConfigRecords)
                return false;
            if (record.count(QLatin1Char(';')) != 5)
                return true;
            const QVector<QStringRef> fields = record.split(QLatin1Char(';'));
            auto* config = new CDmxConfigRecord;
            config->m_portADirection = fields[0].toInt();
            config->m_portBDirection = fields[1].toInt();
            config->m_portAUniverse = std::min(fields[2].toInt(), lastUniverse);
            config->m_portBUniverse = std::min(fields[3].toInt(), lastUniverse);
            config->m_secondaryPortAUniverse = std::min(fields[4].toInt(), lastUniverse);
            config->m_secondaryPortBUniverse = std::min(fields[5].toInt(), lastUniverse);
            project.m_dmxConfig << config;
            return true;
        });
    }
    GetAttrInt(QStringLiteral("ZKDmxMode"), project.m_loadedDmxMode);
}

void CProjectFileBase::readActiveUniverses(CProject& project, CScene* scene)
{
    if (!SelectElement(QStringLiteral("ZKActivUniverses"), -1))
        return;
    ForEachChild(QStringLiteral("ZKActivUniverse"), [&] {
        int universe = 0;
        QString buffer;
        if (!GetAttrInt(QStringLiteral("ZKUniverse"), universe)
            || !GetAttrString(QStringLiteral("ZKActivBuffer"), buffer))
            return;
        // A longer text is cut at the universe's end; a shorter one leaves
        // the rest of the mask clear. A universe the scene marks no slot of
        // takes no mask.
        if (!project.IsUniverse(universe)
            || (!scene->HasMasks(universe) && !buffer.leftRef(kSlotsPerUniverse).contains(QLatin1Char('1'))))
            return;
        if (CSlotMask* mask = MarkableMask(scene, universe)) {
            quint8 flags[kSlotsPerUniverse];
            mask->ToBytes(flags);
            StringToBoolArray(buffer, flags, kSlotsPerUniverse);
            mask->FromBytes(flags);
        }
    });
    SelectElement(QStringLiteral(".."));
}

bool CProjectFileBase::AcceptUniverses(CProject& project, int highestUniverse)
{
    if (highestUniverse < project.UniverseCount())
        return true;
    ShowHost().CloseSplash();
    const QString text = GetLangText(Txt::MoreUniversesThanConfigured) + QLatin1Char('\n')
        + GetLangText(Txt::RestartToApplyConfiguration);
    if (ShowHost().AskQuestion(GetLangText(Txt::Warning), text) == CShowHost::Yes)
        ShowHost().SetUniverseCountOption(highestUniverse + 1);
    return false;
}

void CProjectFileBase::IndexFixturesById(QHash<int, CPatchedFixture*>& index, const QList<CPatchedFixture*>& fixtures)
{
    index.clear();
    for (CPatchedFixture* fixture : fixtures) {
        if (!index.contains(fixture->m_id))
            index.insert(fixture->m_id, fixture);
    }
}
