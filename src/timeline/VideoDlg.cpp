#include "timeline/VideoDlg.h"

#include "Captions.h"
#include "media/VideoPlayer.h"
#include "model/Language.h"
#include "show/ShowHost.h"
#include "show/TimeLine.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QIcon Icon(const char* name)
{
    return QIcon(QStringLiteral(":/Orvane/Images/Icons/%1.png").arg(QLatin1String(name)));
}

int DisplayIndex(int display)
{
    return display >= CVideoPlayer::Stretch && display <= CVideoPlayer::Centre ? display : CVideoPlayer::Adjust;
}

} // namespace

CVideoDlg::CVideoDlg(CMediaTimeLine* line, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_line(line)
    , m_player(new CVideoPlayer)
    , m_toolBar(new QToolBar)
    , m_actOnTop(new QAction(Icon("OnTop"), GetLangText(Txt::VideoOnTop), this))
    , m_actSound(new QAction(Icon("SoundOff"), GetLangText(Txt::VideoSound), this))
    , m_actMaximize(new QAction(Icon("Maximize"), QString(), this))
    , m_display(new QComboBox)
{
    setWindowTitle(GetLangText(Txt::TimeLineVideo));
    setMinimumSize(320, 220);
    int display = CVideoPlayer::Adjust;
    if (m_line) {
        // A display mode the file made up becomes the one a new line has.
        m_line->m_display = DisplayIndex(m_line->m_display);
        display = m_line->m_display;
    }

    m_toolBar->setStyleSheet(QStringLiteral(
        "QToolBar { border: 1px solid gray; background-image: url(\":/Orvane/Images/Icons/HorzToolBar.png\") }"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_actOnTop->setCheckable(true);
    m_actOnTop->setChecked(m_line && m_line->m_onTop);
    connect(m_actOnTop, &QAction::triggered, this, &CVideoDlg::OnTop);
    m_toolBar->addAction(m_actOnTop);
    connect(m_actSound, &QAction::triggered, this, &CVideoDlg::OnSound);
    m_toolBar->addAction(m_actSound);
    m_display->addItem(Icon("ImageStretch"), GetLangText(Txt::VideoStretch));
    m_display->addItem(Icon("ImageAdjust"), GetLangText(Txt::VideoAdjust));
    m_display->addItem(Icon("ImageCenter"), GetLangText(Txt::VideoCenter));
    m_display->setCurrentIndex(display);
    connect(m_display, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CVideoDlg::OnDisplayChanged);
    m_toolBar->addWidget(m_display);
    auto* spacer = new QWidget;
    spacer->setFixedHeight(16);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_toolBar->addWidget(spacer);
    connect(m_actMaximize, &QAction::triggered, this, &CVideoDlg::OnMaximize);
    m_toolBar->addAction(m_actMaximize);

    m_player->SetDisplayMode(display);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_toolBar);
    column->addWidget(m_player, 1);
}

CVideoDlg::~CVideoDlg() = default;

bool CVideoDlg::IsMaximized() const
{
    return m_line && m_line->m_maximized;
}

QScreen* CVideoDlg::HostScreen() const
{
    if (const QWidget* parent = parentWidget())
        return parent->window()->screen();
    return screen() ? screen() : QGuiApplication::primaryScreen();
}

QRect CVideoDlg::FirstPlace(const QRect& available, const QSize& minimum)
{
    QRect place(QPoint(), QSize(available.width() / 4, available.height() / 4).expandedTo(minimum));
    place.moveCenter(available.center());
    return place;
}

void CVideoDlg::ShowWindow()
{
    if (!m_line)
        return;
    if (!m_shownOnce)
        m_baseFlags = windowFlags();
    m_shownOnce = true;
    Qt::WindowFlags flags = m_baseFlags;
    if (m_line->m_maximized)
        flags |= Qt::FramelessWindowHint;
    if (m_line->m_onTop)
        flags |= Qt::WindowStaysOnTopHint;
    if (flags != windowFlags())
        setWindowFlags(flags);

    // A place on a screen that is no longer there would hide the window:
    // it opens as if never placed.
    const QRect& place = m_line->m_videoRect;
    QScreen* screen = place.isEmpty() ? nullptr : QGuiApplication::screenAt(place.center());
    if (!screen) {
        screen = HostScreen();
        if (screen)
            m_line->m_videoRect = FirstPlace(screen->availableGeometry(), minimumSize());
    }
    if (m_line->m_maximized) {
        m_toolBar->hide();
        if (screen)
            setGeometry(screen->geometry());
        showFullScreen();
    } else {
        m_toolBar->show();
        if (isFullScreen())
            showNormal();
        setGeometry(m_line->m_videoRect);
        show();
    }
    SetSound(m_line->m_sound);
}

void CVideoDlg::SetSound(bool on)
{
    m_actSound->setIcon(Icon(on ? "SoundOn" : "SoundOff"));
    m_player->SetSound(on);
    if (on)
        m_player->SetVolume(m_volume);
}

void CVideoDlg::SetVolume(int volume)
{
    m_volume = std::clamp(volume, 0, 100);
    if (m_line && m_line->m_sound)
        m_player->SetVolume(m_volume);
}

void CVideoDlg::StoreGeometry()
{
    // A window never shown has no place of its own yet.
    if (!m_line || !m_shownOnce || m_line->m_maximized)
        return;
    m_line->m_videoRect = geometry();
}

void CVideoDlg::HideIfOnTop()
{
    if (m_line && m_line->m_visible && m_line->m_onTop)
        hide();
}

void CVideoDlg::ShowIfOnTop()
{
    if (m_line && m_line->m_visible && m_line->m_onTop && !isVisible())
        show();
}

void CVideoDlg::Dispose()
{
    if (m_disposed)
        return;
    m_disposed = true;
    m_line = nullptr;
    m_player->CloseFile();
    hide();
    deleteLater();
}

void CVideoDlg::OnTop()
{
    if (!m_line)
        return;
    StoreGeometry();
    m_line->m_onTop = !m_line->m_onTop;
    m_actOnTop->setChecked(m_line->m_onTop);
    ShowWindow();
    ShowHost().SetModified(true);
}

void CVideoDlg::OnSound()
{
    if (!m_line)
        return;
    m_line->m_sound = !m_line->m_sound;
    SetSound(m_line->m_sound);
    emit soundChanged();
    ShowHost().SetModified(true);
}

void CVideoDlg::OnDisplayChanged(int index)
{
    if (!m_line)
        return;
    m_line->m_display = DisplayIndex(index);
    m_player->SetDisplayMode(m_line->m_display);
    if (m_display->currentIndex() != m_line->m_display) {
        const QSignalBlocker block(m_display);
        m_display->setCurrentIndex(m_line->m_display);
    }
}

void CVideoDlg::OnMaximize()
{
    if (!m_line)
        return;
    StoreGeometry();
    m_line->m_maximized = !m_line->m_maximized;
    ShowWindow();
    ShowHost().SetModified(true);
}

void CVideoDlg::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!m_line)
        return;
    StoreGeometry();
    emit closed();
}

void CVideoDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape || event->isAutoRepeat()) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (IsMaximized())
        OnMaximize();
    else
        close();
}

void CVideoDlg::FillMenu(QMenu& menu)
{
    menu.setStyleSheet(QStringLiteral("QMenu { background: rgb(195, 195, 190) }"));
    QAction* onTop = menu.addAction(GetLangText(Txt::VideoOnTop), this, &CVideoDlg::OnTop);
    onTop->setCheckable(true);
    onTop->setChecked(m_line->m_onTop);
    QAction* sound = menu.addAction(GetLangText(Txt::VideoSound), this, &CVideoDlg::OnSound);
    sound->setCheckable(true);
    sound->setChecked(m_line->m_sound);
    if (m_line->m_maximized)
        menu.addAction(GetLangText(Txt::VideoExit), this, &CVideoDlg::OnMaximize);
}

void CVideoDlg::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_line)
        return;
    QMenu menu(this);
    FillMenu(menu);
    menu.exec(event->globalPos());
}
