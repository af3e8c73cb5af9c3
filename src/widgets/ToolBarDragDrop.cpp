#include "widgets/ToolBarDragDrop.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int kGripWidth = 8;
}

CToolBarDragDrop::CToolBarDragDrop(int id, const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_id(id)
    , m_title(title)
{
    setCursor(Qt::OpenHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

void CToolBarDragDrop::SetTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    updateGeometry();
    update();
}

QSize CToolBarDragDrop::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    return QSize(kGripWidth + 6 + metrics.horizontalAdvance(m_title) + 4, std::max(16, metrics.height() + 2));
}

void CToolBarDragDrop::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Grip: two columns of raised dots.
    for (int y = 3; y + 2 <= height() - 2; y += 4) {
        for (int x = 2; x < kGripWidth; x += 4) {
            painter.fillRect(x + 1, y + 1, 2, 2, QColor(255, 255, 255, 160));
            painter.fillRect(x, y, 2, 2, QColor(90, 90, 90));
        }
    }
    painter.setPen(QColor(40, 40, 40));
    painter.drawText(rect().adjusted(kGripWidth + 6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     m_title);
}

void CToolBarDragDrop::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressPos = event->pos();
    m_armed = true;
    event->accept();
}

void CToolBarDragDrop::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_armed || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->pos() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    m_armed = false;
    emit startDrag(m_id);
}

void CToolBarDragDrop::mouseReleaseEvent(QMouseEvent* event)
{
    m_armed = false;
    QWidget::mouseReleaseEvent(event);
}
