// The last four sections of a project file: effect scenes (with their
// static levels and the selections of their running copies), fading buttons,
// the timeline and the masks.

#include "show/ProjectFileV3.h"

#include "effects/Effect.h"
#include "effects/RgbwColor.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "show/TimeLine.h"
#include "Captions.h"
#include "model/Language.h"

#include <QHash>
#include <QSet>
#include <QVector>

#include <utility>

namespace {

constexpr int kSlots = 512;

QString Key(const char* name)
{
    return QString::fromLatin1(name);
}

// The floating video window's place as "x|y|width|height". Anything else, a
// size of 0 or less, or a place no screen could have leaves it unplaced.
QRect VideoRectFromText(const QString& text)
{
    constexpr int kMaxExtent = 1 << 16;
    if (text.count(QLatin1Char('|')) != 3)
        return QRect();
    const QVector<QStringRef> fields = text.splitRef(QLatin1Char('|'));
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = fields[i].trimmed().toInt(&ok);
        if (!ok || values[i] < -kMaxExtent || values[i] > kMaxExtent)
            return QRect();
    }
    if (values[2] <= 0 || values[3] <= 0)
        return QRect();
    return QRect(values[0], values[1], values[2], values[3]);
}

int FrequencyOf(int hertz)
{
    return qBound(0, hertz, CMediaTimeBlock::kTopFrequency);
}

// Where the pages section put each scene: page id and index in the page.
// Built from the page list itself, so a pointer that names no scene of the
// show is found nowhere rather than followed.
class CSceneIndex
{
public:
    explicit CSceneIndex(const CProject& project)
    {
        for (int p = 0; p < project.m_pages.size(); ++p) {
            const CPage* page = project.m_pages[p];
            m_pages.insert(page, p);
            for (int s = 0; s < page->m_scenes.size(); ++s)
                m_scenes.insert(page->m_scenes[s], qMakePair(p, s));
        }
    }

    // False when the scene is not on that page.
    bool Find(const CPage* page, const CScene* scene, int& pageId, int& sceneIndex) const
    {
        const auto at = m_scenes.constFind(scene);
        if (at == m_scenes.constEnd() || m_pages.value(page, -1) != at->first)
            return false;
        pageId = at->first;
        sceneIndex = at->second;
        return true;
    }

private:
    QHash<const CPage*, int> m_pages;
    QHash<const CScene*, QPair<int, int>> m_scenes;
};

// A file embeds each profile once per block of the patch, with only the mode
// the block's fixtures use, and reading renumbers that mode 0. The mode
// index of a static-level record therefore names, in the file, the n-th
// distinct channel layout of that profile in patch order.
using FileModes = QHash<QString, QList<QList<int>>>;

void AddMode(FileModes& modes, const CFixtureProfile* profile)
{
    if (!profile)
        return;
    QList<QList<int>>& layouts = modes[profile->GetPath()];
    const QList<int> layout = CModeStaticLevels::LayoutOf(profile);
    if (!layouts.contains(layout))
        layouts << layout;
}

// The patch writer writes its blocks in the order of their first fixture in
// the general group's list.
FileModes ModesAsWritten(const CProject& project)
{
    FileModes modes;
    if (project.m_generalGroup) {
        for (const CPatchedFixture* fixture : project.m_generalGroup->m_fixtures)
            AddMode(modes, fixture->Profile());
    }
    return modes;
}

// The patch reader appends one library profile per block, in file order.
// Layouts met are looked up, not searched for: a file of tens of thousands
// of blocks of one path took minutes.
FileModes ModesAsRead(const CProject& project)
{
    FileModes modes;
    QSet<QPair<QString, QList<int>>> met;
    for (const CLibraryProfile* profile : project.m_library) {
        QPair<QString, QList<int>> mode(profile->GetPath(), CModeStaticLevels::LayoutOf(profile));
        if (met.contains(mode))
            continue;
        modes[mode.first] << mode.second;
        met.insert(mode);
    }
    return modes;
}

// The file's mode index of a record; -1 when the record cannot be stored
// so that it comes back to the same fixtures.
int FileModeOf(const FileModes& modes, const CModeStaticLevels& record)
{
    const auto layouts = modes.constFind(record.m_profile);
    if (layouts == modes.constEnd())
        return record.m_mode; // no fixture uses the profile: kept as it stands
    if (record.m_layout.isEmpty())
        return -1;
    return layouts->indexOf(record.m_layout);
}

// Where a static-level record is kept: the same profile and layout, and with
// the layout unknown the same mode.
QPair<QString, QPair<QList<int>, int>> RecordKey(const CModeStaticLevels& record)
{
    return {record.m_profile, {record.m_layout, record.m_layout.isEmpty() ? record.m_mode : 0}};
}

} // namespace

// ---- Effect scenes ----

void CProjectFileV3::WriteEffectScenes(CProject& project)
{
    SelectRoot();
    if (project.m_effectScenes.isEmpty())
        return;
    m_fileModes = ModesAsWritten(project);
    Create(Key("ZKEffScenes"), RootParent, EffectScenesHandle);
    SetAttrInt(Key("ZKNumber"), project.m_effectScenes.size());
    qint64 copyRoom = CShowBounds::Bound(CShowBounds::EffectFixtures)
        - CShowBounds::Held(project, CShowBounds::EffectFixtures);

    for (const CEffectScene* scene : qAsConst(project.m_effectScenes)) {
        Create(Key("ZKEffScene"), EffectScenesHandle, SceneHandle);
        SetAttrString(Key("ZKName"), scene->m_name);
        SetAttrInt(Key("ZKFadeIn"), scene->m_fadeIn);
        SetAttrInt(Key("ZKFadeOut"), scene->m_fadeOut);
        SetAttrInt(Key("ZKLoop"), scene->m_loopCount);
        SetAttrInt(Key("ZKPosition"), scene->m_position);
        SetAttrInt(Key("ZKSpeed"), scene->Speed());
        SetAttrInt(Key("ZKDimmer"), scene->Dimmer());
        SetAttrBool(Key("ZKPause"), scene->m_paused);
        SetAttrBool(Key("ZKBlOut"), scene->m_blackout);
        SetAttrBool(Key("ZKBeamOn"), scene->m_beamOn);
        SetAttrBool(Key("ZKLiveColor"), scene->m_liveColor);
        SetAttrString(Key("ZKColor"), CRgbwColor(scene->m_red, scene->m_green, scene->m_blue, scene->m_white).ToString());
        scene->m_triggers.WriteXml(*this);
        SetAttrBool(Key("ZKPlayInCurPage"), scene->m_playInCurrentPage);

        const CEffect* effect = scene->m_effects.value(0, nullptr);
        if (effect) {
            Create(Key("ZKEffect"), SceneHandle, EffectHandle);
            SetAttrInt(Key("ZKEType"), effect->m_type);
            effect->Save(*this);
            WriteStaticLevels(scene);
        }

        if (project.IsScenePlaying(scene)) {
            bool listed = false;
            for (const CEffectScene* copy : qAsConst(project.m_runningCopies)) {
                if (copy->m_source != scene)
                    continue;
                // The copies are saved to start again, not as the show: one
                // past the room the rows leave is not saved, and a show that
                // plays is never refused for it. The reader takes the same.
                const CEffect* copyEffect = copy->m_effects.value(0, nullptr);
                const qint64 records = CShowBounds::EffectFixturesOf(copyEffect);
                if (records > copyRoom)
                    continue;
                copyRoom -= records;
                if (!listed)
                    Create(Key("ZKPlayingEffects"), SceneHandle, PlayingEffectsHandle);
                listed = true;
                Create(Key("ZKPlayingEffect"), PlayingEffectsHandle, EffectHandle);
                if (copyEffect)
                    WriteEffectSelection(copyEffect);
            }
        }
        WrittenOut(Element(SceneHandle));
    }
    SelectRoot();
}

void CProjectFileV3::WriteStaticLevels(const CEffectScene* scene)
{
    if (!scene || (scene->m_modeStaticLevels.isEmpty() && scene->m_channelStaticLevels.isEmpty()))
        return;

    QList<QPair<const CModeStaticLevels*, int>> records;
    for (const CModeStaticLevels& record : scene->m_modeStaticLevels) {
        // A record of a mode no fixture uses, of a profile the file holds in
        // other modes, would come back on the wrong fixtures: it is left out.
        const int mode = FileModeOf(m_fileModes, record);
        if (mode >= 0)
            records << qMakePair(&record, mode);
    }
    if (records.isEmpty() && scene->m_channelStaticLevels.isEmpty())
        return;

    Create(Key("ZKStaticELevels"), EffectHandle, StaticLevelsHandle);
    SetAttrInt(Key("ZKENumber"), records.size());
    if (!scene->m_channelStaticLevels.isEmpty()) {
        Create(Key("ZKStaticEChannels"), StaticLevelsHandle, StaticChannelsHandle);
        SetAttrInt(Key("ZKENumber"), scene->m_channelStaticLevels.size());
        for (const CStaticChannelLevel& level : scene->m_channelStaticLevels) {
            Create(Key("ZKStaticEChan"), StaticChannelsHandle);
            SetAttrInt(Key("ZKUniverse"), level.m_universe);
            SetAttrInt(Key("ZKChannel"), level.m_channel);
            SetAttrInt(Key("ZKLevel"), level.m_level);
        }
    }
    for (const auto& entry : qAsConst(records)) {
        const CModeStaticLevels& record = *entry.first;
        Create(Key("ZKStaticELevel"), StaticLevelsHandle, StaticLevelHandle);
        SetAttrString(Key("ZKProfile"), record.m_profile);
        SetAttrInt(Key("ZKMode"), entry.second);
        if (record.m_levels.isEmpty())
            continue;
        Create(Key("ZKStaticEChannels"), StaticLevelHandle, StaticChannelsHandle);
        SetAttrInt(Key("ZKENumber"), record.m_levels.size());
        for (const auto& level : record.m_levels) {
            Create(Key("ZKStaticEChan"), StaticChannelsHandle);
            SetAttrInt(Key("ZKChannel"), level.first);
            SetAttrInt(Key("ZKLevel"), level.second);
        }
    }
}

void CProjectFileV3::readEffectScenes(CProject& project)
{
    if (!SelectEffectScenes())
        return;
    const bool startScenes = ShowHost().StartScenesOption();
    m_fileModes = ModesAsRead(project);
    const int sceneCount = CountChildren(Key("ZKEffScene"));
    Count(m_scenesRead, sceneCount, CShowBounds::Scenes);

    ForEachChild(Key("ZKEffScene"), [&]() {
        QString name;
        GetAttrString(Key("ZKName"), name);
        // In the project at once: a reader that throws leaves nothing unowned.
        auto* scene = new CEffectScene(name, project.UniverseCount());
        project.m_effectScenes << scene;
        int value = 0;
        GetAttrTime(Key("ZKFadeIn"), scene->m_fadeIn);
        GetAttrTime(Key("ZKFadeOut"), scene->m_fadeOut);
        if (GetAttrInt(Key("ZKLoop"), value))
            scene->m_loopCount = qint16(value);
        GetAttrInt(Key("ZKPosition"), scene->m_position);
        readSceneControls(scene);

        // Only the first effect element counts, whatever it holds.
        CEffect* effect = nullptr;
        if (SelectElement(Key("ZKEffect"))) {
            int type = 0;
            if (GetAttrInt(Key("ZKEType"), type))
                effect = CreateEffect(type);
            if (effect) {
                scene->m_effects << effect;
                effect->Load(*this);
                readStaticLevels(project, scene);
            }
            SelectElement(Key(".."));
        }

        if (startScenes && effect && SelectElement(Key("ZKPlayingEffects"))) {
            const int copies = CountChildren(Key("ZKPlayingEffect"));
            Count(m_scenesRead, copies, CShowBounds::Scenes);
            ForEachChild(Key("ZKPlayingEffect"), [&]() {
                const qint64 records = EffectRecordCount();
                if (records > CShowBounds::Bound(CShowBounds::EffectFixtures) - m_effectFixturesRead)
                    return;
                CEffect* copyEffect = CloneEffect(effect);
                if (!copyEffect)
                    return;
                auto* copy = new CEffectScene(*scene, false, true, true, false);
                copy->m_runningCopy = true;
                copy->m_source = scene;
                copy->m_effects << copyEffect;
                project.m_savedPlayingPages << nullptr;
                project.m_savedPlayingScenes << scene;
                project.m_savedPlayingCopies << copy;
                readEffectSelection(project, copyEffect);
            });
            SelectElement(Key(".."));
        }
    });
    SelectRoot();
}

bool CProjectFileV3::readChannelLevel(const CProject& project, int& universe, int& channel, quint8& level)
{
    int value = 0;
    if (!GetAttrInt(Key("ZKUniverse"), universe) || !GetAttrInt(Key("ZKChannel"), channel)
        || !GetAttrInt(Key("ZKLevel"), value))
        return false;
    if (!project.IsUniverse(universe) || channel < 0 || channel >= kSlots)
        return false;
    level = quint8(value);
    return true;
}

void CProjectFileV3::readStaticLevels(CProject& project, CEffectScene* scene)
{
    if (!scene || !SelectElement(Key("ZKStaticELevels")))
        return;

    // A file may name a channel or a record again, the last level counting.
    // They are found through these indexes: searching the lists made a file
    // of a few hundred thousand records take minutes.
    if (SelectElement(Key("ZKStaticEChannels"))) {
        QHash<QPair<int, int>, int> channelAt;
        for (int i = 0; i < scene->m_channelStaticLevels.size(); ++i) {
            const CStaticChannelLevel& existing = scene->m_channelStaticLevels[i];
            if (!channelAt.contains({existing.m_universe, existing.m_channel}))
                channelAt.insert({existing.m_universe, existing.m_channel}, i);
        }
        ForEachChild(Key("ZKStaticEChan"), [&]() {
            int universe = 0;
            int channel = 0;
            quint8 level = 0;
            if (!readChannelLevel(project, universe, channel, level))
                return;
            const auto at = channelAt.constFind({universe, channel});
            if (at != channelAt.constEnd()) {
                scene->m_channelStaticLevels[at.value()].m_level = level;
                return;
            }
            channelAt.insert({universe, channel}, scene->m_channelStaticLevels.size());
            scene->m_channelStaticLevels << CStaticChannelLevel{universe, channel, level};
        });
        SelectElement(Key(".."));
    }

    QHash<QPair<QString, QPair<QList<int>, int>>, int> recordAt;
    for (int i = 0; i < scene->m_modeStaticLevels.size(); ++i) {
        const auto key = RecordKey(scene->m_modeStaticLevels[i]);
        if (!recordAt.contains(key))
            recordAt.insert(key, i);
    }
    QHash<int, QHash<int, int>> levelAt; // record -> channel -> place in its levels
    ForEachChild(Key("ZKStaticELevel"), [&]() {
        CModeStaticLevels key;
        if (!GetAttrString(Key("ZKProfile"), key.m_profile) || !GetAttrInt(Key("ZKMode"), key.m_mode))
            return;
        const QList<QList<int>> layouts = m_fileModes.value(key.m_profile);
        if (!layouts.isEmpty()) {
            // A file of an older writer numbers the one mode it holds by
            // the profile's own mode list.
            if (key.m_mode >= 0 && key.m_mode < layouts.size())
                key.m_layout = layouts[key.m_mode];
            else if (layouts.size() == 1)
                key.m_layout = layouts.first();
            else
                return;
            key.m_mode = 0;
        }
        const int channelCount = key.m_layout.value(0, -1);

        const auto keyAt = recordAt.constFind(RecordKey(key));
        int recordIndex = keyAt != recordAt.constEnd() ? keyAt.value() : -1;
        if (recordIndex < 0) {
            recordIndex = scene->m_modeStaticLevels.size();
            recordAt.insert(RecordKey(key), recordIndex);
            scene->m_modeStaticLevels << key;
        }
        if (!SelectElement(Key("ZKStaticEChannels")))
            return;
        QList<QPair<int, quint8>>& levels = scene->m_modeStaticLevels[recordIndex].m_levels;
        if (!levelAt.contains(recordIndex)) {
            QHash<int, int>& index = levelAt[recordIndex];
            for (int i = 0; i < levels.size(); ++i) {
                if (!index.contains(levels[i].first))
                    index.insert(levels[i].first, i);
            }
        }
        QHash<int, int>& index = levelAt[recordIndex];
        ForEachChild(Key("ZKStaticEChan"), [&]() {
            int channel = 0;
            int level = 0;
            if (!GetAttrInt(Key("ZKChannel"), channel) || !GetAttrInt(Key("ZKLevel"), level))
                return;
            if (channel < 0 || (channelCount >= 0 && channel >= channelCount))
                return;
            const auto at = index.constFind(channel);
            if (at != index.constEnd()) {
                levels[at.value()].second = quint8(level);
                return;
            }
            index.insert(channel, levels.size());
            levels << qMakePair(channel, quint8(level));
        });
    });
    SelectElement(Key(".."));
}

// ---- Fading buttons ----

void CProjectFileV3::WriteFadingButtons(CProject& project)
{
    SelectRoot();
    Create(Key("ZKFadingButs"), RootParent, FadingButtonsHandle);
    SetAttrInt(Key("ZKNumber"), project.m_fadingButtons.size());
    const CSceneIndex index(project);

    const auto writeList = [&](const char* listTag, const char* entryTag, const QList<CPage*>& pages,
                               const QList<CScene*>& scenes) {
        QList<QPair<int, int>> entries;
        const int count = qMin(pages.size(), scenes.size());
        for (int i = 0; i < count; ++i) {
            int pageId = -1;
            int sceneIndex = -1;
            // What no longer names a scene of the show would be dropped on reading.
            if (index.Find(pages[i], scenes[i], pageId, sceneIndex))
                entries << qMakePair(pageId, sceneIndex);
        }
        if (entries.isEmpty())
            return;
        Create(Key(listTag), FadingButtonHandle, FadingSceneListHandle);
        SetAttrInt(Key("ZKNumber"), entries.size());
        for (const auto& entry : qAsConst(entries)) {
            Create(Key(entryTag), FadingSceneListHandle);
            SetAttrInt(Key("ZKFBScPage"), entry.first);
            SetAttrInt(Key("ZKFBScScene"), entry.second);
        }
    };

    for (const CFadingButton* button : qAsConst(project.m_fadingButtons)) {
        Create(Key("ZKFadingBut"), FadingButtonsHandle, FadingButtonHandle);
        SetAttrString(Key("ZKName"), button->m_name);
        SetAttrInt(Key("ZKFBPos"), button->m_position);
        writeList("ZKFBScenesOut", "ZKFBSceneOut", button->m_fadeOutPages, button->m_fadeOutScenes);
        writeList("ZKFBScenesIn", "ZKFBSceneIn", button->m_fadeInPages, button->m_fadeInScenes);
        WrittenOut(Element(FadingButtonHandle));
    }
    SelectRoot();
}

void CProjectFileV3::readFadingButtons(CProject& project)
{
    if (!SelectFadingButtons())
        return;

    const auto readList = [&](const char* listTag, const char* entryTag, QList<CPage*>& pages,
                              QList<CScene*>& scenes) {
        if (!SelectElement(Key(listTag)))
            return;
        ForEachChild(Key(entryTag), [&]() {
            int pageId = -1;
            int sceneIndex = -1;
            if (!GetAttrWhole(Key("ZKFBScPage"), pageId) || !GetAttrWhole(Key("ZKFBScScene"), sceneIndex))
                return;
            CPage* page = project.m_pages.value(pageId, nullptr);
            CScene* scene = page ? page->m_scenes.value(sceneIndex, nullptr) : nullptr;
            if (!scene)
                return;
            pages << page;
            scenes << scene;
        });
        SelectElement(Key(".."));
    };

    CheckChildCount(Key("ZKFadingBut"), CShowBounds::FadingButtons);
    ForEachChild(Key("ZKFadingBut"), [&]() {
        QString name;
        if (!GetAttrString(Key("ZKName"), name))
            return;
        auto* button = new CFadingButton(name);
        project.m_fadingButtons << button;
        GetAttrInt(Key("ZKFBPos"), button->m_position);
        readList("ZKFBScenesOut", "ZKFBSceneOut", button->m_fadeOutPages, button->m_fadeOutScenes);
        readList("ZKFBScenesIn", "ZKFBSceneIn", button->m_fadeInPages, button->m_fadeInScenes);
    });
    SelectRoot();
}

// ---- Timeline ----

void CProjectFileV3::WriteTimeLines(CProject& project)
{
    SelectRoot();
    CTimeLineData& timeLine = project.m_timeLine;
    if (!timeLine.BelongsInFile(ShowHost().HasTimeLine()))
        return;
    Create(Key("ZKTimeLines"), RootParent, TimeLinesHandle);
    SetAttrInt(Key("ZKTLen"), timeLine.m_length);
    SetAttrInt(Key("ZKNumber"), timeLine.m_lines.size());
    SetAttrInt(Key("ZKTLCurTime"), timeLine.m_cursorTime);
    SetAttrBool(Key("ZKTLPlaying"), timeLine.m_playing);
    SetAttrBool(Key("ZKTLPlayLen"), timeLine.m_playLength);
    SetAttrBool(Key("ZKTLLoop"), timeLine.m_loop);
    SetAttrBool(Key("ZKTLPlayFrom"), timeLine.m_playFrom);
    SetAttrBool(Key("ZKTLKeepPlaying"), timeLine.m_keepPlaying);
    SetAttrBool(Key("ZKTLLockMarker"), timeLine.m_lockMarker);
    SetAttrBool(Key("ZKTLMoveMarker"), timeLine.m_moveMarker);

    const CSceneIndex index(project);
    for (const CTimeLine* line : qAsConst(timeLine.m_lines)) {
        Create(Key("ZKTimeLine"), TimeLinesHandle, TimeLineHandle);
        SetAttrString(Key("ZKName"), line->m_name);
        SetAttrInt(Key("Type"), line->m_type);
        if (line->IsMedia()) {
            const auto* media = static_cast<const CMediaTimeLine*>(line);
            SetAttrBool(Key("ZKTLSound"), media->m_sound);
            SetAttrBool(Key("ZKTLWave"), media->m_wave);
            SetAttrInt(Key("ZKTLDisplay"), media->m_display);
            if (line->m_type == CTimeLine::VideoLine) {
                ShowHost().StoreVideoGeometry();
                SetAttrBool(Key("ZKTLVisible"), media->m_visible);
                SetAttrBool(Key("ZKTLOnTop"), media->m_onTop);
                SetAttrBool(Key("ZKTLMaximized"), media->m_maximized);
                const QRect& rect = media->m_videoRect;
                SetAttrString(Key("ZKTLRcVideo"), QStringLiteral("%1|%2|%3|%4")
                                                      .arg(rect.left())
                                                      .arg(rect.top())
                                                      .arg(rect.width())
                                                      .arg(rect.height()));
            }
        }

        int written = 0;
        for (const CTimeBlock* block : line->m_blocks) {
            int pageId = -1;
            int sceneIndex = -1;
            // A block must be of the line's kind, and a scene block must name
            // a scene of the show, or it could not be read back.
            if (block->IsMedia() != line->IsMedia())
                continue;
            if (!block->IsMedia() && !index.Find(block->m_page, block->m_scene, pageId, sceneIndex))
                continue;
            if (written++ == 0)
                Create(Key("ZKTimeBlocks"), TimeLineHandle, TimeBlocksHandle);
            Create(Key("ZKTimeBlock"), TimeBlocksHandle);
            SetAttrInt(Key("ZKTBPage"), pageId);
            SetAttrInt(Key("ZKTBScene"), sceneIndex);
            if (block->IsMedia()) {
                const auto* media = static_cast<const CMediaTimeBlock*>(block);
                SetAttrString(Key("ZKTBFile"), media->m_file);
                SetAttrInt(Key("ZKTBMediaLen"), media->m_mediaLength);
                SetAttrBool(Key("ZKTBMediaLoop"), media->m_mediaLoop);
                SetAttrInt(Key("ZKTBStart"), block->m_start);
                SetAttrInt(Key("ZKTBStop"), block->m_stop);
                SetAttrInt(Key("ZKTBLen"), block->m_length);
                SetAttrBool(Key("ZKTBStereo"), media->m_stereo);
                SetAttrBool(Key("ZKTBFilter"), media->m_filter);
                SetAttrInt(Key("ZKTBFc"), media->m_cutOff);
                SetAttrInt(Key("ZKTBFz"), media->m_secondFrequency);
            } else {
                SetAttrInt(Key("ZKTBStart"), block->m_start);
                SetAttrInt(Key("ZKTBStop"), block->m_stop);
                SetAttrInt(Key("ZKTBLen"), block->m_length);
                SetAttrInt(Key("ZKTBColor"), block->m_color);
            }
            WrittenOut(CurrentElement());
        }
        if (written > 0) {
            m_element[CurrentSlot] = Element(TimeBlocksHandle);
            SetAttrInt(Key("ZKNumber"), written);
        }
        // Whole, as the reader cuts it out: its blocks alone would leave it
        // in the rest, which the save would then have to scan to clear.
        WrittenOut(Element(TimeLineHandle));
    }

    if (!timeLine.m_markers.isEmpty()) {
        Create(Key("ZKTimeMarkers"), TimeLinesHandle, TimeMarkersHandle);
        SetAttrInt(Key("ZKNumber"), timeLine.m_markers.size());
        for (const CTimeMarker* marker : qAsConst(timeLine.m_markers)) {
            Create(Key("ZKTimeMarker"), TimeMarkersHandle);
            SetAttrInt(Key("ZKTMTime"), marker->m_time);
            SetAttrInt(Key("ZKTMPause"), 0);
            WrittenOut(CurrentElement());
        }
        // Whole, as the reader cuts it out: its markers' marks go with it,
        // and the save check weighs it alone, as the reader builds it.
        WrittenOut(Element(TimeMarkersHandle));
    }
    SelectRoot();
}

void CProjectFileV3::readTimeLines(CProject& project)
{
    if (!SelectTimeLines())
        return;
    CTimeLineData& timeLine = project.m_timeLine;
    timeLine.m_inFile = true;
    GetAttrInt(Key("ZKTLen"), timeLine.m_length);
    GetAttrInt(Key("ZKTLCurTime"), timeLine.m_cursorTime);
    GetAttrBool(Key("ZKTLPlaying"), timeLine.m_playing);
    GetAttrBool(Key("ZKTLPlayLen"), timeLine.m_playLength);
    GetAttrBool(Key("ZKTLLoop"), timeLine.m_loop);
    GetAttrBool(Key("ZKTLPlayFrom"), timeLine.m_playFrom);
    GetAttrBool(Key("ZKTLKeepPlaying"), timeLine.m_keepPlaying);
    GetAttrBool(Key("ZKTLLockMarker"), timeLine.m_lockMarker);
    GetAttrBool(Key("ZKTLMoveMarker"), timeLine.m_moveMarker);

    CheckChildCount(Key("ZKTimeLine"), CShowBounds::TimeLines);
    qint64 blocks = 0;
    ForEachChild(Key("ZKTimeLine"), [&]() {
        QString name;
        int type = -1;
        if (!GetAttrString(Key("ZKName"), name) || !GetAttrInt(Key("Type"), type))
            return;
        // The timeline has one music line and one video line.
        if (type == CTimeLine::MusicLine && timeLine.m_musicLine)
            return;
        if (type == CTimeLine::VideoLine && timeLine.m_videoLine)
            return;
        CTimeLine* line = nullptr;
        if (type == CTimeLine::SceneLine) {
            line = new CTimeLine(name);
        } else if (type == CTimeLine::MusicLine || type == CTimeLine::VideoLine) {
            auto* media = new CMediaTimeLine(name, type);
            GetAttrBool(Key("ZKTLSound"), media->m_sound);
            GetAttrBool(Key("ZKTLWave"), media->m_wave);
            GetAttrInt(Key("ZKTLDisplay"), media->m_display);
            if (type == CTimeLine::VideoLine) {
                GetAttrBool(Key("ZKTLVisible"), media->m_visible);
                GetAttrBool(Key("ZKTLOnTop"), media->m_onTop);
                GetAttrBool(Key("ZKTLMaximized"), media->m_maximized);
                QString text;
                if (GetAttrString(Key("ZKTLRcVideo"), text))
                    media->m_videoRect = VideoRectFromText(text);
            }
            line = media;
        } else {
            return;
        }
        timeLine.AddLine(line);

        if (SelectElement(Key("ZKTimeBlocks"))) {
            Count(blocks, CountChildren(Key("ZKTimeBlock")), CShowBounds::TimeBlocks);
            ForEachChild(Key("ZKTimeBlock"), [&]() {
                CTimeBlock* block = nullptr;
                if (line->IsMedia()) {
                    QString file;
                    if (!GetAttrString(Key("ZKTBFile"), file))
                        return;
                    auto* media = new CMediaTimeBlock(file);
                    GetAttrInt(Key("ZKTBMediaLen"), media->m_mediaLength);
                    GetAttrBool(Key("ZKTBMediaLoop"), media->m_mediaLoop);
                    GetAttrBool(Key("ZKTBStereo"), media->m_stereo);
                    GetAttrBool(Key("ZKTBFilter"), media->m_filter);
                    GetAttrInt(Key("ZKTBFc"), media->m_cutOff);
                    GetAttrInt(Key("ZKTBFz"), media->m_secondFrequency);
                    media->m_cutOff = FrequencyOf(media->m_cutOff);
                    media->m_secondFrequency = FrequencyOf(media->m_secondFrequency);
                    block = media;
                } else {
                    int pageId = -1;
                    int sceneIndex = -1;
                    if (!GetAttrWhole(Key("ZKTBPage"), pageId) || !GetAttrWhole(Key("ZKTBScene"), sceneIndex))
                        return;
                    CPage* page = project.m_pages.value(pageId, nullptr);
                    CScene* scene = page ? page->m_scenes.value(sceneIndex, nullptr) : nullptr;
                    if (!scene)
                        return;
                    block = new CTimeBlock(page, scene);
                    int color = 0;
                    // A colour the palette does not have keeps the default one.
                    if (GetAttrInt(Key("ZKTBColor"), color) && CTimeBlock::IsColorIndex(color))
                        block->m_color = color;
                }
                GetAttrInt(Key("ZKTBStart"), block->m_start);
                GetAttrInt(Key("ZKTBStop"), block->m_stop);
                GetAttrInt(Key("ZKTBLen"), block->m_length);
                line->AddBlock(block);
            });
        }
    });

    SelectRoot();
}

void CProjectFileV3::readTimeMarkers(CProject& project)
{
    if (!SelectTimeLines())
        return;
    // The first list of markers counts, as a list cut out of the tree is
    // found only through its section.
    bool markersRead = false;
    ForEachChild(Key("ZKTimeMarkers"), [&]() {
        if (std::exchange(markersRead, true))
            return;
        CheckChildCount(Key("ZKTimeMarker"), CShowBounds::TimeMarkers);
        ForEachChild(Key("ZKTimeMarker"), [&]() {
            int time = 0;
            if (GetAttrInt(Key("ZKTMTime"), time))
                project.m_timeLine.AddMarker(new CTimeMarker(time));
        });
    });
    SelectRoot();
}

// ---- Masks ----

void CProjectFileV3::WriteMasks(CProject& project)
{
    SelectRoot();
    if (project.m_masks.isEmpty())
        return;
    Create(Key("ZKMasks"), RootParent, MasksHandle);
    SetAttrInt(Key("ZKNumber"), project.m_masks.size());
    for (const CMask& mask : qAsConst(project.m_masks)) {
        Create(Key("ZKMask"), MasksHandle, MaskHandle);
        SetAttrString(Key("ZKName"), mask.m_name);
        for (const CChannelLevel& level : mask.m_levels) {
            Create(Key("ZKMaskLevel"), MaskHandle);
            SetAttrInt(Key("ZKUniverse"), level.m_universe);
            SetAttrInt(Key("ZKChannel"), level.m_channel);
            SetAttrInt(Key("ZKLevel"), level.m_level);
        }
    }
    SelectRoot();
}

void CProjectFileV3::readMasks(CProject& project)
{
    if (!SelectMasks())
        return;
    CheckChildCount(Key("ZKMask"), CShowBounds::Masks);
    ForEachChild(Key("ZKMask"), [&]() {
        CMask mask;
        GetAttrString(Key("ZKName"), mask.m_name);
        ForEachChild(Key("ZKMaskLevel"), [&]() {
            int universe = 0;
            int channel = 0;
            quint8 level = 0;
            if (readChannelLevel(project, universe, channel, level))
                mask.m_levels << CChannelLevel{universe, channel, level};
        });
        project.m_masks << mask;
    });
    SelectRoot();
}
