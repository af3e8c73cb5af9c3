#pragma once

#include "media/AudioFileDecoder.h"
#include "media/MusicPlayer.h"

#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QVector>
#include <QWidget>
#include <functional>

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
class CVideoDlg;
class QMenu;

// The timeline's lines and blocks on screen, their editing with the mouse,
// the menus and the clipboard, and their play: at every play position it
// starts and stops the scenes of the blocks the position enters and leaves,
// and the music follows the music line. The lines and blocks are the
// document's; the control keeps only what it shows and plays of them.
class CTimeLineCtrl : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kSceneLineHeight = 32;
    static constexpr int kMediaLineHeight = 47;
    static constexpr int kMinBlockLength = 1000; // ms
    static constexpr int kWaveValuesPerSecond = 25;
    // An unmeasurable file still gets a block one can see and grab.
    static constexpr int kUnknownMediaLength = 10000; // ms
    // The program-wide delete target while the timeline's blocks have the Delete key.
    static constexpr int kDeleteTarget = 1;

    // The music player is made at its first use and not owned; without a
    // maker no music plays.
    using PlayerMaker = std::function<CMusicPlayer*()>;
    CTimeLineCtrl(CProject& project, CTimeScaleCtrl& ruler, PlayerMaker makePlayer, QWidget* parent = nullptr);
    ~CTimeLineCtrl() override;

    // What the control asks of the windows around it. A menu entry whose
    // dialog is not given stays disabled. The colour, filter and time
    // dialogs put the floating video window out of their way themselves.
    struct SDialogs
    {
        // The colour index 0 to 6; false when cancelled.
        std::function<bool(int& color)> chooseColor;
        // Cut-off, second frequency and filter switch of a media block.
        std::function<bool(int& cutOff, int& second, bool& filter)> chooseFilter;
        // A time in ms within [min, max].
        std::function<bool(int& ms, int min, int max)> chooseTime;
        // A file to open: caption, folder, filter; empty when cancelled.
        std::function<QString(const QString& caption, const QString& dir, const QString& filter)> chooseFile;
        // Runs a context menu at a global position (QMenu::exec by default).
        std::function<void(QMenu& menu, const QPoint& globalPos)> runMenu;
    };
    SDialogs& Dialogs() { return m_dialogs; }
    // chooseFile, which must be given, with the video window out of the way.
    QString ChooseFile(const QString& caption, const QString& dir, const QString& filter);

    CTimeLineData& Data() const { return m_data; }
    const QList<CTimeLine*>& Lines() const;
    CMediaTimeLine* MusicLine() const;
    CMediaTimeLine* VideoLine() const;
    int SceneLineCount() const;
    // The n-th scene line, or null.
    CTimeLine* SceneLine(int n) const;
    CTimeLine* LineOf(const CTimeBlock* block) const;

    // Lines and blocks. Fixing the current block's line tells timeBlockChanged.
    void FixLine(CTimeLine* line, bool withRects = true);
    // Where a media line takes its next block: the latest stop, the
    // timeline's length once a block is open-ended.
    int MediaAppendTime(const CTimeLine* line) const;
    // Where scene line n takes its next block, -1 when it takes none.
    int LineEndX(int sceneLine) const;
    int LastBlockEnd() const;
    // False when the page does not hold the scene.
    bool AddSceneBlock(CPage* page, CScene* scene, CTimeLine* line, int x);
    // False when the line is full or the file cannot be read.
    bool AddMusicFile(const QString& path, bool emptyTimeLine);
    bool AddVideoFile(const QString& path, bool emptyTimeLine);
    void InsertLine(int index);
    void MoveLine(int from, int to);
    bool RemoveLine(int index);
    QString Label(const CTimeBlock* block) const { return ShownLabel(m_views.value(block)); }
    bool IsActive(const CTimeBlock* block) const { return m_views.value(block).active; }
    bool IsPending(const CTimeBlock* block) const { return m_views.value(block).pending; }
    void SetPending(const CTimeBlock* block, bool pending) { m_views[block].pending = pending; }
    const CTimeMarker* BlockMarker(const CTimeBlock* block) const { return m_views.value(block).marker; }
    QRect BlockRect(const CTimeBlock* block) const { return m_views.value(block).rect; }
    QRect LineRect(const CTimeLine* line) const { return m_lineRects.value(line); }
    const QVector<int>& ShownWave(const CTimeBlock* block, bool right) const;
    CTimeBlock* CurrentBlock() const { return m_current; }
    CTimeLine* CurrentLine() const { return m_currentLine; }
    // The line that holds the current block: a Ctrl-click elsewhere makes
    // another line current while the block stays selected.
    CTimeLine* CurrentBlockLine() const;
    const QList<CTimeBlock*>& Selection() const { return m_selected; }
    int ClipboardSize() const { return m_clipboard.size(); }
    // Only this block selected; null clears the selection.
    void SelectBlock(CTimeBlock* block);
    // Bounds of the current block's times on its line.
    int MinBlockStart() const { return MinBlockStart(m_current, CurrentBlockLine()); }
    int MaxBlockStart() const { return MaxBlockStart(m_current); }
    int MinBlockStop() const { return MinBlockStop(m_current); }
    int MaxBlockStop() const { return MaxBlockStop(m_current, CurrentBlockLine()); }
    // The longest the current block may last from where it starts.
    int MaxBlockLength() const;
    // Adds a marker at the mouse when it is over the control.
    bool OnAddMarker();
    void AddMarkerAt(int ms);
    void AttachMarkers();
    // The ruler's selected marker moved: the blocks that start on it follow.
    void MoveMarkedBlocks();

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
    void SetVideoWave(bool on);
    // False when the file is found neither where the block says nor in the
    // folder of moved media; the user is told of it once per open show.
    bool LocateMediaFile(CMediaTimeBlock* block);
    // Tells, in one message, of the media files found missing and not told yet.
    void TellMissingMedia();
    CMediaTimeBlock* CurrentMusicBlock() const { return m_musicBlock; }
    CMediaTimeBlock* CurrentVideoBlock() const { return m_videoBlock; }
    // The floating window of the video line, null while there is none.
    CVideoDlg* VideoWindow() const;
    void SetVideoSound(bool on);
    // Shows the window, made when missing (with reset on its first place),
    // or closes it.
    void SetVideoVisible(bool visible, bool reset);

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

    // Drawing.
    void LayoutLines();
    void UpdateBlockRects(const CTimeLine* line = nullptr);
    // The picture of the part of the control in sight (DrawnRect(), in the
    // control's coordinates).
    const QPixmap& Drawing() const { return m_drawing; }
    QRect DrawnRect() const { return m_drawn; }
    // The sound envelope of a media block whose wave is not loaded yet.
    void LoadWave(CMediaTimeBlock* block) { LoadWave(block, nullptr); }
    void ApplyFilter(CMediaTimeBlock* block);
    // Measures a block whose media length is unknown and fixes its line.
    void SetMediaLength(CTimeLine* line, CMediaTimeBlock* block, bool emitLength);

    static QRect EmptyRect() { return QRect(QPoint(0, 0), QPoint(-1, -1)); }
    // The band of a line, shared with the header beside it: the media lines
    // by their kind, the scene lines alternating.
    static QColor LineColor(const CTimeLine& line, int sceneLinesBefore);

signals:
    void markerAdded(const CTimeMarker* marker);
    void selChanged(bool selected);
    void timeBlockChanged();
    void headerChanged();
    void timeLineLenChanged(int ms);
    void linesChanged();

public slots:
    void OnTimeChanged();
    void Redraw();
    void OnRemoveSelected();
    void OnCopy();
    void OnPaste();
    void OnTimeStart();
    void OnTimeStop();
    void OnColorSelected();
    void OnMediaDefaultSize();
    void OnMediaLoop();
    void OnMediaStereo();
    void OnMediaFilter();
    void OnUpdateMedia();

private slots:
    void RestartMusic(CMusicPlayer::State state);
    void RestartVideo();
    void OnVideoClosed();

protected:
    void paintEvent(QPaintEvent* event) override;
    // The part of the control its scroll area shows; from the top, as much
    // as a screen holds, when it is not on screen.
    QRect ShownPart() const;
    // Draws that part into m_drawing.
    void DrawShownPart();
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void SetLineWave(CMediaTimeLine* line, bool on);
    // Where the block's file is: its own path, in the folder of moved media,
    // or empty when it is in neither.
    static QString FoundMediaFile(const CMediaTimeBlock& block);
    void NoteMissingMedia(const QString& file);
    void OnPlayerFailed(const QString& reason);

    // What the control shows and plays of a block, and its decoded sound.
    struct SBlockView
    {
        QRect rect;
        // A media block's file, or the names of a scene block's page and
        // scene as they were last labelled: shared with the names, not
        // copied, as a line may hold tens of thousands of blocks of one
        // long name; put together only where a label is shown.
        QString label;
        QString labelPage;
        bool pagedLabel = false;
        bool active = false;
        bool pending = false;
        const CTimeMarker* marker = nullptr;
        int peakLeft = 0;
        int peakRight = 0;
        int filteredPeakLeft = 0;
        int filteredPeakRight = 0;
        QVector<int> rawLeft;
        QVector<int> rawRight;
        QVector<int> shownLeft;
        QVector<int> shownRight;
    };
    // "page - scene" of a scene block, or a media block's file.
    static QString ShownLabel(const SBlockView& view);
    // A wave loaded for one block of a line, for the others that show the
    // same file the same way: one decoding and one copy serve them all.
    struct SLoadedWave
    {
        bool decoded = false;
        bool stereo = false;
        int duration = -1;
        SBlockView view;
    };
    // LoadWave for every block of the line.
    void LoadWaves(const CTimeLine& line);
    // `loaded`: the waves already loaded for the other blocks of the line.
    void LoadWave(CMediaTimeBlock* block, QHash<QString, SLoadedWave>* loaded);
    struct SClip
    {
        CTimeBlock* block; // owned
        const CTimeLine* line;
        SBlockView view;
    };

    static int MinBlockStart(const CTimeBlock* block, const CTimeLine* line);
    int MaxBlockStart(const CTimeBlock* block) const;
    static int MinBlockStop(const CTimeBlock* block);
    int MaxBlockStop(const CTimeBlock* block, const CTimeLine* line) const;

    CMediaTimeLine* MediaLine(int type);
    bool AddMediaFile(int type, const QString& path, bool emptyTimeLine);
    void UpdateLabel(const CTimeBlock* block);
    void AddMarkerAtX(int x);
    void MarkerAdded(const CTimeMarker* marker);
    // The scenes some block of a scene line plays at t.
    QSet<const CScene*> ScenesCoveredAt(int t) const;
    void FollowMusic(int t, bool jump);
    void SeekMusic(int t);
    void StopMusic();
    CVideoDlg* MakeVideoWindow();
    void FollowVideo(int t, bool jump);
    void SeekVideo(int t);
    void StopVideo();
    void DisposeVideoWindow();
    void ForgetBlock(const CTimeBlock* block);
    void DropViews(const CTimeLine* line);
    void DropClips(const std::function<bool(const SClip&)>& which);
    void ClearWave(CMediaTimeBlock* block);
    void Modified();

    // Selection and the mouse.
    CTimeBlock* BlockAt(const QPoint& pos) const;
    CTimeLine* LineAt(const QPoint& pos) const;
    void ClearSelection();
    void AddToSelection(CTimeBlock* block, CTimeLine* line);
    void Unselect(CTimeBlock* block);
    void TakeOffsets(int x);
    bool InStartZone(const CTimeBlock* block, int x) const;
    bool InStopZone(const CTimeBlock* block, int x) const;
    void ResizeStart(int x);
    void ResizeStop(int x);
    void MoveSelection(const QPoint& pos);
    void MoveOneBlock(const QPoint& pos);
    void EndRubberBand(Qt::KeyboardModifiers modifiers);
    void ShowBlockMenu(const QPoint& pos);
    void ShowEmptyMenu(const QPoint& pos);
    bool PasteBlock(const SClip& clip, CTimeLine* line, int t);
    QRect FreeSpan(const QPoint& pos) const;
    void ShowVideoAtCursor();
    void ComputeRects(const CTimeLine* line);

    // Drawing.
    void DrawMediaBlock(QPainter& p, const CMediaTimeLine& line, const CMediaTimeBlock& block, bool selected);
    void DrawWave(QPainter& p, const CMediaTimeBlock& block, const QRect& band, bool right, const QColor& fill);

    CProject& m_project;
    CTimeLineData& m_data;
    CTimeScaleCtrl& m_ruler;
    CMusicPlayer* Player();

    PlayerMaker m_makePlayer;
    SDialogs m_dialogs;
    CMusicPlayer* m_player = nullptr;
    int m_volume = -1;
    QHash<const CTimeBlock*, SBlockView> m_views;
    QHash<const CTimeLine*, QRect> m_lineRects;
    CAudioFileDecoder m_decoder;

    QList<CTimeBlock*> m_selected;
    QList<CTimeLine*> m_selectedLines;
    QList<int> m_offsets;
    CTimeBlock* m_current = nullptr;
    CTimeLine* m_currentLine = nullptr;
    QList<SClip> m_clipboard;
    QPoint m_menuPos; // where the last menu opened, in the control

    bool m_buttonDown = false;
    bool m_rubberBand = false;
    bool m_resizeStart = false;
    bool m_resizeStop = false;
    bool m_resizeCursor = false;
    bool m_dropShown = false;
    QRect m_dropRect;
    QRect m_bandRect;
    QPoint m_bandAnchor;
    QPixmap m_drawing;
    QRect m_drawn;

    CMediaTimeBlock* m_musicBlock = nullptr;
    CMediaTimeBlock* m_videoBlock = nullptr;
    bool m_musicPlaying = false;
    QPointer<CVideoDlg> m_videoWnd;
    bool m_videoPlaying = false;
    bool m_paused = false;
    bool m_playback = false;
    // What the user has been told since the show was opened: a missing file
    // or a silent player is told once, not at every pass of the play.
    struct STold
    {
        QSet<QString> missing;
        QStringList missingUntold;
        bool soundFailed = false;
    };
    STold m_told;
};
