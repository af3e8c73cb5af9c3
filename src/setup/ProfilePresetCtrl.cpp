#include "setup/ProfilePresetCtrl.h"

#include "setup/ProfilePresetsWnd.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/ProfileChannelDef.h"
#include "model/ProfilePresetDef.h"
#include "show/MultiColorRect.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kGoboType = 7;
constexpr int kSquare = 48;
const QColor kOutline(115, 115, 110);

QLineEdit* ValueEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setValidator(new QIntValidator(0, 255, edit));
    edit->setAlignment(Qt::AlignCenter);
    edit->setMaximumWidth(30);
    return edit;
}

// What the operator typed, held to a DMX value; anything else reads as 0.
int TypedValue(const QLineEdit* edit)
{
    return std::clamp(edit->text().toInt(), 0, 255);
}

QHBoxLayout* Row()
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    return row;
}

const QPixmap& Mark(bool rotary)
{
    static const QPixmap rotaryMark(QStringLiteral(":/Orvane/Images/Channels/Rotary.png"));
    static const QPixmap shakeMark(QStringLiteral(":/Orvane/Images/Channels/Shake.png"));
    return rotary ? rotaryMark : shakeMark;
}

} // namespace

CProfilePresetCtrl::CProfilePresetCtrl(CProfilePresetDef* preset, CProfileChannelDef* channel,
                                       const QPixmap& picture, CProfilePresetsWnd* list)
    : QWidget(list), m_picture(picture), m_preset(preset), m_channel(channel), m_list(list),
      m_name(new QLineEdit(preset->m_name, this)), m_start(ValueEdit(this)), m_default(ValueEdit(this)),
      m_end(ValueEdit(this)), m_defaultBox(new QCheckBox(GetLangText(Txt::DefaultPreset), this)),
      m_delete(new QPushButton(this))
{
    m_defaultBox->setChecked(preset->m_defaultPreset);
    m_delete->setIcon(QIcon(QStringLiteral(":/Orvane/Images/Patch/Remove.png")));
    m_delete->setFixedSize(22, 22);
    m_delete->setAutoDefault(false);
    const bool gobo = preset->m_type == kGoboType;

    auto* names = new QVBoxLayout;
    names->setContentsMargins(0, 6, 0, 4);
    names->setSpacing(2);
    names->addWidget(m_name);
    QHBoxLayout* marks = Row();
    marks->addWidget(m_defaultBox);
    marks->addWidget(m_delete);
    names->addLayout(marks);
    if (gobo) {
        m_rotary = new QCheckBox(GetLangText(Txt::PresetRotary), this);
        m_shake = new QCheckBox(GetLangText(Txt::PresetShake), this);
        m_rotary->setChecked(preset->m_rotary);
        m_shake->setChecked(preset->m_shake);
        QHBoxLayout* goboMarks = Row();
        goboMarks->addWidget(m_rotary);
        goboMarks->addWidget(m_shake);
        names->addLayout(goboMarks);
        connect(m_rotary, &QCheckBox::stateChanged, this, &CProfilePresetCtrl::OnPresetRotaryChanged);
        connect(m_shake, &QCheckBox::stateChanged, this, &CProfilePresetCtrl::OnPresetShakeChanged);
    }
    auto* values = new QVBoxLayout;
    values->setContentsMargins(2, 4, 4, 4);
    values->setSpacing(2);
    values->addWidget(m_end);
    values->addWidget(m_default);
    values->addWidget(m_start);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addSpacing(60);
    layout->addLayout(names);
    layout->addLayout(values);
    setFixedHeight(gobo ? 65 : 60);

    connect(m_name, &QLineEdit::editingFinished, this, &CProfilePresetCtrl::OnNameChanged);
    connect(m_start, &QLineEdit::editingFinished, this, &CProfilePresetCtrl::OnStartChanged);
    connect(m_default, &QLineEdit::editingFinished, this, &CProfilePresetCtrl::OnDefaultChanged);
    connect(m_end, &QLineEdit::editingFinished, this, &CProfilePresetCtrl::OnEndChanged);
    connect(m_defaultBox, &QCheckBox::stateChanged, this, &CProfilePresetCtrl::OnDefaultPresetChanged);
    connect(m_delete, &QPushButton::pressed, this, &CProfilePresetCtrl::OnPresetDelete);
    Refresh();
    m_created.start();
}

int CProfilePresetCtrl::Index() const
{
    return m_list->Rows().indexOf(const_cast<CProfilePresetCtrl*>(this));
}

void CProfilePresetCtrl::SetPicture(const QPixmap& picture)
{
    m_picture = picture;
    update();
}

void CProfilePresetCtrl::SetSelected(bool on)
{
    m_selected = on;
    update();
}

void CProfilePresetCtrl::Refresh()
{
    if (!m_preset)
        return;
    m_start->setText(QString::number(m_preset->m_dmxStart));
    m_default->setText(QString::number(m_preset->m_dmxDefault));
    m_end->setText(QString::number(m_preset->m_dmxEnd));
}

void CProfilePresetCtrl::SetDefaultPreset(bool on)
{
    m_preset->m_defaultPreset = on;
    const QSignalBlocker blocker(m_defaultBox);
    m_defaultBox->setChecked(on);
}

void CProfilePresetCtrl::SetRotary(bool on)
{
    m_preset->m_rotary = on;
    if (m_rotary) {
        const QSignalBlocker blocker(m_rotary);
        m_rotary->setChecked(on);
    }
    update();
}

void CProfilePresetCtrl::SetShake(bool on)
{
    m_preset->m_shake = on;
    if (m_shake) {
        const QSignalBlocker blocker(m_shake);
        m_shake->setChecked(on);
    }
    update();
}

void CProfilePresetCtrl::OnPresetDelete()
{
    if (m_created.elapsed() < kDeleteGuardMs)
        return;
    m_list->DeletePresetCtrl(this);
}

void CProfilePresetCtrl::OnNameChanged()
{
    if (m_preset)
        m_preset->m_name = m_name->text();
}

void CProfilePresetCtrl::OnStartChanged()
{
    const int i = Index();
    if (i < 0)
        return;
    int start = std::min(TypedValue(m_start), int(m_preset->m_dmxEnd));
    // Every preset below keeps room for one value.
    start = std::max(start, std::min(i, 255));
    m_preset->m_dmxStart = quint8(start);
    m_preset->m_dmxEnd = std::max(m_preset->m_dmxEnd, m_preset->m_dmxStart);
    if (i > 0 && start <= m_channel->m_presets[i - 1]->m_dmxEnd)
        m_list->PushPrecedingPresets(i);
    FinishRangeEdit();
}

void CProfilePresetCtrl::OnEndChanged()
{
    const int i = Index();
    if (i < 0)
        return;
    const int last = m_channel->m_presets.size() - 1;
    int end = std::max(TypedValue(m_end), int(m_preset->m_dmxStart));
    // Every preset above keeps room for one value.
    end = std::min(end, std::max(255 - (last - i), 0));
    m_preset->m_dmxEnd = quint8(end);
    m_preset->m_dmxStart = std::min(m_preset->m_dmxStart, m_preset->m_dmxEnd);
    if (i < last && end >= m_channel->m_presets[i + 1]->m_dmxStart)
        m_list->PushFollowingPresets(i);
    FinishRangeEdit();
}

void CProfilePresetCtrl::FinishRangeEdit()
{
    m_preset->UpdateDefaultValue();
    m_list->RefreshRows(m_preset, true);
}

void CProfilePresetCtrl::OnDefaultChanged()
{
    if (!m_preset)
        return;
    m_preset->m_dmxDefault = quint8(std::clamp(TypedValue(m_default), int(m_preset->m_dmxStart), int(m_preset->m_dmxEnd)));
    m_default->setText(QString::number(m_preset->m_dmxDefault));
}

void CProfilePresetCtrl::OnDefaultPresetChanged(int state)
{
    if (!m_preset)
        return;
    m_preset->m_defaultPreset = state == Qt::Checked;
    if (m_preset->m_defaultPreset)
        m_list->SetDefaultPreset(this, true);
}

void CProfilePresetCtrl::OnPresetRotaryChanged(int state)
{
    SetRotary(state == Qt::Checked);
}

void CProfilePresetCtrl::OnPresetShakeChanged(int state)
{
    SetShake(state == Qt::Checked);
}

void CProfilePresetCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_selected)
        painter.fillRect(rect(), QColor(176, 176, 196));
    const QRect square(6, (height() - kSquare) / 2, kSquare, kSquare);
    if (m_preset && m_preset->m_type == 1) {
        painter.fillRect(square, m_preset->m_colors[0]);
        painter.setPen(kOutline);
        painter.drawRect(square);
    } else if (m_preset && m_preset->m_type == 2) {
        // The automatic half colour shows the two colours it took.
        const int count = m_preset->m_effectType == -2 ? 2 : m_preset->UsedColorCount();
        DrawMultiColorRect(painter, square, std::max(count, 1), m_preset->m_colors);
        painter.setPen(kOutline);
        painter.drawRect(square);
    } else {
        painter.drawPixmap(square, m_picture);
        if (m_preset && m_preset->m_type == kGoboType) {
            if (m_preset->m_rotary)
                painter.drawPixmap(square, Mark(true));
            if (m_preset->m_shake)
                painter.drawPixmap(square, Mark(false));
        }
    }
    painter.setPen(kOutline);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
