#include "editors/MediaEffectWnd.h"

#include "Captions.h"
#include "editors/MatrixPreviewWnd.h"
#include "editors/ModalRun.h"
#include "editors/PictureViewer.h"
#include "effects/EffectEngine.h"
#include "effects/MatrixMediaEffect.h"
#include "effects/PictureFile.h"
#include "media/VideoPlayer.h"
#include "model/Language.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/FileFilters.h"
#include "widgets/REDOvoroz.h"
#include "widgets/SliderCtrl.h"
#include "widgets/TimeWidget.h"

#include <QAction>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMovie>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr int kMediaWidth = 382;
constexpr int kNewStepTime = 120;
// Speed 1 to 10 against a step time of (11 − speed) × 40 ms.
constexpr int kMaxSpeed = 10;
constexpr int kStepGrain = 40;

// Time since the last recorded frame, shared by every media page so that a
// page opened anew keeps the recording's pace.
int g_sinceLastFrame = 0;

const bool kRegistered = RegisterMatrixEffectPage<CMediaEffectWnd, CMatrixMediaEffect>(EffectType::MatrixMedia);

QString Icon(const char* name)
{
    return QStringLiteral(":/Orvane/Images/Icons/") + QLatin1String(name) + QStringLiteral(".png");
}

} // namespace

CMediaEffectWnd::CMediaEffectWnd(CProject& project, const CMatrixMediaEffect* effect, CEffectEngine* engine,
                                 CFixtureMatrix* matrix, CTimeWidget* timeWidget, bool effectScene, QWidget* parent)
    : CPreviewEffectWnd(engine, timeWidget, effectScene, parent), m_project(project),
      m_effect(effect ? new CMatrixMediaEffect(*effect) : new CMatrixMediaEffect(matrix, kNewStepTime))
{
    m_effect->m_mediaType = qBound(0, m_effect->m_mediaType, 2);
    AdoptEffect(m_project, m_effect, matrix, kMaxSpeed, kStepGrain);

    BuildMatrixPreview(m_project, Qt::AlignLeft | Qt::AlignTop);

    m_open = new QAction(QIcon(Icon("Open")), GetLangText(Txt::TimeLineOpen), this);
    m_play = new QAction(QIcon(Icon("Play")), GetLangText(Txt::Play), this);
    m_record = new QAction(QIcon(Icon("Record")), GetLangText(Txt::EdRecord), this);
    m_record->setCheckable(true);
    m_stop = new QAction(QIcon(Icon("Stop")), GetLangText(Txt::TimeLineStop), this);
    connect(m_open, &QAction::triggered, this, &CMediaEffectWnd::Open);
    connect(m_play, &QAction::triggered, this, &CMediaEffectWnd::Play);
    connect(m_record, &QAction::triggered, this, &CMediaEffectWnd::Record);
    connect(m_stop, &QAction::triggered, this, &CMediaEffectWnd::Stop);
    m_toolBar = new QToolBar(this);
    m_toolBar->setStyleSheet(QStringLiteral(
        "QToolBar { border: 1px solid gray; background-image: url(\":/Orvane/Images/Icons/HorzToolBar.png\") }"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setFixedWidth(kMediaWidth);
    m_toolBar->addActions({m_open, m_play, m_record, m_stop});
    ShowVideoActions(false);


    m_mediaColumn = new QVBoxLayout;
    m_mediaColumn->setContentsMargins(0, 0, 0, 0);
    m_mediaColumn->setSpacing(0);
    m_mediaColumn->addWidget(m_toolBar);
    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(m_previewGroup, 1);
    right->addWidget(m_paramsGroup, 0);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(6);
    outer->addLayout(m_mediaColumn);
    outer->addLayout(right, 1);

    Retranslate();
    LoadMedia();
    m_effect->m_flag = false;
}

CMediaEffectWnd::~CMediaEffectWnd()
{
    // The engine may have deleted the effect already (a cancelled edit):
    // only the player is stopped, nothing is regenerated.
    m_recording = false;
    ClearMedia();
}

void CMediaEffectWnd::Warn(const QString& text)
{
    ShowHost().ShowInformation(GetLangText(Txt::Warning), text);
}

bool CMediaEffectWnd::HasVideo() const
{
    return !m_effect->m_file.isEmpty() && m_effect->m_mediaType == CMatrixMediaEffect::StoredFrames && m_player
           && m_player->IsOpen();
}

void CMediaEffectWnd::LoadMedia()
{
    const QString suffix = QFileInfo(m_effect->m_file).suffix().toLower();
    if (IsVideoFileSuffix(suffix) && m_effectScene) {
        m_effect->m_file.clear();
        ClearMedia();
        // What an earlier file generated is not left under an effect without one.
        GenerateAnew(*m_effect, true);
        Warn(GetLangText(Txt::MediaScenesButtonsOnly));
        return;
    }
    ClearMedia();
    if (IsVideoFileSuffix(suffix))
        LoadVideo();
    else if (suffix == QLatin1String("gif"))
        LoadAnimation();
    else
        LoadPicture();
}

void CMediaEffectWnd::LoadVideo()
{
    m_effect->m_mediaType = CMatrixMediaEffect::StoredFrames;
    GenerateAnew(*m_effect, true);
    auto* player = new CVideoPlayer(this);
    if (!player->OpenFile(m_effect->m_file, false)) {
        // Without a player nothing can be recorded: the stored frames stay.
        delete player;
        Warn(GetLangText(Txt::CannotOpenVideo).arg(m_effect->m_file, GetLangText(Txt::MediaNotVideo)));
        return;
    }
    m_player = player;
    m_player->setFixedWidth(kMediaWidth);
    connect(m_player, &CVideoPlayer::finished, this, &CMediaEffectWnd::Stop);
    m_slider = new REDOvoroz(Qt::Horizontal);
    m_slider->setRange(0, qMax(0, m_player->Duration()));
    m_slider->setEnabled(false);
    connect(m_slider, &QSlider::sliderMoved, this, &CMediaEffectWnd::OnVideoSliderMoved);
    m_position = new CTimeWidget(0);
    m_position->setMinimumSize(100, 16);
    m_sliderAction = m_toolBar->addWidget(m_slider);
    m_positionAction = m_toolBar->addWidget(m_position);
    m_mediaColumn->addWidget(m_player, 1);
    ShowVideoActions(true);
    m_stop->setEnabled(false);
}

void CMediaEffectWnd::LoadAnimation()
{
    m_effect->m_mediaType = CMatrixMediaEffect::AnimatedPicture;
    m_animation = new QLabel(this);
    m_animation->setFixedWidth(kMediaWidth);
    m_animation->setAlignment(Qt::AlignCenter);
    m_movie = new QMovie(this);
    m_animation->setMovie(m_movie);
    m_mediaColumn->addWidget(m_animation, 1);
    if (m_effect->m_file.isEmpty())
        return;
    GenerateAnew(*m_effect, true);
    if (!PictureFile::IsReadable(m_effect->m_file)) {
        Warn(GetLangText(Txt::CannotReadImage).arg(m_effect->m_file, GetLangText(Txt::MediaNotPicture)));
        return;
    }
    m_movie->setFileName(m_effect->m_file);
    m_movie->start();
}

void CMediaEffectWnd::LoadPicture()
{
    m_effect->m_mediaType = CMatrixMediaEffect::Picture;
    m_viewer = new CPictureViewer(this);
    m_viewer->setFixedWidth(kMediaWidth);
    m_mediaColumn->addWidget(m_viewer, 1);
    if (m_effect->m_file.isEmpty())
        return;
    GenerateAnew(*m_effect, true);
    if (!m_viewer->SetFile(m_effect->m_file))
        Warn(GetLangText(Txt::CannotReadImage).arg(m_effect->m_file, GetLangText(Txt::MediaNotPicture)));
}

void CMediaEffectWnd::ClearMedia()
{
    delete m_viewer;
    m_viewer = nullptr;
    if (m_movie)
        m_movie->stop();
    delete m_animation;
    m_animation = nullptr;
    delete m_movie;
    m_movie = nullptr;
    if (m_player) {
        Stop();
        delete m_player;
        m_player = nullptr;
        // The tool bar's widget actions own the slider and the display.
        delete m_sliderAction;
        delete m_positionAction;
        m_sliderAction = m_positionAction = nullptr;
        m_slider = nullptr;
        m_position = nullptr;
    }
    ShowVideoActions(false);
}

void CMediaEffectWnd::ShowVideoActions(bool shown)
{
    for (QAction* action : {m_play, m_record, m_stop})
        action->setVisible(shown);
}

void CMediaEffectWnd::SetPlayIcon(bool pause)
{
    m_play->setIcon(QIcon(pause ? Icon("Pause") : Icon("Play")));
}

void CMediaEffectWnd::Open()
{
    const QString filter = tr("Media files (") + tr("*.jpg *.jpeg *.bmp *.png *.gif *.tif *.tiff") + QLatin1Char(' ')
                           + VideoFileFilter() + tr(")");
    const QString path = RunOpenFile(this, tr("Open media"), filter, QStringLiteral("Media"));
    if (path.isEmpty())
        return;
    m_effect->m_file = path;
    LoadMedia();
}

void CMediaEffectWnd::Play()
{
    if (!HasVideo())
        return;
    if (!m_playing) {
        m_player->Play();
        SetPlayIcon(true);
        m_stop->setEnabled(true);
        m_slider->setEnabled(true);
        m_playing = true;
        m_paused = false;
        return;
    }
    m_paused = !m_paused;
    if (m_paused)
        m_player->Pause();
    else
        m_player->Play();
    SetPlayIcon(!m_paused);
}

void CMediaEffectWnd::Record()
{
    if (m_recording)
        return;
    const QSize size = m_player ? m_player->FrameSize() : QSize();
    if (!HasVideo() || size.isEmpty()) {
        m_record->setChecked(false);
        return;
    }
    m_effect->m_frames.clear();
    m_effect->SetSourceSize(size.width(), size.height());
    // Play() toggles a running video: the toggle is undone beforehand so a
    // running video keeps running and a paused one stays paused.
    if (m_playing)
        m_paused = !m_paused;
    Play();
    m_record->setChecked(true);
    m_recording = true;
}

void CMediaEffectWnd::Stop()
{
    if (m_playing) {
        m_playing = false;
        m_paused = false;
        if (m_player)
            m_player->Stop();
        if (m_position)
            m_position->SetTime(0);
    }
    if (m_recording) {
        m_recording = false;
        if (m_effect->m_fade != kFrameInterval) {
            m_effect->m_fade = kFrameInterval;
            m_speed->SetValue(kMaxSpeed);
            m_preview->SetStepTime(kFrameInterval);
        }
        GenerateAnew(*m_effect, true);
    }
    SetPlayIcon(false);
    m_record->setChecked(false);
    m_stop->setEnabled(false);
    if (m_slider)
        m_slider->setEnabled(false);
}

void CMediaEffectWnd::OnVideoSliderMoved(int position)
{
    if (m_player && m_player->IsOpen())
        m_player->Seek(qBound(0, position, qMax(0, m_player->Duration())));
}

void CMediaEffectWnd::SetMatrix(CFixtureMatrix* matrix)
{
    MoveToMatrix(m_project, m_effect, matrix);
}

void CMediaEffectWnd::Tick(int elapsedMs)
{
    if (m_animation && m_effect->m_mediaType == CMatrixMediaEffect::AnimatedPicture)
        m_animation->update();
    if (m_player && m_effect->m_mediaType == CMatrixMediaEffect::StoredFrames) {
        m_slider->setValue(m_player->Position());
        m_position->SetTime(m_player->Position());
        if (m_recording) {
            g_sinceLastFrame += qMax(0, elapsedMs);
            // Before the first decoded frame there is nothing to keep; the
            // count goes on so the frame is taken as soon as one shows.
            const QImage& frame = m_player->CurrentFrame();
            if (g_sinceLastFrame >= kFrameInterval && !frame.isNull()) {
                m_effect->AddFrame(frame);
                g_sinceLastFrame = 0;
                if (m_effect->m_frames.size() >= kMaxFrames)
                    Stop();
            }
        }
    }
    CPreviewEffectWnd::Tick(elapsedMs);
}

CMatrixPreviewWnd* CMediaEffectWnd::Preview() const
{
    return static_cast<CMatrixPreviewWnd*>(m_preview);
}

void CMediaEffectWnd::Retranslate()
{
    m_open->setToolTip(GetLangText(Txt::TimeLineOpen));
    m_play->setToolTip(GetLangText(Txt::Play));
    m_record->setToolTip(GetLangText(Txt::EdRecord));
    m_stop->setToolTip(GetLangText(Txt::TimeLineStop));
    RetranslateMatrixPreview();
}
