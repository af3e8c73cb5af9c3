#include "widgets/ColorPresetBar.h"

#include "widgets/ColorPresetPayload.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kSwatch = 16;
constexpr int kGap = 3;
} // namespace

CColorPresetBar::CColorPresetBar(const QList<QColor>& colors, bool dragAllowed, QWidget* parent)
    : QWidget(parent)
    , m_colors(colors)
    , m_dragAllowed(dragAllowed)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
}

void CColorPresetBar::SetColors(const QList<QColor>& colors)
{
    m_colors = colors;
    m_pressedSwatch = -1;
    setFixedSize(sizeHint());
    update();
}

QRect CColorPresetBar::SwatchRect(int index) const
{
    return QRect(kGap + index * (kSwatch + kGap), kGap, kSwatch, kSwatch);
}

int CColorPresetBar::SwatchAt(const QPoint& pos) const
{
    for (int i = 0; i < m_colors.size(); ++i) {
        if (SwatchRect(i).contains(pos))
            return i;
    }
    return -1;
}

QSize CColorPresetBar::sizeHint() const
{
    return QSize(kGap + int(m_colors.size()) * (kSwatch + kGap), kSwatch + 2 * kGap);
}

void CColorPresetBar::mousePressEvent(QMouseEvent* event)
{
    const int i = event->button() == Qt::LeftButton ? SwatchAt(event->pos()) : -1;
    if (i < 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    m_pressedSwatch = i;
    m_pressPos = event->pos();
    emit colorPressed(m_colors[i]);
}

void CColorPresetBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragAllowed || m_pressedSwatch < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->pos() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    const QColor color = m_colors.value(m_pressedSwatch);
    m_pressedSwatch = -1;
    StartDrag(color);
}

void CColorPresetBar::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressedSwatch = -1;
    QWidget::mouseReleaseEvent(event);
}

void CColorPresetBar::StartDrag(const QColor& color)
{
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kPresetMimeType), EncodeColorPreset(color));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(ColorPresetPicture(color));
    drag->setHotSpot(QPoint(kColorPresetSize / 2, kColorPresetSize / 2));
    drag->exec(Qt::MoveAction);
}

void CColorPresetBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int i = 0; i < m_colors.size(); ++i) {
        const QRect r = SwatchRect(i);
        painter.fillRect(r, m_colors[i]);
        painter.setPen(QColor(60, 60, 60));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    }
}
