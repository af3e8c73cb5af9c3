#include "live/SceneButton.h"

#include "show/Scene.h"
#include "widgets/HProSlider.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDataStream>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int kCorner = 16;
constexpr int kFaderHeight = 18;
} // namespace

CSceneButton::CSceneButton(CScene* scene, int index, QWidget* parent)
    : QWidget(parent)
    , m_scene(scene)
    , m_index(index)
{
    setFixedSize(kWidth, kHeight);
    setToolTip(scene ? scene->m_name : QString());
}

void CSceneButton::SetMarked(bool marked)
{
    if (marked == m_marked)
        return;
    m_marked = marked;
    update();
}

void CSceneButton::SetCurrent(bool current)
{
    if (current == m_current)
        return;
    m_current = current;
    update();
}

void CSceneButton::ShowLevelFader(int percent)
{
    if (!m_levelFader) {
        m_levelFader = new CHProSlider(QString(), false, this);
        m_levelFader->m_min = 0;
        m_levelFader->m_max = 100;
        m_levelFader->setGeometry(2, kHeight - kFaderHeight - 2, kWidth - 4, kFaderHeight);
        connect(m_levelFader, &CProSlider::sliderMoved, this, [this](int value) { emit levelMoved(m_index, value); });
    }
    m_levelFader->m_value = std::clamp(percent, 0, 100);
    m_levelFader->UpdateCursor();
}

QRect CSceneButton::OptionsRect() const
{
    return QRect(width() - kCorner - 2, 2, kCorner, kCorner);
}

QSize CSceneButton::sizeHint() const
{
    return QSize(kWidth, kHeight);
}

void CSceneButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const QColor fill = m_marked ? QColor(229, 121, 72) : palette().color(QPalette::Button);
    painter.setPen(QPen(m_current ? palette().color(QPalette::Highlight) : QColor(90, 90, 90), m_current ? 2.5 : 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(body, 5, 5);

    const bool ownPicture = m_scene && !m_scene->m_defaultButtonPicture && !m_scene->m_pictureMissing;
    const QRect textArea = rect().adjusted(6, 4, -kCorner - 4, m_levelFader ? -kFaderHeight - 4 : -4);
    if (ownPicture) {
        const QImage& picture = m_marked && !m_scene->m_highlightedPicture.isNull() ? m_scene->m_highlightedPicture
                                                                                   : m_scene->m_picture;
        painter.drawImage(textArea, picture);
    }
    painter.setPen(m_marked ? Qt::white : palette().color(QPalette::ButtonText));
    painter.drawText(textArea, Qt::AlignCenter | Qt::TextWordWrap, m_scene ? m_scene->m_name : QString());

    // The options corner: a small downward arrow.
    const QRect corner = OptionsRect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_marked ? QColor(255, 255, 255, 200) : QColor(90, 90, 90));
    const QPointF c = corner.center();
    painter.drawPolygon(QPolygonF({QPointF(c.x() - 4, c.y() - 2), QPointF(c.x() + 4, c.y() - 2), QPointF(c.x(), c.y() + 3)}));
}

void CSceneButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (OptionsRect().contains(event->pos())) {
        m_pressing = false;
        emit optionsRequested(m_index);
        return;
    }
    m_pressing = true;
    m_pressPos = event->pos();
}

void CSceneButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressing || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->pos() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    m_pressing = false;
    emit dragRequested(m_index);
}

void CSceneButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressing)
        return;
    m_pressing = false;
    if (rect().contains(event->pos()))
        emit pressed(m_index);
}

void CSceneButton::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    emit menuRequested(m_index, event->globalPos());
}
