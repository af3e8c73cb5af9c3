#pragma once

#include <QWidget>

#include <functional>

class CMusicPlayer;
class CProject;
class CTimeLineCtrl;
class CTimeLineData;
class CTimeLineHeader;
class CTimeMarker;
class CTimeScaleCtrl;
class CTimeScaleHeader;
class CZKFullTimeEdit;
class QComboBox;
class QLabel;
class QToolButton;

// The Timeline tool panel: transport, the fields of the selected block and
// marker, the ruler with its zoom, and the line headers beside the lines.
// It owns the play clock: the master tick hands it the elapsed time, and it
// moves the cursor and plays the blocks at the new time.
class CTimeLineWnd : public QWidget
{
    Q_OBJECT
public:
    // `makePlayer` makes the music line's player at its first use.
    CTimeLineWnd(CProject& project, std::function<CMusicPlayer*()> makePlayer, QWidget* parent = nullptr);

    CTimeScaleCtrl& Ruler() const { return *m_ruler; }
    CTimeLineCtrl& Control() const { return *m_control; }
    CTimeLineHeader& LineHeader() const { return *m_lineHeader; }
    bool IsPlaying() const { return m_playing; }
    bool IsPaused() const { return m_paused; }
    int PlayTime() const { return m_playTime; }

    void Tick(int elapsed);
    bool KeyPress(int key);
    void SetEditMode(bool editing);
    void Retranslate();
    void UpdateFromProject();
    // The document forgot its lines or markers.
    void ClearLines();
    void ClearMarkers();
    void SetLength(int ms);
    // A media file on the music or the video line; a box says when it found no room.
    bool AddMusicFile(const QString& path, bool emptyTimeLine);
    bool AddVideoFile(const QString& path, bool emptyTimeLine);

public slots:
    void Play();
    void Pause();
    void Stop();
    void Open();

private slots:
    void OnTimeLineLenChanged(int ms);
    void OnTimeLineTimeChanged(int ms);
    void OnBlockStartChanged(int ms);
    void OnBlockStopChanged(int ms);
    void OnBlockLenChanged(int ms);
    void OnSelBlockChanged(bool selected);
    void OnTimeBlockChanged();
    void OnMarkerTimeChanged(int ms);
    void OnComboMarkerChanged(int index);
    void RefillMarkers();
    void OnMarkerAdded(const CTimeMarker* marker);
    void OnMarkerChanged();
    void OnSelMarkerChanged(bool selected);
    void OnCurPosLock();
    void OnCurPosUnlock();
    void OnCurPosChanged();
    void OnTimeChanged();
    void OnAddLine(int index);
    void OnRemoveLine(int index);
    void AddMarker();
    void RemoveMarker();

private:
    QToolButton* Button(const char* name, const char* picture, bool checkable);
    QLabel* Label();
    CZKFullTimeEdit* TimeField(const char* name);
    QWidget* CreateToolBar();
    void EnableBlockFields(bool on);
    // The current block's times, in fields bounded as its line bounds it.
    void ShowBlockTimes();
    void BlockTimeTyped();
    void EnableMarkerFields(bool on);
    void SetTransportEnabled(bool stopped);
    void ShowPlayTime();
    bool AddMediaFile(const QString& path, bool emptyTimeLine, bool video);
    void Modified();

    CProject& m_project;
    CTimeLineData& m_data;
    CTimeScaleCtrl* m_ruler;
    CTimeLineCtrl* m_control;
    CTimeScaleHeader* m_scaleHeader;
    CTimeLineHeader* m_lineHeader;

    int m_playTime = 0;
    int m_endTime = 0;
    bool m_playing = false;
    bool m_paused = false;
    bool m_savedPause = false;
    bool m_refilling = false;

    QToolButton* m_open = nullptr;
    QToolButton* m_play = nullptr;
    QToolButton* m_pause = nullptr;
    QToolButton* m_stop = nullptr;
    QToolButton* m_prevPage = nullptr;
    QToolButton* m_nextPage = nullptr;
    QToolButton* m_playLen = nullptr;
    QToolButton* m_loop = nullptr;
    QToolButton* m_playFrom = nullptr;
    QToolButton* m_keepPlaying = nullptr;
    QToolButton* m_removeBlock = nullptr;
    QToolButton* m_colorBlock = nullptr;
    QToolButton* m_addMarker = nullptr;
    QToolButton* m_removeMarker = nullptr;
    QToolButton* m_prevMarker = nullptr;
    QToolButton* m_nextMarker = nullptr;
    QToolButton* m_lockMarkers = nullptr;
    QToolButton* m_moveMarkers = nullptr;
    CZKFullTimeEdit* m_lengthField = nullptr;
    CZKFullTimeEdit* m_timeField = nullptr;
    CZKFullTimeEdit* m_startField = nullptr;
    CZKFullTimeEdit* m_stopField = nullptr;
    CZKFullTimeEdit* m_blockLenField = nullptr;
    CZKFullTimeEdit* m_markerTimeField = nullptr;
    QComboBox* m_markerList = nullptr;
    QList<QLabel*> m_labels;
};
