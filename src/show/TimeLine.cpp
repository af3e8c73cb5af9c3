#include "show/TimeLine.h"

CTimeLine::~CTimeLine()
{
    qDeleteAll(m_blocks);
}

bool CTimeLine::RemoveSceneBlocks(const CScene* scene)
{
    bool removed = false;
    for (int i = m_blocks.size() - 1; i >= 0; --i) {
        if (!m_blocks[i]->IsMedia() && m_blocks[i]->m_scene == scene) {
            delete m_blocks.takeAt(i);
            removed = true;
        }
    }
    return removed;
}

CMediaTimeLine::CMediaTimeLine(const QString& name, int type)
    : CTimeLine(name, type == VideoLine ? VideoLine : MusicLine)
{
    m_sound = m_type == MusicLine;
    m_wave = m_type == MusicLine;
}

CTimeLineData::~CTimeLineData()
{
    Clear();
    ClearMarkers();
}

void CTimeLineData::AddLine(CTimeLine* line)
{
    if (!line)
        return;
    m_lines.append(line);
    if (line->m_type == CTimeLine::MusicLine)
        m_musicLine = static_cast<CMediaTimeLine*>(line);
    else if (line->m_type == CTimeLine::VideoLine)
        m_videoLine = static_cast<CMediaTimeLine*>(line);
}

void CTimeLineData::Clear()
{
    m_musicLine = nullptr;
    m_videoLine = nullptr;
    qDeleteAll(m_lines);
    m_lines.clear();
}

void CTimeLineData::ClearMarkers()
{
    qDeleteAll(m_markers);
    m_markers.clear();
}

void CTimeLineData::ReplaceScene(const CScene* oldScene, CScene* newScene)
{
    for (CTimeLine* line : qAsConst(m_lines)) {
        for (CTimeBlock* block : qAsConst(line->m_blocks)) {
            if (!block->IsMedia() && block->m_scene == oldScene)
                block->m_scene = newScene;
        }
    }
}

void CTimeLineData::RemoveSceneBlocks(const CScene* scene)
{
    for (CTimeLine* line : qAsConst(m_lines))
        line->RemoveSceneBlocks(scene);
}
