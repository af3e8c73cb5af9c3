#pragma once

#include "media/MusicPlayer.h"

#include <QHash>
#include <functional>
#include <QWidget>

class CMediaTimeBlock;
class CMediaTimeLine;
class CPage;
class CProject;
class CScene;
class CTimeBlock;
class CTimeLine;
class CTimeLineData;
class CTimeMarker;
class CTimeScaleCtrl;

// The timeline's lines and blocks on screen, and their play: at every play
// position it starts and stops the scenes of the blocks the position enters
// and leaves, and the music follows the music line. The lines and blocks are
// the document's; the control keeps only what it shows and plays of them.
class CTimeLineCtrl : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kSceneLineHeight = 32;
    static constexpr int kMediaLineHeight = 47;

    // The music player is made at its first use and not owned; without a
    // maker no music plays.
    using PlayerMaker = std::function<CMusicPlayer*()>;
    CTimeLineCtrl(CProject& project, CTimeScaleCtrl& ruler, PlayerMaker makePlayer, QWidget* parent = nullptr);

    CTimeLineData& Data() const { return m_data; }
    const QList<CTimeLine*>& Lines() const;
    CMediaTimeLine* MusicLine() const;
    int SceneLineCount() const;
    // The n-th scene line, or null.
    CTimeLine* SceneLine(int n) const;

    // Lines and blocks.
    void FixLine(CTimeLine* line, bool withRects = true);
    // Where a media line takes its next block: the latest stop, the
    // timeline's length once a block is open-ended.
    int MediaAppendTime(const CTimeLine* line) const;
    // Where scene line n takes its next block, -1 when it takes none.
    int LineEndX(int sceneLine) const;
    int LastBlockEnd() const;
    // False when the page does not hold the scene.
    bool AddSceneBlock(CPage* page, CScene* scene, CTimeLine* line, int x);
    void InsertLine(int index);
    bool RemoveLine(int index);
    QString Label(const CTimeBlock* block) const { return m_views.value(block).label; }
    bool IsActive(const CTimeBlock* block) const { return m_views.value(block).active; }
    bool IsPending(const CTimeBlock* block) const { return m_views.value(block).pending; }
    void SetPending(const CTimeBlock* block, bool pending) { m_views[block].pending = pending; }
    const CTimeMarker* BlockMarker(const CTimeBlock* block) const { return m_views.value(block).marker; }
    QRect BlockRect(const CTimeBlock* block) const { return m_views.value(block).rect; }
    CTimeBlock* CurrentBlock() const { return m_current; }
    CTimeLine* CurrentLine() const { return m_currentLine; }
    void SelectBlock(CTimeBlock* block);
    void RemoveCurrentBlock();
    // Bounds of the current block's times on its line.
    int MinBlockStart() const;
    int MaxBlockStart() const;
    int MinBlockStop() const;
    int MaxBlockStop() const;
    int MaxBlockLength() const { return MaxBlockStop() - MinBlockStart(); }
    // Adds a marker at the mouse when it is over the control.
    bool OnAddMarker();
    void AddMarkerAt(int ms);

    // Play.
    void SetPosition(int t, bool jump);
    void ShowPosition(int t);
    void StartPlayback();
    void StopPlayback();
    void PrepareRestart(bool all);
    void SetPaused(bool paused);
    void SetVolume(int volume);
    void SetMusicSound(bool on);
    void SetMusicWave(bool on);
    bool LocateMediaFile(CMediaTimeBlock* block);
    CMediaTimeBlock* CurrentMusicBlock() const { return m_musicBlock; }

    // The document changed under the timeline.
    void Clear();
    void RemoveSceneBlocks(CScene* scene);
    void ReplaceScene(CScene* oldScene, CScene* newScene);
    void UpdateSceneName(CScene* scene);
    void UpdateScenePage(CScene* scene, CPage* page);
    void RefreshEditedScene(bool entering);
    // After a load: repairs values out of range, gives an empty timeline
    // its first line, rebuilds labels and stops; the count of repairs.
    int RefreshFromProject();
    void ForgetMarker(const CTimeMarker* marker);
    void ForgetMarkers();
    void Redraw() { update(); }
    void LayoutLines();

    static QRect EmptyRect() { return QRect(QPoint(0, 0), QPoint(-1, -1)); }

signals:
    void selChanged(bool selected);
    void timeBlockChanged();
    void headerChanged();
    void linesChanged();
    void markerAdded();

public slots:
    void OnTimeChanged();

private slots:
    void RestartMusic(CMusicPlayer::State state);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // What the control shows and plays of a block.
    struct SBlockView
    {
        QRect rect;
        QString label;
        bool active = false;
        bool pending = false;
        const CTimeMarker* marker = nullptr;
    };

    void UpdateLabel(const CTimeBlock* block);
    void UpdateRects(const CTimeLine* line);
    bool IsSceneCoveredElsewhere(const CTimeBlock* block, int t) const;
    void FollowMusic(int t, bool jump);
    void SeekMusic(int t);
    void StopMusic();
    void DropViews(const CTimeLine* line);
    void Modified();

    CProject& m_project;
    CTimeLineData& m_data;
    CTimeScaleCtrl& m_ruler;
    CMusicPlayer* Player();

    PlayerMaker m_makePlayer;
    CMusicPlayer* m_player = nullptr;
    int m_volume = -1;
    QHash<const CTimeBlock*, SBlockView> m_views;
    QHash<const CTimeLine*, QRect> m_lineRects;
    CTimeBlock* m_current = nullptr;
    CTimeLine* m_currentLine = nullptr;
    CMediaTimeBlock* m_musicBlock = nullptr;
    bool m_musicPlaying = false;
    bool m_paused = false;
};
