// Pages, scenes and steps of the ".kv3" project file. A run of steps that one
// effect generated is stored once, as the effect with its selection and the
// levels of the run's first step; the reader generates the steps again.

#include "show/ProjectFileV3.h"

#include "effects/Effect.h"
#include "effects/MatrixColorEffect.h"
#include "effects/RgbwColor.h"
#include "model/FixtureMatrix.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/ProfileChannelDef.h"
#include "show/EffectScene.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowHost.h"
#include "show/StepFixture.h"
#include "Captions.h"
#include "model/Language.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>

namespace {

// Level sets whose texts a save keeps for the steps after them.
constexpr int kMaxKnownLevelSets = 4096;

const QString kName = QStringLiteral("ZKName");
const QString kNumber = QStringLiteral("ZKNumber");
const QString kId = QStringLiteral("ZKId");
const QString kSel = QStringLiteral("ZKESel");

const QString kIds = QStringLiteral("ZKIds");
const QString kSels = QStringLiteral("ZKESels");
const QString kBeamIndexes = QStringLiteral("ZKBeamIndexes");

const CProjectFileV3::SEffectList kFixtureList{"ZKEFixts", "ZKEFixt", false};
const CProjectFileV3::SEffectList kBeamList{"ZKEBeamFixts", "ZKEBeamFixt", true};

// The records of a step's "SIds" list for the entries, and the levels they
// hold, in the same order.
void StepRecordsOf(const QList<CStepFixture*>& entries, QList<int>& ids, QByteArray& levels)
{
    ids.reserve(3 * entries.size());
    int bytes = 0;
    for (const CStepFixture* entry : entries)
        bytes += entry->ChannelCount();
    levels.reserve(bytes);
    for (const CStepFixture* entry : entries) {
        const CPatchedFixture* fixture = entry->Fixture();
        if (!fixture)
            continue;
        if (!fixture->Profile()) {
            // A raw channel is one byte, and the reader counts on exactly one.
            ids << -1 << fixture->m_universe << fixture->m_address;
            levels.append(char(entry->Level(0)));
        } else {
            ids << fixture->m_id << entry->ChannelCount();
            levels.append(reinterpret_cast<const char*>(entry->LevelData()), entry->ChannelCount());
        }
    }
}

QString IdsOf(const QList<CPatchedFixture*>& fixtures)
{
    QList<int> ids;
    ids.reserve(fixtures.size());
    for (const CPatchedFixture* fixture : fixtures)
        ids << (fixture ? fixture->m_id : -1);
    return CXmlDocument::IntListToString(ids);
}

QString FlagsOf(const QVector<bool>& flags, int count)
{
    QString text(count, QLatin1Char('0'));
    for (int i = 0; i < count && i < flags.size(); ++i) {
        if (flags.at(i))
            text[i] = QLatin1Char('1');
    }
    return text;
}

// What an effect row changes of the general group while it is read: the
// selection and every fixture's beam flags. The file's own selection (read
// with the groups) must come through the pages untouched.
class CSelectionKeeper
{
public:
    explicit CSelectionKeeper(CProject& project) : m_group(project.m_generalGroup)
    {
        if (!m_group)
            return;
        m_fixtures = m_group->m_selectedFixtures;
        m_matrices = m_group->m_selectedMatrices;
        m_flags.reserve(m_group->m_fixtures.size());
        for (const CPatchedFixture* fixture : qAsConst(m_group->m_fixtures))
            m_flags << fixture->BeamFlags();
    }
    ~CSelectionKeeper()
    {
        if (!m_group)
            return;
        m_group->m_selectedFixtures = m_fixtures;
        m_group->m_selectedMatrices = m_matrices;
        const int count = std::min(m_group->m_fixtures.size(), m_flags.size());
        for (int i = 0; i < count; ++i)
            m_group->m_fixtures[i]->BeamFlags() = m_flags[i];
    }
    CSelectionKeeper(const CSelectionKeeper&) = delete;
    CSelectionKeeper& operator=(const CSelectionKeeper&) = delete;

private:
    CGroup* m_group;
    QList<CPatchedFixture*> m_fixtures;
    QList<CFixtureMatrix*> m_matrices;
    QList<QList<bool>> m_flags;
};

// Copies `length` bytes of `data` from `offset` into the entry's levels:
// bytes past the entry's channels are dropped, channels past the data stay 0.
void FillLevels(CStepFixture* entry, const QByteArray& data, qint64 offset, int length)
{
    const qint64 available = std::max<qint64>(0, qint64(data.size()) - offset);
    const int count = int(std::min<qint64>({qint64(length), qint64(entry->ChannelCount()), available}));
    for (int c = 0; c < count; ++c)
        entry->SetLevel(c, quint8(data[int(offset + c)]), false, false);
}

// The active mask texts of a page's scenes: a scene drives a few of the
// universes, so most of its masks are clear or as the scene before left
// them. Equal masks share one text in the tree instead of a kilobyte each.
class CMaskTexts
{
public:
    QString Text(int universe, const CSlotMask& mask)
    {
        SLast& last = m_last[universe];
        if (last.text.isEmpty() || last.mask != mask) {
            last.mask = mask;
            quint8 flags[kSlotsPerUniverse];
            mask.ToBytes(flags);
            last.text = CXmlDocument::BoolArrayToString(flags, kSlotsPerUniverse);
        }
        return last.text;
    }

private:
    struct SLast {
        CSlotMask mask;
        QString text;
    };
    QHash<int, SLast> m_last;
};

} // namespace

// ---- Writers ----

void CProjectFileV3::CountAsRead(const CProject& project)
{
    for (int kind = 0; kind < CShowBounds::KindCount; ++kind) {
        qint64 held = 0;
        Count(held, CShowBounds::Held(project, CShowBounds::Kind(kind)), CShowBounds::Kind(kind));
    }
    // The levels of hand-made steps are stored as the entries hold them,
    // which after a change of profile may be more than the profile has:
    // the reader counts those it inflates too.
    // So are a row's: its first step, as it stores it.
    qint64 blobLevels = 0;
    qint64 rowBlobLevels = 0;
    for (const CPage* page : qAsConst(project.m_pages)) {
        for (const CScene* scene : qAsConst(page->m_scenes)) {
            const CEffect* row = nullptr;
            for (const CSceneStep* step : scene->m_steps) {
                const bool stored = !step->m_effect || step->m_effect != row;
                row = step->m_effect;
                if (!stored)
                    continue;
                for (const CStepFixture* entry : step->m_entries) {
                    if (const CPatchedFixture* fixture = entry->Fixture())
                        Count(row ? rowBlobLevels : blobLevels, fixture->Profile() ? entry->ChannelCount() : 1,
                              row ? CShowBounds::GeneratedLevels : CShowBounds::StepLevels);
                }
            }
        }
    }
    if (CShowBounds::BufferBytesSaved(project) > CShowBounds::kMaxUniverseBufferBytes)
        throw CFileRefused(CShowBounds::BuffersTooLarge());
}

void CProjectFileV3::WritePages(CProject& project)
{
    SelectRoot();
    Create(QStringLiteral("ZKPages"), RootParent, PagesHandle);
    SetAttrInt(kNumber, project.m_pages.size());
    for (int i = 0; i < project.m_pages.size(); ++i) {
        CPage* page = project.m_pages[i];
        // Fading buttons and timeline blocks, written later, name pages by it.
        page->m_id = i;
        Create(QStringLiteral("ZKPage"), PagesHandle, PageHandle);
        SetAttrString(kName, page->m_name);
        page->m_triggers.WriteXml(*this);
        WritePageScenes(project, page);
        if (m_writeOut) {
            // Torn down here: on the worker it would fight this thread for
            // the heap while the next page is made.
            WriteOut(Element(PageHandle));
            for (Handle below : {PageHandle, ScenesHandle, SceneHandle, ActiveUniversesHandle, StepsHandle,
                                 StepHandle, EffectHandle, PlayingEffectsHandle})
                m_handles[below] = QDomElement();
            for (int slot = 0; slot < SlotCount; ++slot) {
                if (slot != RootSlot)
                    m_element[slot] = QDomElement();
            }
            m_element[CurrentSlot] = Element(PagesHandle);
        }
    }
    SelectRoot();
}

void CProjectFileV3::WritePageScenes(CProject& project, CPage* page)
{
    if (page->m_scenes.isEmpty())
        return;
    page->UpdateSceneIndexes();
    Create(QStringLiteral("ZKScenes"), PageHandle, ScenesHandle);
    SetAttrInt(kNumber, page->m_scenes.size());
    CMaskTexts masks;
    for (const CScene* scene : qAsConst(page->m_scenes)) {
        Create(QStringLiteral("ZKScene"), ScenesHandle, SceneHandle);
        SetAttrString(kName, scene->m_name);
        SetAttrInt(QStringLiteral("ZKFadeIn"), scene->m_fadeIn);
        SetAttrInt(QStringLiteral("ZKFadeOut"), scene->m_fadeOut);
        SetAttrBool(QStringLiteral("ZKFadeInList"), scene->m_inFadeInList);
        SetAttrBool(QStringLiteral("ZKFadeOutList"), scene->m_inFadeOutList);
        SetAttrInt(QStringLiteral("ZKFadeInId"), scene->m_fadeInId);
        SetAttrInt(QStringLiteral("ZKFadeOutId"), scene->m_fadeOutId);
        SetAttrBool(QStringLiteral("ZKCheckInList"), scene->m_checkInList);
        SetAttrBool(QStringLiteral("ZKCheckOutList"), scene->m_checkOutList);
        SetAttrInt(QStringLiteral("ZKFadeInDelay"), scene->m_fadeInDelay);
        SetAttrInt(QStringLiteral("ZKFadeOutDelay"), scene->m_fadeOutDelay);
        SetAttrInt(QStringLiteral("ZKCustomFadeIn"), scene->m_customFadeIn);
        SetAttrInt(QStringLiteral("ZKCustomFadeOut"), scene->m_customFadeOut);
        SetAttrBool(QStringLiteral("ZKDynamicFadeIn"), scene->m_dynamicFadeIn);
        SetAttrBool(QStringLiteral("ZKDynamicFadeOut"), scene->m_dynamicFadeOut);
        SetAttrInt(QStringLiteral("ZKLoop"), scene->m_loopCount);
        SetAttrInt(QStringLiteral("ZKJump"), scene->m_jumpIndex);
        SetAttrBool(QStringLiteral("ZKAutoJump"), scene->m_autoJump);
        SetAttrInt(QStringLiteral("ZKPlayMode"), scene->m_playMode);
        WriteReleaseList(*page, *scene);
        SetAttrInt(QStringLiteral("ZKPosition"), scene->m_position);
        SetAttrBool(QStringLiteral("ZKDefaultButPic"), scene->m_defaultButtonPicture);
        if (!scene->m_buttonPicture.isEmpty())
            SetAttrString(QStringLiteral("ZKButPic"), scene->m_buttonPicture);
        SetAttrBool(QStringLiteral("ZKPlaySound"), scene->m_playSound);
        if (!scene->m_sound.isEmpty())
            SetAttrString(QStringLiteral("ZKSound"), scene->m_sound);
        SetAttrInt(QStringLiteral("ZKSpeed"), scene->Speed());
        SetAttrInt(QStringLiteral("ZKDimmer"), scene->Dimmer());
        SetAttrBool(QStringLiteral("ZKPause"), scene->m_paused);
        SetAttrBool(QStringLiteral("ZKBlOut"), scene->m_blackout);
        SetAttrBool(QStringLiteral("ZKBeamOn"), scene->m_beamOn);
        SetAttrBool(QStringLiteral("ZKLiveColor"), scene->m_liveColor);
        SetAttrString(QStringLiteral("ZKColor"),
                      CRgbwColor(scene->m_red, scene->m_green, scene->m_blue, scene->m_white).ToString());
        scene->m_triggers.WriteXml(*this);
        SetAttrBool(QStringLiteral("ZKPlayInCurPage"), scene->m_playInCurrentPage);
        SetAttrBool(QStringLiteral("ZKPlayingScene"), project.IsScenePlaying(scene));

        Create(QStringLiteral("ZKActivUniverses"), SceneHandle, ActiveUniversesHandle);
        SetAttrInt(kNumber, project.UniverseCount());
        // A universe of no marks is left out: the reader takes it as clear.
        for (int u : scene->MaskUniverses()) {
            const CSlotMask* mask = scene->ActiveMask(u);
            if (!project.IsActive(u) || !mask || !mask->Any())
                continue;
            Create(QStringLiteral("ZKActivUniverse"), ActiveUniversesHandle);
            SetAttrInt(QStringLiteral("ZKUniverse"), u);
            SetAttrString(QStringLiteral("ZKActivBuffer"), masks.Text(u, *mask));
        }

        Create(QStringLiteral("ZKSteps"), SceneHandle, StepsHandle);
        SetAttrInt(kNumber, scene->m_steps.size());
        bool first = true;
        for (int i = 0; i < scene->m_steps.size();) {
            const CSceneStep* step = scene->m_steps[i];
            const CEffect* effect = step->m_effect;
            if (!effect) {
                WriteStep(step, first);
                ++i;
                continue;
            }
            Create(QStringLiteral("ZKStep"), StepsHandle, StepHandle);
            Create(QStringLiteral("ZKEffect"), StepHandle, EffectHandle);
            SetAttrInt(QStringLiteral("ZKEType"), effect->m_type);
            effect->Save(*this);
            WriteEffectSelection(effect);
            WriteEffectStepLevels(step);
            WrittenOut(Element(StepHandle));
            while (i < scene->m_steps.size() && scene->m_steps[i]->m_effect == effect)
                ++i;
        }
        WrittenOut(Element(SceneHandle));
    }
}

void CProjectFileV3::WriteStep(const CSceneStep* step, bool& first)
{
    if (first) {
        m_previousIds.clear();
        first = false;
    }
    Create(QStringLiteral("ZKStep"), StepsHandle, StepHandle);
    SetAttrInt(QStringLiteral("ZKFade"), step->m_fade);
    SetAttrInt(QStringLiteral("ZKWait"), step->m_wait);

    QList<int> ids;
    QByteArray levels;
    StepRecordsOf(step->m_entries, ids, levels);
    Create(QStringLiteral("SData"), StepHandle);
    if (ids != m_previousIds) {
        m_previousIds = ids;
        SetAttrString(QStringLiteral("SIds"), IntListToString(ids));
    }
    // Shows repeat their looks: a level set met before gets the text it got
    // then, compressed once and held once in the tree.
    auto known = m_levelTexts.constFind(levels);
    if (known == m_levelTexts.constEnd()) {
        const QString text = EncodeBlob(levels, m_compressor);
        if (m_levelTexts.size() >= kMaxKnownLevelSets)
            m_levelTexts.clear();
        known = m_levelTexts.insert(levels, text);
    }
    SetAttrString(QStringLiteral("SLvl"), known.value());
    WrittenOut(Element(StepHandle));
}

void CProjectFileV3::WriteEffectSelection(const CEffect* effect)
{
    if (effect->m_matrix) {
        Create(QStringLiteral("ZKEMatrix"), EffectHandle);
        SetAttrInt(QStringLiteral("ZKMatrixId"), effect->m_matrix->Id());
        SetAttrBool(QStringLiteral("ZKVirtualMatrix"), effect->IsMatrix() && effect->m_ownsMatrix);
    }
    // Each list is one attribute a value per record: an element per record
    // made a row over a few thousand fixtures cost more of a document than
    // all the show's steps. An empty matrix slot is written as id -1: the
    // reader keeps it in place, so every later record keeps its pixel.
    const int fixtures = effect->m_fixtures.size();
    Create(QStringLiteral("ZKEFixts"), EffectHandle);
    SetAttrInt(kNumber, fixtures);
    if (fixtures > 0) {
        SetAttrString(kIds, IdsOf(effect->m_fixtures));
        SetAttrString(kSels, FlagsOf(effect->m_fixtureSel, fixtures));
    }
    const int beams = effect->m_beamFixtures.size();
    Create(QStringLiteral("ZKEBeamFixts"), EffectHandle);
    SetAttrInt(kNumber, beams);
    if (beams > 0) {
        SetAttrString(kIds, IdsOf(effect->m_beamFixtures));
        QList<int> indexes;
        for (int i = 0; i < beams; ++i)
            indexes << effect->m_beamIndex.value(i, 0);
        SetAttrString(kBeamIndexes, IntListToString(indexes));
        SetAttrString(kSels, FlagsOf(effect->m_beamSel, beams));
    }
    m_element[CurrentSlot] = Element(EffectHandle);
}

void CProjectFileV3::WriteEffectStepLevels(const CSceneStep* step)
{
    // As a hand-made step's list and levels.
    QList<int> ids;
    QByteArray levels;
    StepRecordsOf(step->m_entries, ids, levels);
    Create(QStringLiteral("ZKStepFixts"), StepHandle);
    if (ids.isEmpty())
        return;
    SetAttrString(QStringLiteral("SIds"), IntListToString(ids));
    SetAttrString(QStringLiteral("SLvl"), EncodeBlob(levels, m_compressor));
}

// ---- Readers ----

void CProjectFileV3::readPages(CProject& project)
{
    IndexGeneralGroup(project);
    m_stepEntriesRead = 0;
    m_stepLevelsRead = 0;
    m_generatedEntriesRead = 0;
    m_generatedLevelsRead = 0;
    m_blobLevelsRead = 0;
    m_rowBlobLevelsRead = 0;
    m_effectFixturesRead = 0;
    m_scenesRead = 0;
    m_stepsRead = 0;
    if (SelectPages()) {
        // Effect rows select their fixtures to be generated; the selection
        // read with the groups is the one the show opens with.
        CSelectionKeeper keeper(project);
        m_readingPages = true;
        QDomElement pages = Element(PagesHandle);
        const QString tag = QStringLiteral("ZKPage");
        qint64 pagesRead = 0;
        Count(pagesRead, CountChildren(tag), CShowBounds::Pages);
        const auto readPage = [&](const QDomElement& element) {
            m_element[CurrentSlot] = element;
            QString name;
            GetAttrString(kName, name);
            // In the project at once: a reader that throws leaves nothing unowned.
            auto* page = new CPage(project, name);
            project.m_pages << page;
            page->m_triggers.ReadXml(*this);
            readScenes(project, page);
            m_element[CurrentSlot] = pages;
            m_element[BookmarkSlot] = QDomElement();
        };
        // The pages hold nearly all of a show: each page's tree is given up
        // once the page is read, so that the show is never held twice, as
        // tree and as show. Nothing reads them again. Those cut out of the
        // tree are built one at a time.
        for (QDomElement element = pages.firstChildElement(tag); !element.isNull();) {
            readPage(element);
            const QDomElement next = element.nextSiblingElement(tag);
            pages.removeChild(element);
            element = next;
        }
        m_element[CurrentSlot] = pages;
        ForEachChild(tag, [&] { readPage(CurrentElement()); });
        m_readingPages = m_rowSelectionReady = false;
        SelectPages();
    }
    if (project.m_pages.isEmpty()) {
        // Saved data, not a caption: every show plays from a first page.
        project.m_pages << new CPage(project, QStringLiteral("Scenes"));
    }
    project.m_firstPage = project.m_pages.first();
    project.m_currentPage = project.m_firstPage;
    SelectRoot();
}

void CProjectFileV3::readScenes(CProject& project, CPage* page)
{
    if (!SelectElement(QStringLiteral("ZKScenes"), -1))
        return;
    // A page's scenes were cut out of its tree as it was read, and their
    // steps out of theirs: each is built into a tree of its own, in order,
    // as it is read.
    Count(m_scenesRead, CountChildren(QStringLiteral("ZKScene")), CShowBounds::Scenes);
    const bool restartScenes = ShowHost().StartScenesOption();
    // Release lists name scenes by their place in the page: resolved once
    // every scene of the page is read.
    QList<QPair<CScene*, QString>> releaseLists;
    const auto readScene = [&] {
        QString name;
        GetAttrString(kName, name);
        auto* scene = new CScene(name, project.UniverseCount());
        scene->m_indexInPage = page->m_scenes.size();
        page->m_scenes << scene;

        auto readTime = [this](const QString& attribute, int& field) { GetAttrTime(attribute, field); };
        int value = 0;
        readTime(QStringLiteral("ZKFadeIn"), scene->m_fadeIn);
        readTime(QStringLiteral("ZKFadeOut"), scene->m_fadeOut);
        GetAttrBool(QStringLiteral("ZKFadeInList"), scene->m_inFadeInList);
        GetAttrBool(QStringLiteral("ZKFadeOutList"), scene->m_inFadeOutList);
        GetAttrInt(QStringLiteral("ZKFadeInId"), scene->m_fadeInId);
        GetAttrInt(QStringLiteral("ZKFadeOutId"), scene->m_fadeOutId);
        GetAttrBool(QStringLiteral("ZKCheckInList"), scene->m_checkInList);
        GetAttrBool(QStringLiteral("ZKCheckOutList"), scene->m_checkOutList);
        readTime(QStringLiteral("ZKFadeInDelay"), scene->m_fadeInDelay);
        readTime(QStringLiteral("ZKFadeOutDelay"), scene->m_fadeOutDelay);
        readTime(QStringLiteral("ZKCustomFadeIn"), scene->m_customFadeIn);
        readTime(QStringLiteral("ZKCustomFadeOut"), scene->m_customFadeOut);
        GetAttrBool(QStringLiteral("ZKDynamicFadeIn"), scene->m_dynamicFadeIn);
        GetAttrBool(QStringLiteral("ZKDynamicFadeOut"), scene->m_dynamicFadeOut);
        if (GetAttrInt(QStringLiteral("ZKLoop"), value))
            scene->m_loopCount = qint16(value);
        GetAttrWhole(QStringLiteral("ZKJump"), scene->m_jumpIndex);
        GetAttrBool(QStringLiteral("ZKAutoJump"), scene->m_autoJump);
        GetAttrInt(QStringLiteral("ZKPlayMode"), scene->m_playMode);
        QString releaseList;
        if (GetAttrString(QStringLiteral("ZKReleaseList"), releaseList) && !releaseList.isEmpty())
            releaseLists.append({scene, releaseList});
        GetAttrInt(QStringLiteral("ZKPosition"), scene->m_position);
        GetAttrBool(QStringLiteral("ZKDefaultButPic"), scene->m_defaultButtonPicture);
        GetAttrString(QStringLiteral("ZKButPic"), scene->m_buttonPicture);
        GetAttrBool(QStringLiteral("ZKPlaySound"), scene->m_playSound);
        GetAttrString(QStringLiteral("ZKSound"), scene->m_sound);
        readSceneControls(scene);

        bool playing = false;
        if (restartScenes && GetAttrBool(QStringLiteral("ZKPlayingScene"), playing) && playing) {
            project.m_savedPlayingPages << page;
            project.m_savedPlayingScenes << scene;
            project.m_savedPlayingCopies << nullptr;
        }

        readActiveUniverses(project, scene);

        if (SelectElement(QStringLiteral("ZKSteps"), -1)) {
            bool first = true;
            // An effect row counts as one step here; readEffectRow counts
            // the rest of what it generates before generating it.
            Count(m_stepsRead, CountChildren(QStringLiteral("ZKStep")), CShowBounds::Steps);
            ForEachChild(QStringLiteral("ZKStep"), [&] {
                if (!CurrentElement().firstChildElement(QStringLiteral("ZKEffect")).isNull()) {
                    readEffectRow(project, scene);
                    return;
                }
                auto* step = new CSceneStep(0, 1000);
                scene->m_steps << step;
                readStep(project, scene, step, first);
                first = false;
            });
            SelectElement(QStringLiteral(".."));
        }
        scene->UpdateLength();
        scene->LoadButtonPicture();
    };
    ForEachChild(QStringLiteral("ZKScene"), readScene);
    SelectElement(QStringLiteral(".."));
    page->ResolveJumps();
    for (const auto& entry : qAsConst(releaseLists))
        ResolveReleaseList(*page, *entry.first, entry.second);
}

void CProjectFileV3::WriteReleaseList(const CPage& page, const CScene& scene)
{
    QStringList indexes;
    for (const CScene* other : scene.m_releaseList) {
        const int index = page.m_scenes.indexOf(const_cast<CScene*>(other));
        if (index >= 0)
            indexes << QString::number(index);
    }
    if (!indexes.isEmpty())
        SetAttrString(QStringLiteral("ZKReleaseList"), indexes.join(QLatin1Char('|')));
}

void CProjectFileV3::ResolveReleaseList(const CPage& page, CScene& scene, const QString& text)
{
    // A damaged file may name anything: an index that is no other scene of
    // the page, or one named again, is skipped (looked up, not searched for:
    // a list naming the last scene millions of times took minutes).
    QSet<const CScene*> listed(scene.m_releaseList.begin(), scene.m_releaseList.end());
    ForEachPiece(text, QLatin1Char('|'), [&](const QStringRef& part) {
        bool ok = false;
        const int index = part.toInt(&ok);
        if (!ok || index < 0 || index >= page.m_scenes.size())
            return true;
        CScene* other = page.m_scenes.at(index);
        if (other != &scene && !listed.contains(other)) {
            listed.insert(other);
            scene.m_releaseList << other;
        }
        return true;
    });
}

void CProjectFileV3::readSceneControls(CScene* scene)
{
    int value = 0;
    if (GetAttrInt(QStringLiteral("ZKSpeed"), value))
        scene->SetSpeed(value);
    if (GetAttrInt(QStringLiteral("ZKDimmer"), value))
        scene->SetDimmer(value);
    GetAttrBool(QStringLiteral("ZKPause"), scene->m_paused);
    GetAttrBool(QStringLiteral("ZKBlOut"), scene->m_blackout);
    GetAttrBool(QStringLiteral("ZKBeamOn"), scene->m_beamOn);
    GetAttrBool(QStringLiteral("ZKLiveColor"), scene->m_liveColor);
    QString text;
    if (GetAttrString(QStringLiteral("ZKColor"), text)) {
        // Anything but four values reads as none: a text of millions of
        // separators is not split.
        const CRgbwColor color = text.count(QLatin1Char('|')) == 3 ? CRgbwColor::FromString(text) : CRgbwColor();
        scene->m_red = color.r;
        scene->m_green = color.g;
        scene->m_blue = color.b;
        scene->m_white = color.w;
    }
    scene->m_triggers.ReadXml(*this);
    GetAttrBool(QStringLiteral("ZKPlayInCurPage"), scene->m_playInCurrentPage);
}

void CProjectFileV3::readStep(CProject& project, CScene* scene, CSceneStep* step, bool first)
{
    GetAttrTime(QStringLiteral("ZKFade"), step->m_fade);
    GetAttrTime(QStringLiteral("ZKWait"), step->m_wait);
    if (first)
        m_previousEntries.clear();
    if (!SelectElement(QStringLiteral("SData"), -1))
        return;

    QString text;
    if (GetAttrString(QStringLiteral("SIds"), text)) {
        m_previousEntries.clear();
        // Every record of the list keeps its place in the level data: one
        // that names nothing (or a fixture already listed) becomes a run of
        // bytes to pass over, so the records after it, in this step and in
        // the steps that repeat the list, read their own bytes.
        QSet<const CPatchedFixture*> listed;
        auto skip = [this](qint64 length) {
            if (length <= 0)
                return;
            if (!m_previousEntries.isEmpty() && !m_previousEntries.last().first)
                length += m_previousEntries.last().second;
            else
                m_previousEntries.append(qMakePair(static_cast<CPatchedFixture*>(nullptr), 0));
            m_previousEntries.last().second = int(std::min<qint64>(length, std::numeric_limits<int>::max()));
        };
        ForEachStepRecordIn(project, text, [&](CPatchedFixture* fixture, int length) {
            if (!fixture || listed.contains(fixture)) {
                skip(length);
                return;
            }
            listed.insert(fixture);
            m_previousEntries.append(qMakePair(fixture, length));
        });
    }

    QByteArray levels;
    if (!GetAttrString(QStringLiteral("SLvl"), text)) {
        SelectElement(QStringLiteral(".."));
        return;
    }
    // Data that does not decode counts as none: the entries stay at 0.
    DecodeBlob(text, levels, m_compressor);
    // A step's blob may inflate to 64 MB, a tenth of a second's work: the
    // blobs of a file together may hold no more levels than its steps may.
    Count(m_blobLevelsRead, levels.size(), CShowBounds::StepLevels);
    Count(m_stepEntriesRead, m_previousEntries.size(), CShowBounds::StepEntries);
    qint64 offset = 0;
    step->m_entries.reserve(m_previousEntries.size());
    for (const QPair<CPatchedFixture*, int>& record : qAsConst(m_previousEntries)) {
        if (record.first) {
            Count(m_stepLevelsRead, CShowBounds::LevelsOf(record.first), CShowBounds::StepLevels);
            auto* entry = new CStepFixture(record.first, scene);
            step->m_entries << entry;
            FillLevels(entry, levels, offset, record.second);
        }
        offset += record.second;
    }
    SelectElement(QStringLiteral(".."));
}

void CProjectFileV3::readEffectRow(CProject& project, CScene* scene)
{
    if (!SelectElement(QStringLiteral("ZKEffect"), -1))
        return;
    int type = 0;
    CEffect* effect = GetAttrInt(QStringLiteral("ZKEType"), type) ? CreateEffect(type) : nullptr;
    if (!effect) {
        SelectElement(QStringLiteral(".."));
        return;
    }
    // Owned by the scene until it is generated, so nothing is lost if a
    // later read throws.
    scene->m_effects << effect;
    effect->Load(*this);
    readEffectSelection(project, effect);
    SelectElement(QStringLiteral(".."));

    const int first = scene->m_steps.size();
    scene->m_effects.removeOne(effect);
    std::unique_ptr<CEffect> owner(effect); // the generator makes its own clone
    // Generation writes only the beams the effect selects; readPages puts
    // the file's own selection back afterwards.
    SelectRowFixtures(project, effect);
    // What the row makes is counted before it is made: a row of a few
    // hundred bytes may make a hundred steps over a thousand fixtures.
    const auto admit = [this](const CScene::SEffectRowSize& row) {
        // The row was counted as one step with the scene's others.
        Count(m_stepsRead, std::max<qint64>(0, row.steps - 1), CShowBounds::Steps);
        Count(m_generatedEntriesRead, row.entries, CShowBounds::GeneratedEntries);
        Count(m_generatedLevelsRead, row.levels, CShowBounds::GeneratedLevels);
    };
    const bool generated = CScene::GenerateEffectRow(*scene, effect, first, admit) && scene->m_steps.size() > first;
    if (generated) {
        readEffectStepLevels(project, scene, effect, first, scene->m_steps.size());
        return;
    }

    // No generator, or nothing generated: the row is kept as one step that
    // holds the effect and the levels stored with it, so that saving writes
    // the row again as it was read.
    scene->m_effects << owner.release();
    auto* step = new CSceneStep(0, 1000);
    step->m_effect = effect;
    scene->m_steps << step;
    ForEachStoredRowEntry(project, [&](CPatchedFixture* fixture, const QByteArray& levels) {
        // The step holds the effect, and counts as the generated ones do.
        Count(m_generatedEntriesRead, 1, CShowBounds::GeneratedEntries);
        Count(m_generatedLevelsRead, CShowBounds::LevelsOf(fixture), CShowBounds::GeneratedLevels);
        auto* entry = new CStepFixture(fixture, scene);
        step->m_entries << entry;
        FillLevels(entry, levels, 0, levels.size());
    });
}

void CProjectFileV3::ForEachStepRecordIn(CProject& project, const QString& ids,
                                         const std::function<void(CPatchedFixture*, int)>& record)
{
    QList<int> values;
    StringToIntList(ids, values,
                    StepRecordValues(project.m_generalGroup ? project.m_generalGroup->m_fixtures.size() : 0));
    ForEachStepRecord(
        values, [this](int id) { return FindGeneralFixture(id); },
        [&project](int universe, int slot) { return project.GetChannelFixture(universe, slot); }, record);
}

void CProjectFileV3::ForEachStoredRowEntry(CProject& project,
                                           const std::function<void(CPatchedFixture*, const QByteArray&)>& entry)
{
    if (!SelectElement(QStringLiteral("ZKStepFixts"), -1))
        return;
    // A fixture counts once: repeating it could only make the row cost more.
    QSet<const CPatchedFixture*> listed;
    const auto take = [&](CPatchedFixture* fixture, const QByteArray& levels) {
        if (!fixture || listed.contains(fixture))
            return;
        listed.insert(fixture);
        entry(fixture, levels);
    };
    QString ids;
    if (GetAttrString(QStringLiteral("SIds"), ids)) {
        QByteArray levels;
        QString text;
        if (GetAttrString(QStringLiteral("SLvl"), text))
            DecodeBlob(text, levels, m_compressor);
        // A blob may inflate far past its text: the rows' blobs together
        // hold no more levels than the rows may generate.
        Count(m_rowBlobLevelsRead, levels.size(), CShowBounds::GeneratedLevels);
        qint64 offset = 0;
        ForEachStepRecordIn(project, ids, [&](CPatchedFixture* fixture, int length) {
            take(fixture, offset < levels.size() ? levels.mid(int(offset), length) : QByteArray());
            offset += length;
        });
    } else {
        // As earlier builds wrote it: an element per entry.
        ForEachChild(QStringLiteral("ZKStepFixt"), [&] {
            int id = 0;
            QString digits;
            if (!GetAttrInt(kId, id) || !GetAttrString(QStringLiteral("ZKDmxBuffer"), digits))
                return;
            QByteArray levels;
            DigitsToBytes(digits, levels);
            take(RowEntryFixture(project, id), levels);
        });
    }
    SelectElement(QStringLiteral(".."));
}

void CProjectFileV3::SelectRowFixtures(CProject& project, const CEffect* effect)
{
    if (m_rowSelectionReady) {
        project.SelectEffectFixtures(effect, m_rowPatched);
        return;
    }
    project.SelectEffectFixtures(effect);
    m_rowPatched.clear();
    if (project.m_generalGroup) {
        for (const CPatchedFixture* fixture : qAsConst(project.m_generalGroup->m_fixtures))
            m_rowPatched.insert(fixture);
    }
    m_rowSelectionReady = m_readingPages;
}

// The grid belongs to the effect; the project's matrix never does.
void CProjectFileV3::AttachVirtualGrid(CProject& project, CEffect* effect)
{
    auto* matrixEffect = dynamic_cast<CMatrixColorEffect*>(effect);
    if (!matrixEffect || !effect->m_matrix)
        return;
    const auto attach = [&] {
        CFixtureMatrix* grid = effect->m_matrix->BuildVirtualGrid();
        if (grid && grid != effect->m_matrix)
            matrixEffect->SetMatrix(grid);
    };
    if (m_readingPages) {
        // The row's own selection follows, and readPages puts the file's back.
        SelectRowFixtures(project, effect);
        attach();
        return;
    }
    CSelectionKeeper keeper(project);
    project.SelectEffectFixtures(effect);
    attach();
}

CPatchedFixture* CProjectFileV3::RowEntryFixture(CProject& project, int id)
{
    if (id != -1)
        return FindGeneralFixture(id);
    int universe = -1;
    int address = -1;
    if (!GetAttrInt(QStringLiteral("ZKUniverse"), universe) || !GetAttrInt(QStringLiteral("ZKAddress"), address))
        return nullptr;
    return project.GetChannelFixture(universe, address);
}

void CProjectFileV3::readEffectStepLevels(CProject& project, CScene* scene, CEffect* effect, int first, int end)
{
    first = std::max(0, first);
    end = std::min(end, int(scene->m_steps.size()));
    if (first >= end)
        return;
    // One look-up table per generated step, so the row costs steps x entries.
    CScene::RowEntries entries = scene->RowEntryTables(first, end);
    ForEachStoredRowEntry(project, [&](CPatchedFixture* fixture, const QByteArray& levels) {
        if (!CScene::RowMakes(entries, fixture)) {
            // Entries of its own in every step of the row, counted before they are made.
            Count(m_stepEntriesRead, entries.size(), CShowBounds::StepEntries);
            Count(m_stepLevelsRead, qint64(entries.size()) * CShowBounds::LevelsOf(fixture), CShowBounds::StepLevels);
        }
        scene->KeepStoredRowLevels(entries, first, *effect, fixture, levels);
    });
}

void CProjectFileV3::readEffectSelection(CProject& project, CEffect* effect)
{
    effect->ClearFixtures();
    bool virtualGrid = false;
    if (SelectElement(QStringLiteral("ZKEMatrix"), -1)) {
        int id = 0;
        CFixtureMatrix* matrix = GetAttrInt(QStringLiteral("ZKMatrixId"), id) ? FindGeneralMatrix(id) : nullptr;
        GetAttrBool(QStringLiteral("ZKVirtualMatrix"), virtualGrid);
        // The project's matrix stays the project's: the effect only points to it.
        effect->ReleaseMatrix();
        effect->m_matrix = matrix;
        SelectElement(QStringLiteral(".."));
    }

    // Lists of millions, grown a record at a time, would hold room for up
    // to as many again.
    ForEachEffectRecord(
        kFixtureList,
        [&](CPatchedFixture* fixture, int, bool selected) {
            effect->m_fixtures << fixture;
            effect->m_fixtureSel << selected;
        },
        [&](int records) {
            effect->m_fixtures.reserve(records);
            effect->m_fixtureSel.reserve(records);
        });
    ForEachEffectRecord(
        kBeamList,
        [&](CPatchedFixture* fixture, int beam, bool selected) {
            effect->m_beamIndex << beam;
            effect->m_beamFixtures << fixture;
            effect->m_beamSel << selected;
        },
        [&](int records) {
            effect->m_beamIndex.reserve(records);
            effect->m_beamFixtures.reserve(records);
            effect->m_beamSel.reserve(records);
        });
    if (virtualGrid && effect->IsMatrix())
        AttachVirtualGrid(project, effect);
}

qint64 CProjectFileV3::EffectRecordCount()
{
    qint64 records = 0;
    for (const SEffectList* list : {&kFixtureList, &kBeamList}) {
        if (!SelectElement(QLatin1String(list->tag), -1))
            continue;
        QString ids;
        if (GetAttrString(kIds, ids))
            records += ids.isEmpty() ? 0 : ids.count(QLatin1Char('|')) + 1;
        else
            records += CountChildren(QLatin1String(list->recordTag));
        SelectElement(QStringLiteral(".."));
    }
    return records;
}

void CProjectFileV3::ForEachEffectRecord(const SEffectList& list,
                                         const std::function<void(CPatchedFixture*, int beam, bool selected)>& take,
                                         const std::function<void(int records)>& expect)
{
    if (!SelectElement(QLatin1String(list.tag), -1))
        return;
    // Id -1 is an empty matrix place, kept; an id no fixture has is left out.
    const auto record = [&](int id, int beam, bool selected) {
        CPatchedFixture* fixture = id == -1 ? nullptr : FindGeneralFixture(id);
        if (fixture || id == -1)
            take(fixture, beam, selected);
    };
    const qint64 room = std::max<qint64>(0, CShowBounds::Bound(CShowBounds::EffectFixtures) - m_effectFixturesRead);
    QString text;
    if (GetAttrString(kIds, text)) {
        // One more than the room, so that a list past it is counted past it.
        QList<int> ids;
        if (!text.isEmpty())
            StringToIntList(text, ids, int(std::min<qint64>(room + 1, std::numeric_limits<int>::max())));
        Count(m_effectFixturesRead, ids.size(), CShowBounds::EffectFixtures);
        if (expect)
            expect(ids.size());
        QList<int> beams;
        if (GetAttrString(kBeamIndexes, text))
            StringToIntList(text, beams, ids.size());
        QString flags;
        GetAttrString(kSels, flags);
        for (int i = 0; i < ids.size(); ++i)
            record(ids.at(i), beams.value(i, 0), i < flags.size() && flags.at(i) == QLatin1Char('1'));
    } else {
        // As earlier builds wrote them: an element per record.
        ForEachChild(QLatin1String(list.recordTag), [&] {
            Count(m_effectFixturesRead, 1, CShowBounds::EffectFixtures);
            int id = 0;
            int beam = 0;
            bool selected = false;
            if (!GetAttrInt(kId, id) || !GetAttrBool(kSel, selected)
                || (list.beams && !GetAttrInt(QStringLiteral("ZKBeamIndex"), beam)))
                return;
            record(id, beam, selected);
        });
    }
    SelectElement(QStringLiteral(".."));
}
