#include "setup/ProfilePresetsWnd.h"

#include "setup/PictureFolderCache.h"
#include "setup/ProfilePresetCtrl.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/ProfileChannelDef.h"
#include "model/ProfilePresetDef.h"
#include "show/ShowHost.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kGoboType = 7;
constexpr int kZoomRange = 16;

void SetRange(CProfilePresetDef& preset, int start, int end)
{
    preset.m_dmxStart = quint8(std::clamp(start, 0, 255));
    preset.m_dmxEnd = quint8(std::clamp(end, 0, 255));
}

QColor Argb(qint32 value)
{
    return QColor::fromRgba(QRgb(quint32(value)));
}

bool TakesDefaultMark(int type)
{
    return type == 4 || type == 12 || type == 15 || type == 17 || type == 19 || type == 24;
}

} // namespace

CProfilePresetsWnd::CProfilePresetsWnd(CProfileChannelDef* channel, QWidget* parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this)), m_channel(channel)
{
    setAcceptDrops(true);
    m_layout->setContentsMargins(4, 4, 4, 4);
    m_layout->setSpacing(1);
    // Rows run bottom-up: spare room goes above the last preset.
    m_layout->addStretch();
    m_runDrag = [](QDrag* drag) { return drag->exec(Qt::MoveAction); };
    for (CProfilePresetDef* preset : channel->m_presets) {
        // A profile file may hold an inverted range or a default outside it.
        if (preset->m_dmxStart > preset->m_dmxEnd)
            std::swap(preset->m_dmxStart, preset->m_dmxEnd);
        preset->m_dmxDefault = std::clamp(preset->m_dmxDefault, preset->m_dmxStart, preset->m_dmxEnd);
        m_rows << new CProfilePresetCtrl(preset, channel, LoadPresetPicture(preset->m_icon), this);
    }
    RebuildLayout();
}

CProfilePresetsWnd::~CProfilePresetsWnd()
{
    // A pair carried by an unfinished drag is out of the channel.
    if (m_movingPreset && !m_channel->m_presets.contains(m_movingPreset))
        delete m_movingPreset;
}

void CProfilePresetsWnd::RebuildLayout()
{
    for (CProfilePresetCtrl* row : m_rows)
        m_layout->removeWidget(row);
    for (int i = m_rows.size() - 1; i >= 0; --i)
        m_layout->addWidget(m_rows[i]);
}

void CProfilePresetsWnd::ClearSelection()
{
    for (CProfilePresetCtrl* row : m_rows)
        row->SetSelected(false);
    m_selection.clear();
}

void CProfilePresetsWnd::Select(int index, bool add)
{
    if (!add)
        ClearSelection();
    if (index >= 0 && index < m_rows.size()) {
        m_rows[index]->SetSelected(true);
        if (!m_selection.contains(index))
            m_selection << index;
    }
    emit selChanged();
}

bool CProfilePresetsWnd::PlaceAfter(CProfilePresetDef& last, CProfilePresetDef& preset)
{
    if (last.m_dmxEnd == 255) {
        if (last.m_dmxStart == 255)
            return false;
        last.m_dmxEnd = quint8(m_width == -1 ? (last.m_dmxStart + 255) / 2 : std::max(254 - m_width, int(last.m_dmxStart)));
        last.UpdateDefaultValue();
    }
    const int start = last.m_dmxEnd + 1;
    SetRange(preset, start, m_width == -1 ? 255 : std::min(start + m_width, 255));
    return true;
}

// Gives `preset` a range in front of preset `index` (index 0 to the count),
// taking room from its neighbours; false when they have none to give.
bool CProfilePresetsWnd::PlaceBefore(int index, CProfilePresetDef& preset)
{
    const QList<CProfilePresetDef*>& presets = m_channel->m_presets;
    CProfilePresetDef* before = index > 0 ? presets[index - 1] : nullptr;
    CProfilePresetDef* at = index < presets.size() ? presets[index] : nullptr;
    if (!before && !at) {
        SetRange(preset, 0, m_width == -1 ? 255 : m_width);
    } else if (!before) {
        if (at->m_dmxStart == 0) {
            if (at->m_dmxEnd == 0)
                return false;
            const int start = m_width == -1 ? at->m_dmxEnd / 2 : std::min(m_width + 1, int(at->m_dmxEnd));
            // The neighbour keeps at least one value, the new preset too.
            at->m_dmxStart = quint8(std::max(start, 1));
            at->UpdateDefaultValue();
        }
        SetRange(preset, 0, at->m_dmxStart - 1);
    } else if (!at) {
        return PlaceAfter(*before, preset);
    } else if (before->m_dmxEnd < at->m_dmxStart - 1) {
        SetRange(preset, before->m_dmxEnd + 1, at->m_dmxStart - 1);
    } else if (at->m_dmxStart == at->m_dmxEnd) {
        if (before->m_dmxStart == before->m_dmxEnd)
            return false;
        const int oldEnd = before->m_dmxEnd;
        const int end = m_width == -1 ? (oldEnd + before->m_dmxStart) / 2
                                      : std::max(oldEnd - m_width - 1, int(before->m_dmxStart));
        before->m_dmxEnd = quint8(std::min(end, oldEnd - 1));
        before->UpdateDefaultValue();
        SetRange(preset, before->m_dmxEnd + 1, oldEnd);
    } else {
        const int oldStart = at->m_dmxStart;
        const int start = m_width == -1 ? (oldStart + at->m_dmxEnd) / 2
                                        : std::min(oldStart + m_width + 1, int(at->m_dmxEnd));
        at->m_dmxStart = quint8(std::max(start, oldStart + 1));
        at->UpdateDefaultValue();
        SetRange(preset, oldStart, at->m_dmxStart - 1);
    }
    return true;
}

bool CProfilePresetsWnd::InsertPreset(int& index, CProfilePresetDef* preset, CProfilePresetCtrl* row)
{
    QList<CProfilePresetDef*>& presets = m_channel->m_presets;
    const int count = presets.size();
    if (index < -1 || index > count)
        index = -1;
    const bool autoHalf = preset->m_type == 2 && preset->m_effectType == -2;
    const int at = index == -1 ? count : index;
    if (!PlaceBefore(at, *preset)) {
        ShowHost().ShowInformation(GetLangText(Txt::Error), GetLangText(Txt::CannotInsertPreset));
        return false;
    }
    ClearSelection();
    row->SetSelected(true);
    if (autoHalf) {
        if (at > 0 && presets[at - 1]->m_type == 1)
            preset->m_colors[0] = presets[at - 1]->m_colors[0];
        if (at < count && presets[at]->m_type == 1)
            preset->m_colors[1] = presets[at]->m_colors[0];
    }
    presets.insert(at, preset);
    m_rows.insert(at, row);
    index = at;
    m_selection << at;
    RebuildLayout();
    row->show();
    if (preset->m_type == kGoboType && at > 0 && presets[at - 1]->m_type == kGoboType) {
        if (presets[at - 1]->m_rotary)
            row->SetRotary(true);
        if (presets[at - 1]->m_shake)
            row->SetShake(true);
    }
    preset->UpdateDefaultValue();
    RefreshRows(preset, false);
    return true;
}

int CProfilePresetsWnd::AddPresetAt(int index, const SPresetPayload& picture)
{
    auto* preset = new CProfilePresetDef;
    preset->m_type = picture.type;
    preset->m_name = picture.name;
    preset->m_icon = picture.iconPath;
    if (picture.type == 1)
        preset->m_colors[0] = Argb(picture.colors[0]);
    if (picture.type == 2) {
        for (int i = 0; i < 4; ++i)
            preset->m_colors[i] = Argb(picture.colors[i]);
    }
    if (TakesDefaultMark(picture.type)) {
        const auto& presets = m_channel->m_presets;
        preset->m_defaultPreset = std::none_of(presets.begin(), presets.end(),
                                               [](const CProfilePresetDef* p) { return p->m_defaultPreset; });
    }
    // A preset's colour count or its picture's parameter is its effect type.
    preset->m_effectType = picture.count;
    preset->SetTypeDefaults(kZoomRange);
    auto* row = new CProfilePresetCtrl(preset, m_channel, picture.picture, this);
    int at = index;
    if (!InsertPreset(at, preset, row)) {
        delete row;
        delete preset;
        at = -1;
    }
    emit selChanged();
    if (at >= 0)
        emit presetAdded(at);
    return at;
}

void CProfilePresetsWnd::UpdatePresetAt(int index, const SPresetPayload& picture)
{
    const QList<CProfilePresetDef*>& presets = m_channel->m_presets;
    if (index < 0 || index >= presets.size())
        return;
    CProfilePresetDef& preset = *presets[index];
    preset.m_type = picture.type;
    preset.m_icon = picture.iconPath;
    if (picture.type == 1)
        preset.m_colors[0] = Argb(picture.colors[0]);
    if (picture.type == 2) {
        const bool autoHalf = picture.count == -2;
        const CProfilePresetDef* before = index > 0 ? presets[index - 1] : nullptr;
        const CProfilePresetDef* after = index + 1 < presets.size() ? presets[index + 1] : nullptr;
        preset.m_colors[0] = autoHalf && before && before->m_type == 1 ? before->m_colors[0] : Argb(picture.colors[0]);
        preset.m_colors[1] = autoHalf && after && after->m_type == 1 ? after->m_colors[0] : Argb(picture.colors[1]);
    }
    preset.m_effectType = picture.count;
    preset.SetTypeDefaults(kZoomRange);
    m_rows[index]->SetPicture(picture.picture);
}

void CProfilePresetsWnd::RefreshRows(CProfilePresetDef* preset, bool takeWidth)
{
    if (takeWidth && preset)
        m_width = preset->m_dmxEnd - preset->m_dmxStart;
    for (CProfilePresetCtrl* row : m_rows)
        row->Refresh();
}

void CProfilePresetsWnd::PushFollowingPresets(int index)
{
    const QList<CProfilePresetDef*>& presets = m_channel->m_presets;
    for (int j = index + 1; j < presets.size(); ++j) {
        CProfilePresetDef& preset = *presets[j];
        const int start = std::min(presets[j - 1]->m_dmxEnd + 1, 255);
        if (preset.m_dmxStart != start) {
            preset.m_dmxStart = quint8(start);
            preset.UpdateDefaultValue();
        }
        if (preset.m_dmxEnd >= preset.m_dmxStart)
            break;
        preset.m_dmxEnd = preset.m_dmxDefault = preset.m_dmxStart;
    }
}

void CProfilePresetsWnd::PushPrecedingPresets(int index)
{
    const QList<CProfilePresetDef*>& presets = m_channel->m_presets;
    for (int j = std::min(index, int(presets.size())) - 1; j >= 0; --j) {
        CProfilePresetDef& preset = *presets[j];
        const int end = std::max(presets[j + 1]->m_dmxStart - 1, 0);
        if (preset.m_dmxEnd != end) {
            preset.m_dmxEnd = quint8(end);
            preset.UpdateDefaultValue();
        }
        if (preset.m_dmxStart <= preset.m_dmxEnd)
            break;
        preset.m_dmxStart = preset.m_dmxDefault = preset.m_dmxEnd;
    }
}

void CProfilePresetsWnd::SetDefaultPreset(CProfilePresetCtrl* row, bool on)
{
    row->SetDefaultPreset(on);
    if (!on)
        return;
    for (CProfilePresetCtrl* other : m_rows) {
        if (other != row)
            other->SetDefaultPreset(false);
    }
}

void CProfilePresetsWnd::DeletePresetCtrl(CProfilePresetCtrl* row)
{
    const int index = m_rows.indexOf(row);
    if (index < 0)
        return;
    m_layout->removeWidget(row);
    delete m_channel->m_presets.takeAt(index);
    m_rows.removeAt(index);
    row->SetPreset(nullptr);
    row->hide();
    // The row may be running its own delete button's slot.
    row->deleteLater();
    m_selection.removeAll(index);
    for (int& selected : m_selection) {
        if (selected > index)
            --selected;
    }
    emit selChanged();
}

void CProfilePresetsWnd::DeleteSelected()
{
    QList<int> indices = m_selection;
    std::sort(indices.begin(), indices.end(), std::greater<int>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    for (int index : indices) {
        if (index < 0 || index >= m_rows.size())
            continue;
        CProfilePresetCtrl* row = m_rows.takeAt(index);
        m_layout->removeWidget(row);
        delete m_channel->m_presets.takeAt(index);
        row->SetPreset(nullptr);
        row->hide();
        row->deleteLater();
    }
    m_selection.clear();
    emit selChanged();
}

void CProfilePresetsWnd::mousePressEvent(QMouseEvent* event)
{
    m_dragging = false;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (!ctrl)
        m_selection.clear();
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i]->geometry().contains(event->pos())) {
            m_rows[i]->SetSelected(true);
            if (!m_selection.contains(i))
                m_selection << i;
        } else if (!ctrl) {
            m_rows[i]->SetSelected(false);
        }
    }
    emit selChanged();
    update();
}

void CProfilePresetsWnd::mouseMoveEvent(QMouseEvent* event)
{
    if ((event->buttons() & Qt::LeftButton) && m_selection.size() == 1 && !m_dragging)
        StartDrag(m_selection.first(), event->modifiers() & Qt::ControlModifier);
}

void CProfilePresetsWnd::StartDrag(int index, bool copy)
{
    if (index < 0 || index >= m_rows.size() || m_movingPreset)
        return;
    m_dragging = true;
    m_copy = copy;
    m_movingPreset = m_channel->m_presets[index];
    m_movingRow = m_rows[index];
    m_movingFrom = index;
    m_movingStart = m_movingPreset->m_dmxStart;
    m_movingEnd = m_movingPreset->m_dmxEnd;
    m_movingDefault = m_movingPreset->m_dmxDefault;
    if (!copy) {
        m_channel->m_presets.removeAt(index);
        m_rows.removeAt(index);
        m_layout->removeWidget(m_movingRow);
        m_movingRow->hide();
    }
    SPresetPayload payload;
    payload.picture = m_movingRow->Picture();
    payload.type = m_movingPreset->m_type;
    payload.name = m_movingPreset->m_name;
    payload.iconPath = m_movingPreset->m_icon;
    payload.count = m_movingPreset->m_effectType;
    for (int i = 0; i < 4; ++i)
        payload.colors[i] = qint32(m_movingPreset->m_colors[i].rgba());
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kPresetMimeType), EncodePresetPayload(payload));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(payload.picture);
    drag->setHotSpot(QPoint(payload.picture.width() / 2, payload.picture.height() / 2));
    const QPointer<QDrag> guard(drag);
    m_runDrag(drag);
    if (guard)
        guard->deleteLater();
    // Not taken by a drop here: a copy was never taken out, a move goes back.
    if (m_movingPreset) {
        if (m_copy)
            ForgetMoving(false);
        else
            RestoreMoving();
    }
    update();
}

void CProfilePresetsWnd::RestoreMoving()
{
    const int at = std::clamp(m_movingFrom, 0, int(m_rows.size()));
    SetRange(*m_movingPreset, m_movingStart, m_movingEnd);
    m_movingPreset->m_dmxDefault = quint8(m_movingDefault);
    m_channel->m_presets.insert(at, m_movingPreset);
    m_rows.insert(at, m_movingRow);
    RebuildLayout();
    m_movingRow->show();
    RefreshRows(nullptr, false);
    ForgetMoving(false);
}

void CProfilePresetsWnd::ForgetMoving(bool free)
{
    if (free) {
        delete m_movingPreset;
        if (m_movingRow) {
            m_movingRow->hide();
            m_movingRow->deleteLater();
        }
    }
    m_movingPreset = nullptr;
    m_movingRow = nullptr;
}

void CProfilePresetsWnd::FinishMove(int index)
{
    if (!m_movingPreset || !m_movingRow) {
        ForgetMoving(true);
        return;
    }
    int at = index;
    if (InsertPreset(at, m_movingPreset, m_movingRow)) {
        m_movingRow->show();
        ForgetMoving(false);
    } else if (m_copy) {
        ForgetMoving(true);
    } else {
        RestoreMoving();
    }
}

int CProfilePresetsWnd::DropIndexAt(const QPoint& point) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        const QRect row = m_rows[i]->geometry();
        if (point.y() > row.bottom())
            return i;
        if (point.y() >= row.top())
            return i + 1;
    }
    return -1;
}

QRect CProfilePresetsWnd::DropRectAt(const QPoint& point) const
{
    const QRect list = rect().adjusted(0, 0, 1, 1);
    if (m_rows.isEmpty())
        return rect();
    const auto band = [&](int top, int bottom) { return QRect(QPoint(list.left(), top), QPoint(list.right(), bottom)); };
    for (int i = 0; i < m_rows.size(); ++i) {
        const QRect row = m_rows[i]->geometry();
        if (point.y() >= row.top() && point.y() <= row.bottom())
            return band(row.top(), row.bottom() + 1);
        if (point.y() > row.bottom())
            return band(row.bottom() + 1, i == 0 ? list.bottom() : m_rows[i - 1]->geometry().top());
    }
    return band(list.top(), m_rows.last()->geometry().top());
}

void CProfilePresetsWnd::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(QLatin1String(kPresetMimeType)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CProfilePresetsWnd::dragMoveEvent(QDragMoveEvent* event)
{
    if (!event->mimeData()->hasFormat(QLatin1String(kPresetMimeType))) {
        event->ignore();
        return;
    }
    const QRect old = m_dropRect;
    m_dropRect = DropRectAt(event->pos());
    event->setDropAction(Qt::MoveAction);
    event->accept();
    update(old.united(m_dropRect));
}

void CProfilePresetsWnd::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_dropRect = QRect();
    update();
    event->accept();
}

void CProfilePresetsWnd::dropEvent(QDropEvent* event)
{
    m_dropRect = QRect();
    update();
    if (!event->mimeData()->hasFormat(QLatin1String(kPresetMimeType))) {
        event->ignore();
        return;
    }
    const int index = DropIndexAt(event->pos());
    if (m_movingPreset) {
        if (m_copy) {
            auto* copy = new CProfilePresetDef(*m_movingPreset);
            copy->m_defaultPreset = false;
            m_movingRow = new CProfilePresetCtrl(copy, m_channel, m_movingRow->Picture(), this);
            m_movingPreset = copy;
        }
        FinishMove(index);
    } else {
        SPresetPayload picture;
        if (!DecodePresetPayload(event->mimeData()->data(QLatin1String(kPresetMimeType)), picture))
            ShowHost().ShowInformation(GetLangText(Txt::Error), GetLangText(Txt::CannotInsertPreset));
        else if (event->keyboardModifiers() & Qt::ControlModifier)
            UpdatePresetAt(index - 1, picture);
        else
            AddPresetAt(index, picture);
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void CProfilePresetsWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_dropRect.isValid())
        painter.fillRect(m_dropRect.adjusted(0, 0, -1, -1), QColor(219, 219, 232));
}
