#include "setup/ProfileChannelsWnd.h"

#include "model/LibraryProfile.h"
#include "model/ProfileTypes.h"
#include "setup/ChannelsList.h"
#include "setup/ProfileChannelCtrl.h"
#include "setup/ProfileEditRules.h"
#include "setup/ProfileEditorDialogs.h"
#include "setup/ProfileTab.h"

#include <QAction>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <memory>

namespace {

// What one dropped type adds, in order.
QList<int> GroupOf(int type)
{
    switch (type) {
    case ChannelType::Pan: return {ChannelType::Pan, ChannelType::Tilt};
    case ChannelType::Red: return {ChannelType::Red, ChannelType::Green, ChannelType::Blue};
    case ChannelType::Cyan: return {ChannelType::Cyan, ChannelType::Magenta, ChannelType::Yellow};
    case ChannelType::White:
        return {ChannelType::Red, ChannelType::Green, ChannelType::Blue, ChannelType::White};
    default: return {type};
    }
}

bool IsGroupType(int type)
{
    return GroupOf(type).size() > 1;
}

Qt::DropAction ExecDrag(QObject* source, QMimeData* data, const QPixmap& picture)
{
    auto* drag = new QDrag(source);
    drag->setMimeData(data);
    drag->setPixmap(picture);
    drag->setHotSpot(QPoint(picture.width() / 2, picture.height() / 2));
    return drag->exec(Qt::MoveAction);
}

} // namespace

CProfileChannelsWnd::CProfileChannelsWnd(CProfileTab* owner)
    : QWidget(nullptr), m_owner(owner), m_layout(new QHBoxLayout(this))
{
    setAcceptDrops(true);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->addStretch();
    m_dragRunner = [this](QMimeData* data, const QPixmap& picture) { return ExecDrag(this, data, picture); };
}

CProfileChannelsWnd::~CProfileChannelsWnd()
{
    // A channel carried by a drag belongs to no mode.
    if (m_movingChannel && !m_copy)
        delete m_movingChannel;
}

void CProfileChannelsWnd::SetDragRunner(DragRunner runner)
{
    if (runner)
        m_dragRunner = std::move(runner);
}

bool CProfileChannelsWnd::CanEditColorDimmer() const
{
    return m_owner->Dialogs().CanEditColorDimmer();
}

CProfileChannelCtrl* CProfileChannelsWnd::NewColumn(CProfileChannelDef* channel, const QPixmap& picture)
{
    return new CProfileChannelCtrl(channel, picture, this);
}

CProfileChannelCtrl* CProfileChannelsWnd::ColumnOf(const CProfileChannelDef* channel) const
{
    if (!m_mode || !channel)
        return nullptr;
    return m_columns.value(m_mode->m_channels.indexOf(const_cast<CProfileChannelDef*>(channel)));
}

int CProfileChannelsWnd::SelectedIndex() const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i]->IsSelected())
            return i;
    }
    return -1;
}

void CProfileChannelsWnd::TellSelection()
{
    m_owner->SetCurrentChannel(SelectedIndex());
}

// ---- Loading ----

void CProfileChannelsWnd::LoadChannels()
{
    Clear();
    CLibraryProfile* profile = m_owner->EditedProfile();
    m_mode = profile ? profile->CurrentMode() : nullptr;
    if (!m_mode)
        return;
    for (int i = 0; i < m_mode->m_channels.size(); ++i) {
        CProfileChannelDef* channel = m_mode->m_channels[i];
        channel->m_index = i;
        auto* column = NewColumn(channel, CProfileTab::ChannelPicture(channel->m_type));
        m_columns << column;
        m_layout->insertWidget(i, column);
    }
}

void CProfileChannelsWnd::Clear()
{
    m_mode = nullptr;
    for (CProfileChannelCtrl* column : qAsConst(m_columns)) {
        m_layout->removeWidget(column);
        delete column;
    }
    m_columns.clear();
}

CProfileMode* CProfileChannelsWnd::OwnMode()
{
    m_owner->DetachUsedProfile();
    return m_mode;
}

void CProfileChannelsWnd::RebindToEditedProfile()
{
    CLibraryProfile* profile = m_owner->EditedProfile();
    m_mode = profile ? profile->CurrentMode() : nullptr;
    // A copy lists the same channels in the same order.
    for (int i = 0; i < m_columns.size(); ++i)
        m_columns[i]->SetChannel(m_mode ? m_mode->Channel(i) : nullptr);
}

// ---- Changing the channel list ----

void CProfileChannelsWnd::AddChannels(int index, int type, const QPixmap& picture)
{
    const QList<int> group = GroupOf(type);
    for (int i = 0; i < group.size(); ++i) {
        const QPixmap memberPicture = group.size() > 1 ? CProfileTab::ChannelPicture(group[i]) : picture;
        AddChannel(index < 0 ? -1 : index + i, group[i], memberPicture);
    }
}

void CProfileChannelsWnd::AddChannel(int index, int type, const QPixmap& picture)
{
    if (type < 0 || type >= ChannelType::kCount)
        return;
    OwnMode();
    if (!m_owner->EditedProfile()) {
        m_owner->CreateEditedProfile();
        CLibraryProfile* profile = m_owner->EditedProfile();
        m_mode = profile ? profile->CurrentMode() : nullptr;
    }
    if (!m_mode)
        return;
    auto* channel = new CProfileChannelDef;
    channel->m_type = type;
    channel->m_name = GetChannelTypeName(type);
    if (type == ChannelType::Dimmer)
        channel->AddDimmerPreset(0, 255, true);
    InsertChannelCtrl(index, channel, NewColumn(channel, picture));
}

void CProfileChannelsWnd::InsertChannelCtrl(int index, CProfileChannelDef* channel, CProfileChannelCtrl* column)
{
    if (!m_mode) {
        delete column;
        delete channel;
        return;
    }
    if (index < 0 || index > m_columns.size())
        index = m_columns.size();
    m_mode->m_channels.insert(index, channel);
    m_columns.insert(index, column);
    m_layout->insertWidget(index, column);
    column->show();
}

void CProfileChannelsWnd::PasteChannel(int index, const CProfileChannelDef& source)
{
    OwnMode();
    if (!m_mode)
        return;
    auto* channel = new CProfileChannelDef(source);
    ProfileEditRules::MakeStandalone(*channel, *m_mode);
    InsertChannelCtrl(index, channel, NewColumn(channel, CProfileTab::ChannelPicture(channel->m_type)));
    TellSelection();
}

void CProfileChannelsWnd::DeleteChannel(CProfileChannelCtrl* column)
{
    if (!m_mode || !OwnMode())
        return;
    int index = m_columns.indexOf(column);
    if (index < 0)
        return;
    CProfileChannelDef* channel = m_mode->Channel(index);
    if (!channel)
        return;
    if (channel->m_msb && channel->m_partner16) {
        if (CProfileChannelCtrl* fine = ColumnOf(channel->m_partner16))
            DeleteChannel(fine);
        // The fine column's going moved this one.
        index = m_columns.indexOf(column);
        if (index < 0)
            return;
    }
    if (channel->m_lsb && channel->m_partner16) {
        CProfileChannelDef* coarse = channel->m_partner16;
        coarse->m_msb = false;
        coarse->m_partner16 = nullptr;
        coarse->m_partner16Index = -1;
        if (CProfileChannelCtrl* coarseColumn = ColumnOf(coarse))
            coarseColumn->ShowPairing();
    }
    ProfileEditRules::Retarget(*m_mode, channel, nullptr);
    m_layout->removeWidget(column);
    m_mode->m_channels.removeAt(index);
    m_columns.removeAt(index);
    delete channel;
    // The column may be running the slot of its own delete button.
    column->SetChannel(nullptr);
    column->SetSelected(false);
    column->hide();
    column->deleteLater();
    m_owner->UpdateChannelCount();
    TellSelection();
}

void CProfileChannelsWnd::ChangeChannelType(int index, int type, const QPixmap& picture)
{
    if (index < 0 || index >= m_columns.size() || IsGroupType(type) || type < 0 || type >= ChannelType::kCount)
        return;
    if (!OwnMode())
        return;
    CProfileChannelDef* channel = m_mode->Channel(index);
    if (!channel)
        return;
    channel->m_type = type;
    channel->m_name = GetChannelTypeName(type);
    m_columns[index]->UpdateType(picture);
    if ((channel->m_msb || channel->m_lsb) && channel->m_partner16) {
        CProfileChannelDef* partner = channel->m_partner16;
        partner->m_type = type;
        partner->m_name = GetChannelTypeName(type);
        if (CProfileChannelCtrl* column = ColumnOf(partner))
            column->UpdateType(picture);
    }
}

void CProfileChannelsWnd::ReplaceChannel(CProfileChannelCtrl* column, CProfileChannelDef* channel)
{
    const int index = m_columns.indexOf(column);
    CProfileChannelDef* old = m_mode ? m_mode->Channel(index) : nullptr;
    if (!old) {
        delete channel;
        return;
    }
    // The edited copy keeps the pairing and place of the channel it replaces.
    channel->m_msb = old->m_msb;
    channel->m_lsb = old->m_lsb;
    channel->m_partner16 = old->m_partner16;
    channel->m_twoPresetPartner = old->m_twoPresetPartner;
    channel->m_isTwoPresetPartner = old->m_isTwoPresetPartner;
    for (CProfilePresetDef* preset : channel->m_presets)
        preset->m_targetChannel = m_mode->Channel(preset->m_target);
    ProfileEditRules::Retarget(*m_mode, old, channel);
    m_mode->m_channels[index] = channel;
    column->SetChannel(channel);
    delete old;
    m_owner->UpdateChannelCount();
}

void CProfileChannelsWnd::SetSixteenBits(CProfileChannelCtrl* column, bool on)
{
    if (m_pairing || !m_mode)
        return;
    m_pairing = true;
    if (OwnMode()) {
        const int index = m_columns.indexOf(column);
        CProfileChannelDef* coarse = m_mode->Channel(index);
        if (coarse && on && !coarse->m_msb && !coarse->m_lsb) {
            auto* fine = new CProfileChannelDef;
            fine->m_type = coarse->m_type;
            fine->m_typeIndex = coarse->m_typeIndex;
            fine->m_name = QStringLiteral("u %1").arg(coarse->m_name);
            fine->m_partner16Index = index;
            fine->m_lsb = true;
            fine->m_partner16 = coarse;
            coarse->m_msb = true;
            coarse->m_partner16Index = index + 1;
            coarse->m_partner16 = fine;
            InsertChannelCtrl(index + 1, fine, NewColumn(fine, column->Picture()));
            column->ShowPairing();
        } else if (coarse && !on && coarse->m_msb) {
            if (CProfileChannelCtrl* fineColumn = ColumnOf(coarse->m_partner16))
                DeleteChannel(fineColumn);
            coarse->m_msb = false;
            coarse->m_partner16Index = -1;
            coarse->m_partner16 = nullptr;
        }
        column->ShowPairing();
    }
    m_pairing = false;
    m_owner->AutoAssignBeams();
    m_owner->UpdateChannelCount();
    TellSelection();
}

void CProfileChannelsWnd::RenameChannel(CProfileChannelCtrl* column, const QString& name)
{
    if (!OwnMode())
        return;
    if (CProfileChannelDef* channel = column->Channel())
        channel->m_name = name;
}

void CProfileChannelsWnd::EditChannel(CProfileChannelCtrl* column)
{
    if (!column->Channel() || !m_mode)
        return;
    std::unique_ptr<CProfileChannelDef> edited(m_owner->Dialogs().EditChannel(*column->Channel(), this));
    if (!edited || !OwnMode() || !m_columns.contains(column))
        return;
    ReplaceChannel(column, edited.release());
}

void CProfileChannelsWnd::EditColorDimmer(CProfileChannelCtrl* column)
{
    CProfileChannelDef* channel = column->Channel();
    if (!channel || !m_mode)
        return;
    QColor low = channel->m_colorMin;
    QColor high = channel->m_colorMax;
    if (!m_owner->Dialogs().EditColorDimmer(low, high, this) || !OwnMode())
        return;
    if ((channel = column->Channel())) {
        channel->m_colorMin = low;
        channel->m_colorMax = high;
    }
}

// ---- Dragging columns ----

void CProfileChannelsWnd::StartDrag(int index, bool copy)
{
    if (!m_mode || index < 0 || index >= m_columns.size())
        return;
    m_dragging = true;
    CProfileChannelDef* channel = m_mode->Channel(index);
    m_copy = copy && channel && !channel->m_msb && !channel->m_lsb;
    if (!m_copy && !OwnMode())
        return;
    m_movingChannel = m_mode->Channel(index);
    m_movingColumn = m_columns.value(index);
    if (!m_movingChannel || !m_movingColumn) {
        m_movingChannel = nullptr;
        m_movingColumn = nullptr;
        return;
    }
    if (!m_copy) {
        m_mode->m_channels.removeAt(index);
        m_columns.removeAt(index);
        m_layout->removeWidget(m_movingColumn);
        m_movingColumn->hide();
    }
    auto* data = new QMimeData;
    data->setData(CChannelsList::kMimeType,
                  CChannelsList::EncodePayload(m_movingColumn->Picture(), m_movingChannel->m_type));
    const QPixmap picture = m_movingColumn->Picture();
    m_dragRunner(data, picture);
    // A drop elsewhere (or none) leaves the pair with the strip: the moved
    // channel goes back, the copy was never made.
    if (m_copy)
        ForgetMovingPair();
    else if (m_movingChannel)
        FinishMove(index);
    m_copy = false;
    m_owner->UpdateChannelCount();
    TellSelection();
    update();
}

void CProfileChannelsWnd::ForgetMovingPair()
{
    m_movingChannel = nullptr;
    m_movingColumn = nullptr;
}

void CProfileChannelsWnd::FinishMove(int index)
{
    if (m_mode && m_movingChannel && m_movingColumn) {
        InsertChannelCtrl(index, m_movingChannel, m_movingColumn);
    } else {
        delete m_movingColumn;
        delete m_movingChannel;
    }
    ForgetMovingPair();
}

// ---- Hit testing ----

QRect CProfileChannelsWnd::DropRectAt(const QPoint& point) const
{
    const QRect strip = rect().adjusted(0, 0, 1, 1);
    if (m_columns.isEmpty())
        return rect();
    int previousRight = strip.left();
    for (const CProfileChannelCtrl* column : m_columns) {
        const QRect geometry = column->geometry();
        if (geometry.contains(point))
            return QRect(QPoint(geometry.left(), strip.top()), QPoint(geometry.right(), strip.bottom()));
        if (geometry.left() >= point.x())
            return QRect(QPoint(previousRight, strip.top()), QPoint(geometry.left(), strip.bottom()));
        previousRight = geometry.right();
    }
    return QRect(QPoint(previousRight, strip.top()), QPoint(strip.right(), strip.bottom()));
}

int CProfileChannelsWnd::DropIndexAt(const QPoint& point) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        const QRect geometry = m_columns[i]->geometry();
        if (point.x() < geometry.left())
            return i;
        if (geometry.contains(point))
            return i + 1;
    }
    return -1;
}

int CProfileChannelsWnd::SelectRowAt(const QPoint& point)
{
    int hit = -1;
    for (int i = 0; i < m_columns.size(); ++i) {
        const bool contains = m_columns[i]->geometry().contains(point);
        m_columns[i]->SetSelected(contains);
        if (contains)
            hit = i;
    }
    return hit;
}

// ---- Events ----

void CProfileChannelsWnd::mousePressEvent(QMouseEvent* event)
{
    m_dragging = false;
    const int hit = SelectRowAt(event->pos());
    m_owner->SetCurrentChannel(hit);
    update();
    if (event->button() != Qt::RightButton || hit < 0)
        return;
    QMenu menu(this);
    menu.addActions(m_owner->ChannelActions());
    const int type = m_mode && m_mode->Channel(hit) ? m_mode->Channel(hit)->m_type : -1;
    if (type == ChannelType::Undef || type == ChannelType::Macro || type == ChannelType::Control) {
        menu.addSeparator();
        menu.addActions(m_owner->TypeActions());
    }
    menu.exec(event->globalPos());
}

void CProfileChannelsWnd::mouseMoveEvent(QMouseEvent* event)
{
    const int selected = SelectedIndex();
    if (selected >= 0 && !m_dragging && (event->buttons() & Qt::LeftButton))
        StartDrag(selected, event->modifiers() & Qt::ControlModifier);
}

void CProfileChannelsWnd::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(CChannelsList::kMimeType))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CProfileChannelsWnd::dragMoveEvent(QDragMoveEvent* event)
{
    const QRect old = m_dropIndicator;
    if (event->mimeData()->hasFormat(CChannelsList::kMimeType)) {
        m_dropIndicator = DropRectAt(event->pos());
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        m_dropIndicator = QRect();
        event->ignore();
    }
    update(old.united(m_dropIndicator));
}

void CProfileChannelsWnd::dragLeaveEvent(QDragLeaveEvent* event)
{
    update(m_dropIndicator);
    m_dropIndicator = QRect();
    event->accept();
}

void CProfileChannelsWnd::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (!data || !data->hasFormat(CChannelsList::kMimeType)) {
        m_dropIndicator = QRect();
        event->ignore();
        return;
    }
    const int index = DropIndexAt(event->pos());
    if (m_movingChannel) {
        if (m_copy) {
            // The dragged channel stays; its copy goes to the drop.
            CProfileChannelDef* source = m_movingChannel;
            const QPixmap picture = m_movingColumn->Picture();
            ForgetMovingPair();
            if (OwnMode()) {
                auto* copy = new CProfileChannelDef(*source);
                ProfileEditRules::MakeStandalone(*copy, *m_mode);
                m_movingChannel = copy;
                m_movingColumn = NewColumn(copy, picture);
            }
        }
        FinishMove(index);
    } else {
        QPixmap picture;
        int type = 0;
        if (!CChannelsList::DecodePayload(data->data(CChannelsList::kMimeType), picture, type)) {
            m_dropIndicator = QRect();
            update();
            event->ignore();
            return;
        }
        if (event->keyboardModifiers() & Qt::ControlModifier) {
            ChangeChannelType(index - 1, type, picture);
        } else {
            AddChannels(index, type, picture);
            m_owner->ScrollToChannel(index);
        }
        m_owner->AutoAssignBeams();
    }
    m_dropIndicator = QRect();
    update();
    m_owner->UpdateChannelCount();
    TellSelection();
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void CProfileChannelsWnd::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    if (m_dropIndicator.isValid())
        painter.fillRect(m_dropIndicator.adjusted(0, 0, -1, -1), QColor(219, 219, 232));
}
