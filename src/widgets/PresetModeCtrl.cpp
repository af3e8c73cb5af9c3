#include "widgets/PresetModeCtrl.h"

#include "Captions.h"
#include "model/Language.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

PresetEditTargetSource g_editTargetSource = nullptr;

bool IsState(int state)
{
    return state >= PresetModeOn && state <= PresetModeFx;
}

} // namespace

int NextPresetMode(int state, int target, bool rightButton)
{
    if (!IsState(state) || state == PresetModeFx)
        return state;
    if (target == PresetModeOff)
        return PresetModeOff;
    if (target != PresetModeOn && target != PresetModeLive)
        return state;
    switch (state) {
    case PresetModeMixed:
        return rightButton ? PresetModeOff : target;
    case PresetModeOff:
        return target;
    default: // on or live
        return PresetModeOff;
    }
}

void SetPresetEditTargetSource(PresetEditTargetSource source)
{
    g_editTargetSource = source;
}

int PresetEditTarget()
{
    return g_editTargetSource ? g_editTargetSource() : PresetModeLive;
}

CPresetModeCtrl::CPresetModeCtrl(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CPresetModeCtrl::SetState(int state)
{
    if (!IsState(state) || state == m_state)
        return;
    m_state = state;
    update();
}

QSize CPresetModeCtrl::sizeHint() const
{
    return QSize(34, std::max(16, fontMetrics().height() + 2));
}

void CPresetModeCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (m_state == PresetModeFx)
        return;
    const int next = NextPresetMode(m_state, PresetEditTarget(), event->button() == Qt::RightButton);
    if (next == m_state)
        return;
    m_state = next;
    update();
    emit modeChanged(next == PresetModeOn || next == PresetModeLive);
}

void CPresetModeCtrl::paintEvent(QPaintEvent*)
{
    struct Look {
        int caption;
        QColor fill;
    };
    static const Look looks[] = {
        {Txt::ModeOn, QColor(96, 190, 96)},   {Txt::ModeOff, QColor(150, 150, 150)},
        {Txt::ModeMixed, QColor(226, 178, 64)}, {Txt::ModeLive, QColor(84, 140, 226)},
        {Txt::ModeFx, QColor(176, 104, 216)},
    };
    const Look& look = looks[m_state];
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QColor(70, 70, 70));
    painter.setBrush(isEnabled() ? look.fill : look.fill.lighter(140));
    painter.drawRoundedRect(box, 3, 3);
    painter.setPen(m_state == PresetModeOff ? QColor(40, 40, 40) : Qt::white);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, GetLangText(look.caption));
}
