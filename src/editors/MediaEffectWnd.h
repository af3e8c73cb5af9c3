#pragma once

#include "editors/PreviewEffectWnd.h"

class CMatrixMediaEffect;
class CMatrixPreviewWnd;
class CPictureViewer;
class CSliderCtrl;
class CVideoPlayer;
class QAction;
class QGroupBox;
class QLabel;
class QMovie;
class QToolBar;
class QVBoxLayout;
class REDOvoroz;

// The page of a picture, an animated picture or recorded video frames laid
// on a matrix. Pictures are generated from their file; from a video the
// operator records the frames it shows while it plays.
class CMediaEffectWnd : public CPreviewEffectWnd
{
    Q_OBJECT
public:
    CMediaEffectWnd(CProject& project, const CMatrixMediaEffect* effect, CEffectEngine* engine,
                    CFixtureMatrix* matrix, CTimeWidget* timeWidget, bool effectScene, QWidget* parent = nullptr);
    ~CMediaEffectWnd() override;

    void Retranslate() override;
    void SetMatrix(CFixtureMatrix* matrix) override;
    void Tick(int elapsedMs) override;

    // Shows the effect's file by its suffix, regenerating from it.
    void LoadMedia();
    void ClearMedia();

    static constexpr int kFrameInterval = 40; // ms between two recorded frames
    static constexpr int kMaxFrames = 750;

    CMatrixMediaEffect* Effect() const { return m_effect; }
    CMatrixPreviewWnd* Preview() const;
    QAction* OpenAction() const { return m_open; }
    QAction* PlayAction() const { return m_play; }
    QAction* RecordAction() const { return m_record; }
    QAction* StopAction() const { return m_stop; }
    CSliderCtrl* SpeedCtrl() const { return m_speed; }
    CSliderCtrl* IntensityCtrl() const { return m_intensity; }
    CSliderCtrl* SaturationCtrl() const { return m_saturation; }
    CPictureViewer* PictureViewer() const { return m_viewer; }
    QLabel* AnimationLabel() const { return m_animation; }
    CVideoPlayer* VideoPlayer() const { return m_player; }
    REDOvoroz* VideoSlider() const { return m_slider; }
    CTimeWidget* PositionDisplay() const { return m_position; }
    bool IsPlaying() const { return m_playing; }
    bool IsPaused() const { return m_paused; }
    bool IsRecording() const { return m_recording; }

public slots:
    void Open();
    void Play();
    void Record();
    void Stop();
    void OnVideoSliderMoved(int position);

private:
    void LoadVideo();
    void LoadAnimation();
    void LoadPicture();
    void ShowVideoActions(bool shown);
    void SetPlayIcon(bool pause);
    void Warn(const QString& text);
    bool HasVideo() const;

    CProject& m_project;
    CMatrixMediaEffect* m_effect;
    QAction* m_open;
    QAction* m_play;
    QAction* m_record;
    QAction* m_stop;
    QToolBar* m_toolBar;
    QVBoxLayout* m_mediaColumn;
    CPictureViewer* m_viewer = nullptr;
    QLabel* m_animation = nullptr;
    QMovie* m_movie = nullptr;
    CVideoPlayer* m_player = nullptr;
    REDOvoroz* m_slider = nullptr;
    CTimeWidget* m_position = nullptr;
    QAction* m_sliderAction = nullptr;
    QAction* m_positionAction = nullptr;
    bool m_playing = false;
    bool m_paused = false;
    bool m_recording = false;
};
