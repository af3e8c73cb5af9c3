#include "setup/AssignIdsDlg.h"

#include "Captions.h"
#include "model/Language.h"
#include "setup/AssignIdsWnd.h"
#include "show/ShowHost.h"
#include "widgets/REDOvoroz.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QIcon Icon(const char* name)
{
    return QIcon(QStringLiteral(":/Orvane/Images/Icons/") + QLatin1String(name));
}

} // namespace

CAssignIdsDlg::CAssignIdsDlg(CProject& project, const QList<CPatchBlock*>& blocks, QWidget* parent)
    : QDialog(parent, Qt::Tool)
{
    setWindowTitle(GetLangText(Txt::AssignIds));
    setPalette(ShowHost().ProgramPalette());
    setAutoFillBackground(true);

    const QString gap(4, QLatin1Char(' '));
    auto* label = new QLabel(gap + GetLangText(Txt::AssignIdsOrder) + gap, this);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    label->setMinimumHeight(40);

    m_grid = new CAssignIdsWnd(project, blocks, this);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(m_grid);

    m_play = new QAction(Icon("Play.png"), GetLangText(Txt::Play), this);
    m_leftToRight = new QAction(Icon("LeftToRight.png"), QStringLiteral("->"), this);
    m_rightToLeft = new QAction(Icon("RightToLeft.png"), QStringLiteral("<-"), this);
    connect(m_play, &QAction::triggered, this, &CAssignIdsDlg::Play);
    connect(m_leftToRight, &QAction::triggered, this, &CAssignIdsDlg::LeftToRight);
    connect(m_rightToLeft, &QAction::triggered, this, &CAssignIdsDlg::RightToLeft);

    auto* toolBar = new QToolBar(this);
    toolBar->setStyleSheet(QStringLiteral(
        "QToolBar { border: 1px solid gray; background-image: url(\":/Orvane/Images/Icons/HorzToolBar.png\") }"));
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar->addAction(m_play);
    toolBar->addAction(m_leftToRight);
    toolBar->addAction(m_rightToLeft);
    m_slider = new REDOvoroz(Qt::Horizontal, toolBar);
    m_slider->setRange(0, qMax(0, m_grid->Count() - 1));
    m_slider->setEnabled(false);
    connect(m_slider, &QSlider::valueChanged, this, &CAssignIdsDlg::OnSliderMoved);
    toolBar->addWidget(m_slider);

    auto* buttons = new QDialogButtonBox(Qt::Horizontal, this);
    buttons->addButton(GetLangText(Txt::Ok), QDialogButtonBox::AcceptRole);
    buttons->addButton(GetLangText(Txt::Cancel), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* inner = new QVBoxLayout;
    inner->setContentsMargins(4, 4, 4, 4);
    inner->addWidget(label);
    inner->addWidget(m_scroll);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolBar);
    layout->addLayout(inner);
    layout->addStretch();
    layout->addWidget(buttons);
    FitToScreen(parent);
}

void CAssignIdsDlg::FitToScreen(const QWidget* parent)
{
    const QWidget* mainWindow = parent ? parent->window() : nullptr;
    const QScreen* screen = mainWindow ? mainWindow->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    QMargins frame;
    QPoint centre = available.center();
    if (mainWindow && mainWindow->isVisible()) {
        const QRect outer = mainWindow->frameGeometry();
        const QRect inner = mainWindow->geometry();
        frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
        centre = inner.center();
    }
    FitTo(available, frame, centre);
}

void CAssignIdsDlg::FitTo(const QRect& available, const QMargins& frame, const QPoint& centre)
{
    // A frame is known only once a window manager framed a window, and this
    // tool window's may be larger than the main window's: no less than a
    // title bar and borders is left for it.
    const QMargins least(10, 40, 10, 10);
    const QMargins kept(std::max(frame.left(), least.left()), std::max(frame.top(), least.top()),
                        std::max(frame.right(), least.right()), std::max(frame.bottom(), least.bottom()));
    const QRect inside = available.marginsRemoved(kept);
    const QSize room = inside.size().expandedTo(QSize(1, 1));

    // Sized to show every cell, no scroll bar takes room from them.
    const int frameWidth = m_scroll->frameWidth();
    const QSize grid = m_grid->GridSize() + QSize(2 * frameWidth, 2 * frameWidth);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setFixedSize(grid);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QSize whole = sizeHint();
    if (whole.width() <= room.width() && whole.height() <= room.height()) {
        PlaceIn(inside, centre);
        return;
    }
    // Too many cells for the screen: the grid scrolls, and the buttons stay
    // on it.
    const QSize rest = whole - grid;
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll);
    QSize shown = grid.boundedTo(room - rest);
    if (shown.height() < grid.height())
        shown.rwidth() += bar;
    if (shown.width() < grid.width() + (shown.height() < grid.height() ? bar : 0))
        shown.rheight() += bar;
    shown = shown.boundedTo(room - rest).expandedTo(QSize(CAssignIdsWnd::kCellSide, CAssignIdsWnd::kCellSide));
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setFixedSize(shown);
    setMaximumSize(room);
    PlaceIn(inside, centre);
}

void CAssignIdsDlg::PlaceIn(const QRect& inside, const QPoint& centre)
{
    // Placed here, not by the toolkit: near the top of the screen that
    // puts the window itself at the edge, and its frame above it.
    QRect placed(QPoint(0, 0), sizeHint().boundedTo(maximumSize()));
    placed.moveCenter(centre);
    placed.moveLeft(std::max(inside.left(), std::min(placed.left(), inside.right() + 1 - placed.width())));
    placed.moveTop(std::max(inside.top(), std::min(placed.top(), inside.bottom() + 1 - placed.height())));
    setGeometry(placed);
}

int CAssignIdsDlg::Count() const
{
    return m_grid->Count();
}

int CAssignIdsDlg::IdAt(int n) const
{
    return m_grid->IdAt(n);
}

CPatchedFixture* CAssignIdsDlg::FixtureAt(int n) const
{
    return m_grid->FixtureAt(n);
}

int CAssignIdsDlg::NewIdAt(int n) const
{
    return m_grid->NewIdAt(n);
}

void CAssignIdsDlg::Play()
{
    if (!m_grid->IsChasing()) {
        m_slider->setEnabled(true);
        m_play->setIcon(Icon("Stop.png"));
        m_grid->StartChase();
        if (!m_timer) {
            m_timer = new QTimer(this);
            connect(m_timer, &QTimer::timeout, this, &CAssignIdsDlg::OnTimer);
        }
        m_timer->start(kChaseMs);
        return;
    }
    m_timer->stop();
    m_grid->StopChase();
    m_slider->setValue(0);
    m_slider->setEnabled(false);
    m_play->setIcon(Icon("Play.png"));
}

void CAssignIdsDlg::LeftToRight()
{
    m_grid->SortByAddress(true);
}

void CAssignIdsDlg::RightToLeft()
{
    m_grid->SortByAddress(false);
}

void CAssignIdsDlg::OnTimer()
{
    const int count = m_grid->Count();
    if (m_slider->isSliderDown() || count == 0)
        return;
    const int position = (m_grid->Position() + 1) % count;
    // Shown here, not through the slider: a chase of one cell moves no slider.
    const QSignalBlocker blocker(m_slider);
    m_slider->setValue(position);
    m_grid->ShowPosition(position);
    m_grid->update();
}

void CAssignIdsDlg::OnSliderMoved(int value)
{
    // The slider goes back to 0 at the stop; the live layer keeps what the
    // stop gave back.
    if (!m_grid->IsChasing())
        return;
    m_grid->ShowPosition(value);
    m_grid->update();
}
