#pragma once

#include <QList>
#include <QRect>
#include <QString>

class CPage;
class CScene;

// The timeline's data: lines of scene blocks, one music line, one video
// line, markers on the time ruler, and the ruler and transport settings. The
// document owns it so that it is saved and opened with the show; the
// timeline window presents and edits it.

// One block of a line: a stretch of time on the timeline.
class CTimeBlock
{
public:
    // The page and scene are not owned; a media block has neither.
    CTimeBlock(CPage* page, CScene* scene) : m_page(page), m_scene(scene) {}
    CTimeBlock(const CTimeBlock&) = delete;
    CTimeBlock& operator=(const CTimeBlock&) = delete;
    virtual ~CTimeBlock() = default;

    virtual bool IsMedia() const { return false; }

    // Block colours are indices into the timeline's palette.
    static constexpr int kColorCount = 7;
    static bool IsColorIndex(int index) { return index >= 0 && index < kColorCount; }

    CPage* m_page = nullptr;
    CScene* m_scene = nullptr;
    int m_start = 0;  // ms
    int m_stop = 0;   // ms; below 1 the block has an open end
    int m_length = 0; // ms
    int m_color = 0;
};

// A block of the music or video line: a media file played from the block's start.
class CMediaTimeBlock : public CTimeBlock
{
public:
    explicit CMediaTimeBlock(const QString& file) : CTimeBlock(nullptr, nullptr), m_file(file) {}

    bool IsMedia() const override { return true; }

    // The band filter's frequencies run from 0 to this (Hz).
    static constexpr int kTopFrequency = 20000;

    QString m_file;
    bool m_mediaLoop = false;
    int m_mediaLength = 0; // ms
    bool m_stereo = false;
    bool m_filter = false;       // band filter on
    int m_cutOff = 0;            // Hz
    int m_secondFrequency = 0;   // Hz
};

// A line of the timeline; owns its blocks.
class CTimeLine
{
public:
    enum Type { SceneLine = 0, MusicLine = 1, VideoLine = 2 };

    explicit CTimeLine(const QString& name) : CTimeLine(name, SceneLine) {}
    CTimeLine(const CTimeLine&) = delete;
    CTimeLine& operator=(const CTimeLine&) = delete;
    virtual ~CTimeLine();

    bool IsMedia() const { return m_type != SceneLine; }
    // The line takes ownership.
    void AddBlock(CTimeBlock* block) { m_blocks.append(block); }
    // Deletes the blocks of the scene; true when there was one.
    bool RemoveSceneBlocks(const CScene* scene);

    QString m_name;
    int m_type = SceneLine;
    QList<CTimeBlock*> m_blocks; // owned, in time order as the window sorts them

protected:
    CTimeLine(const QString& name, int type) : m_name(name), m_type(type) {}
};

// The music line (type 1) or the video line (type 2); any other type makes a music line.
class CMediaTimeLine : public CTimeLine
{
public:
    CMediaTimeLine(const QString& name, int type);

    bool m_sound = false;
    bool m_wave = false;
    int m_display = 1;
    bool m_visible = false;
    bool m_onTop = true;
    bool m_maximized = false;
    QRect m_videoRect; // the floating video window; empty until it was placed
};

// A marker on the time ruler.
class CTimeMarker
{
public:
    explicit CTimeMarker(int time) : m_time(time) {}

    int m_time = 0; // ms
    int m_second = -1;
};

// Everything of the timeline that belongs to the show.
class CTimeLineData
{
public:
    static constexpr int kNewLengthMs = 900000;

    CTimeLineData() = default;
    CTimeLineData(const CTimeLineData&) = delete;
    CTimeLineData& operator=(const CTimeLineData&) = delete;
    ~CTimeLineData();

    // Takes ownership. A music or video line also becomes the timeline's
    // music or video line; the caller makes sure there is one of each at most.
    void AddLine(CTimeLine* line);
    void AddMarker(CTimeMarker* marker) { m_markers.append(marker); }
    // Deletes every line and its blocks; markers and settings stay.
    void Clear();
    void ClearMarkers();
    // Every block of `oldScene` plays `newScene` instead.
    void ReplaceScene(const CScene* oldScene, CScene* newScene);
    // Deletes every block of the scene.
    void RemoveSceneBlocks(const CScene* scene);

    // The time ruler.
    int m_length = kNewLengthMs; // ms
    int m_cursorTime = 0;        // ms
    bool m_lockMarker = false;
    // The timeline control.
    bool m_moveMarker = false;
    // Transport and play options.
    bool m_playing = false;
    bool m_playLength = false;
    bool m_loop = false;
    bool m_playFrom = false;
    bool m_keepPlaying = false;

    QList<CTimeLine*> m_lines;              // owned
    CMediaTimeLine* m_musicLine = nullptr;  // one of m_lines
    CMediaTimeLine* m_videoLine = nullptr;  // one of m_lines
    QList<CTimeMarker*> m_markers;          // owned
    // The show's file held a timeline: it is written back even while no
    // timeline window exists, so an open and a save never lose it.
    bool m_inFile = false;

    // Saved with the show: the window exists, the file held one, or there is
    // something in it.
    bool BelongsInFile(bool windowExists) const
    {
        return windowExists || m_inFile || !m_lines.isEmpty() || !m_markers.isEmpty();
    }
};
