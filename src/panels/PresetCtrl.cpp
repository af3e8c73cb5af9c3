#include "panels/PresetCtrl.h"

#include "Captions.h"
#include "app/options/AppOptions.h"
#include "model/Language.h"
#include "panels/PresetDragData.h"
#include "panels/PresetsWnd.h"
#include "show/Group.h"

#include <QAction>
#include <QActionGroup>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

namespace {

// A stored value the control understands, else unset (-1).
int InRange(int value, int low, int high)
{
    return value >= low && value <= high ? value : -1;
}

} // namespace

CPresetCtrl::CPresetCtrl(int id, CLibraryProfile* profile, int key1, int key2, bool flag, CPresetsWnd* wnd)
    : QWidget(wnd), m_wnd(wnd), m_id(id), m_flag(flag)
{
    m_config = wnd ? wnd->PresetConfig(profile, key1, key2) : nullptr;
    if (m_config) {
        const int mode = InRange(m_config->m_displayType, DisplayCursor, DisplayDefault);
        const int size = InRange(m_config->m_displaySize, SizeBig, SizeSmall);
        m_displayMode = mode >= 0 ? mode : DisplayDefault;
        m_size = size >= 0 ? size : SizeBig;
    }
    setAcceptDrops(true);
}

void CPresetCtrl::CreateMenu()
{
    m_actCursor = new QAction(GetLangText(Txt::PresetCursor), this);
    m_actPreset = new QAction(GetLangText(Txt::PresetPreset), this);
    m_actDefault = new QAction(GetLangText(Txt::PresetDefault), this);
    m_actBig = new QAction(GetLangText(Txt::PresetBig), this);
    auto* group = new QActionGroup(this);
    for (QAction* action : {m_actCursor, m_actPreset, m_actDefault}) {
        action->setCheckable(true);
        group->addAction(action);
    }
    m_actBig->setCheckable(true);
    connect(m_actCursor, &QAction::triggered, this, &CPresetCtrl::OnDisplayCursor);
    connect(m_actPreset, &QAction::triggered, this, &CPresetCtrl::OnDisplayPreset);
    connect(m_actDefault, &QAction::triggered, this, &CPresetCtrl::OnDisplayDefault);
    connect(m_actBig, &QAction::triggered, this, &CPresetCtrl::OnDisplayBig);

    auto* menu = new QMenu(this);
    menu->setStyleSheet(QStringLiteral("QMenu { background: rgb(195, 195, 190) }"));
    menu->addAction(m_actCursor);
    menu->addAction(m_actPreset);
    menu->addAction(m_actDefault);
    menu->addSeparator();
    menu->addAction(m_actBig);

    // One tool button: a click minimises, its arrow opens the menu.
    m_actMinimize = new QAction(QIcon(QStringLiteral(":/Orvane/Images/Icons/Moins.png")), QString(), this);
    m_actMinimize->setMenu(menu);
    connect(m_actMinimize, &QAction::triggered, this, &CPresetCtrl::OnMinimize);
}

void CPresetCtrl::UpdateDisplayMenu()
{
    if (!m_actCursor)
        return;
    m_actCursor->setChecked(m_displayMode == DisplayCursor);
    m_actPreset->setChecked(m_displayMode == DisplayPreset);
    m_actDefault->setChecked(m_displayMode != DisplayCursor && m_displayMode != DisplayPreset);
}

void CPresetCtrl::UpdateSizeMenu()
{
    if (m_actBig)
        m_actBig->setChecked(m_size == SizeBig);
}

void CPresetCtrl::SetFixedSizeShared(int width, int height, bool withPartner)
{
    CPresetCtrl* partner = withPartner && m_wnd ? m_wnd->ColumnPartner(this) : nullptr;
    if (!partner) {
        setFixedSize(width, height);
        return;
    }
    partner->UpdateLayout(false);
    const int shared = qMax(width, partner->width());
    setFixedSize(shared, height);
    partner->setFixedWidth(shared);
}

void CPresetCtrl::SetBig(bool big)
{
    if (!big) {
        UpdateLayout(true);
        return;
    }
    UpdateLayout(false);
    if (m_wnd)
        m_wnd->MoveToOwnColumn(this);
}

void CPresetCtrl::Restore()
{
    SetSize(m_size, true);
    show();
    m_minimised = false;
}

void CPresetCtrl::OnMinimize()
{
    emit minimize(m_id);
    hide();
    m_minimised = true;
}

void CPresetCtrl::StoreDisplayMode(int mode)
{
    m_displayMode = mode;
    if (m_config)
        m_config->m_displayType = mode;
}

void CPresetCtrl::StoreSize(int size)
{
    m_size = size;
    if (m_config)
        m_config->m_displaySize = size;
}

void CPresetCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor fill = PanelBackground();
    if (m_dragHover)
        fill = QColor(219, 219, 232);
    else if (m_flag)
        fill = QColor(205, 205, 200);
    painter.fillRect(rect(), fill);
    painter.setPen(QColor(115, 115, 110));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CPresetCtrl::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(QLatin1String(kPresetWndMimeType)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CPresetCtrl::dragMoveEvent(QDragMoveEvent* event)
{
    if (!event->mimeData()->hasFormat(QLatin1String(kPresetWndMimeType))) {
        event->ignore();
        return;
    }
    if (!m_dragHover) {
        m_dragHover = true;
        update();
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void CPresetCtrl::dragLeaveEvent(QDragLeaveEvent* event)
{
    if (m_dragHover) {
        m_dragHover = false;
        update();
    }
    event->accept();
}

void CPresetCtrl::dropEvent(QDropEvent* event)
{
    if (m_dragHover) {
        m_dragHover = false;
        update();
    }
    int dragged = 0;
    if (!DecodePresetDragId(event->mimeData(), dragged)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    emit dropPreset(dragged, m_id);
}
