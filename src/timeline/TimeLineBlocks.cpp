#include "timeline/TimeLineBlocks.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/Page.h"
#include "show/Scene.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <vector>

namespace {

constexpr int kNewCutOff = 4000; // Hz

std::atomic<qint64> g_visits{0};

} // namespace

qint64 TimeLineVisits()
{
    return g_visits.load();
}

void CountTimeLineVisits(qint64 visits)
{
    g_visits.fetch_add(visits, std::memory_order_relaxed);
}

bool BlockCovers(const CTimeBlock& block, int t)
{
    g_visits.fetch_add(1, std::memory_order_relaxed);
    return t >= block.m_start && (t < block.m_stop || block.m_stop < 1);
}

int SceneBlockCount(const CTimeLineData& data)
{
    int count = 0;
    for (const CTimeLine* line : data.m_lines) {
        if (!line->IsMedia())
            count += line->m_blocks.size();
    }
    return count;
}

CTimeLine* NewSceneLine(const CTimeLineData& data)
{
    int sceneLines = 1;
    for (const CTimeLine* line : data.m_lines)
        sceneLines += line->IsMedia() ? 0 : 1;
    return new CTimeLine(GetLangText(Txt::TimeLineLine).arg(sceneLines));
}

CMediaTimeLine* NewMediaLine(int type)
{
    auto* line = new CMediaTimeLine(
        GetLangText(type == CTimeLine::VideoLine ? Txt::TimeLineVideo : Txt::TimeLineMusic), type);
    line->m_sound = line->m_type == CTimeLine::MusicLine;
    line->m_wave = line->m_type == CTimeLine::MusicLine;
    line->m_display = 1;
    line->m_visible = false;
    line->m_onTop = true;
    line->m_maximized = false;
    line->m_videoRect = QRect();
    return line;
}

CTimeBlock* NewSceneBlock(const CTimeLineData& data, CPage* page, CScene* scene)
{
    auto* block = new CTimeBlock(page, scene);
    block->m_start = 0;
    block->m_stop = -1;
    block->m_length = -1;
    block->m_color = SceneBlockCount(data) % CTimeBlock::kColorCount;
    return block;
}

CMediaTimeBlock* NewMediaBlock(const QString& file)
{
    auto* block = new CMediaTimeBlock(file);
    block->m_start = 0;
    block->m_stop = -1;
    block->m_length = -1;
    block->m_mediaLoop = true;
    block->m_mediaLength = -1;
    block->m_cutOff = kNewCutOff;
    block->m_secondFrequency = 0;
    return block;
}

CTimeBlock* CopyBlock(const CTimeBlock& block)
{
    CTimeBlock* copy = nullptr;
    if (block.IsMedia()) {
        const auto& media = static_cast<const CMediaTimeBlock&>(block);
        auto* mediaCopy = new CMediaTimeBlock(media.m_file);
        mediaCopy->m_mediaLoop = media.m_mediaLoop;
        mediaCopy->m_mediaLength = media.m_mediaLength;
        mediaCopy->m_stereo = media.m_stereo;
        mediaCopy->m_filter = media.m_filter;
        mediaCopy->m_cutOff = media.m_cutOff;
        mediaCopy->m_secondFrequency = media.m_secondFrequency;
        copy = mediaCopy;
    } else {
        copy = new CTimeBlock(block.m_page, block.m_scene);
    }
    copy->m_start = block.m_start;
    copy->m_stop = block.m_stop;
    copy->m_length = block.m_length;
    copy->m_color = block.m_color;
    return copy;
}

QString SceneBlockLabel(const QString& page, const QString& scene)
{
    return page + QStringLiteral(" - ") + scene;
}

qint64 OwnLength(const CTimeBlock& block, bool onMediaLine)
{
    if (block.m_length > 0)
        return block.m_length;
    if (onMediaLine)
        return static_cast<const CMediaTimeBlock&>(block).m_mediaLength;
    return block.m_scene ? block.m_scene->TotalDuration() : 0;
}

void FixLineTimes(CTimeLine& line)
{
    for (CTimeBlock* block : qAsConst(line.m_blocks)) {
        const qint64 length = OwnLength(*block, line.IsMedia());
        block->m_stop =
            length < 1 ? -1 : int(std::min<qint64>(block->m_start + length, std::numeric_limits<int>::max()));
    }
    // Each block ends by the first start after its own: found in the sorted
    // starts, as a line read from a file may hold many thousands of blocks.
    std::vector<int> starts;
    starts.reserve(size_t(line.m_blocks.size()));
    for (const CTimeBlock* block : qAsConst(line.m_blocks))
        starts.push_back(block->m_start);
    std::sort(starts.begin(), starts.end());
    CountTimeLineVisits(line.m_blocks.size());
    for (CTimeBlock* block : qAsConst(line.m_blocks)) {
        const auto next = std::upper_bound(starts.begin(), starts.end(), block->m_start);
        if (next != starts.end() && (block->m_stop < 1 || block->m_stop > *next))
            block->m_stop = *next;
    }
}
