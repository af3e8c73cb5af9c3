#include "setup/BeamsView.h"

#include "setup/BeamItem.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor kSelectedBeam(247, 182, 131);
const QColor kUnselectedBeam(156, 156, 164);
const QColor kRubberOutline(229, 121, 72);
const QColor kOutline(60, 60, 60);
const QColor kFrame(115, 115, 110);
const QColor kGridLine(200, 200, 200);
constexpr int kFirstBeam = 10;
constexpr int kBeamsPerRow = 10;
// Profile files keep their positions within a thousand cells; a position
// held in memory gets the same bound before it becomes pixels.
constexpr float kMaxPosition = 1000.0f;

int PositionToPixels(float position)
{
    if (!std::isfinite(position))
        return 0;
    return int(std::clamp(position, -kMaxPosition, kMaxPosition) * float(CBeamItem::kCellSize));
}

} // namespace

CBeamsView::CBeamsView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    SetViewSize(600, 400);
}

CBeamsView::~CBeamsView()
{
    qDeleteAll(m_beams);
}

void CBeamsView::AddBeam(CBeamItem* beam)
{
    if (beam && !m_beams.contains(beam))
        m_beams.append(beam);
}

void CBeamsView::ClearBeams()
{
    qDeleteAll(m_beams);
    m_beams.clear();
    update();
}

void CBeamsView::FitToBeams()
{
    QRect bounds(0, 0, 0, 0);
    bounds.setRight(-1);
    bounds.setBottom(-1);
    for (const CBeamItem* beam : qAsConst(m_beams)) {
        bounds.setRight(std::max(bounds.right(), beam->m_rect.right()));
        bounds.setBottom(std::max(bounds.bottom(), beam->m_rect.bottom()));
    }
    bounds.adjust(0, 0, kGrid, kGrid);
    const int side = std::max(bounds.width(), bounds.height());
    const int twice = std::min(2 * side, kMaxSide);
    SetViewSize(std::max(100, twice), std::max(60, twice));
    for (CBeamItem* beam : qAsConst(m_beams))
        beam->m_rect = KeptInView(beam->m_rect);
}

void CBeamsView::SetViewSize(int width, int height)
{
    width = std::clamp(width, 1, kMaxSide);
    height = std::clamp(height, 1, kMaxSide);
    m_viewRect = QRect(0, 0, width, height);
    setFixedSize(width, height);
    BuildBackground();
}

void CBeamsView::BuildBackground()
{
    m_background = QPixmap(size());
    m_background.fill(Qt::white);
    QPainter painter(&m_background);
    painter.setPen(kGridLine);
    for (int i = 1; i <= m_viewRect.width() / kGrid; ++i)
        painter.drawLine(i * kGrid, m_viewRect.top(), i * kGrid, m_viewRect.bottom());
    for (int i = 1; i <= m_viewRect.height() / kGrid; ++i)
        painter.drawLine(0, i * kGrid, width(), i * kGrid);
    update();
}

bool CBeamsView::SelectIn(const QRect& rect)
{
    bool hit = false;
    for (CBeamItem* beam : qAsConst(m_beams)) {
        if (beam->m_rect.intersects(rect)) {
            beam->m_selected = true;
            hit = true;
        }
    }
    return hit;
}

void CBeamsView::UnselectAll()
{
    for (CBeamItem* beam : qAsConst(m_beams))
        beam->m_selected = false;
}

QRect CBeamsView::KeptInView(QRect rect) const
{
    if (rect.left() < m_viewRect.left())
        rect.translate(m_viewRect.left() - rect.left(), 0);
    else if (rect.right() > m_viewRect.right())
        rect.translate(m_viewRect.right() - rect.right(), 0);
    if (rect.top() < m_viewRect.top())
        rect.translate(0, m_viewRect.top() - rect.top());
    else if (rect.bottom() > m_viewRect.bottom())
        rect.translate(0, m_viewRect.bottom() - rect.bottom());
    return rect;
}

QRect CBeamsView::MovedRect(const CBeamItem* beam, int dx, int dy) const
{
    QRect rect = beam->m_savedRect.translated(dx, dy);
    rect.translate(-(rect.left() % kGrid), -(rect.top() % kGrid));
    return KeptInView(rect);
}

void CBeamsView::MoveBeam(CBeamItem* beam, int dx, int dy)
{
    beam->m_rect = MovedRect(beam, dx, dy);
}

void CBeamsView::LayOutInRows(int count, int shapeType)
{
    ClearBeams();
    count = std::clamp(count, 0, CFixtureProfile::kMaxBeams);
    QPoint at(kFirstBeam, kFirstBeam);
    for (int n = 1; n <= count; ++n) {
        auto* beam = new CBeamItem(shapeType, n);
        beam->MoveTopLeft(at);
        AddBeam(beam);
        if (n % kBeamsPerRow == 0)
            at = QPoint(kFirstBeam, at.y() + CBeamItem::kCellSize);
        else
            at.rx() += CBeamItem::kCellSize;
    }
    FitToBeams();
}

void CBeamsView::LoadPositions(const QVector<CBeamPosition>& positions, int shapeType)
{
    ClearBeams();
    if (positions.size() < 2) {
        auto* beam = new CBeamItem(shapeType, 1);
        beam->MoveTopLeft(QPoint(kFirstBeam, kFirstBeam));
        AddBeam(beam);
        FitToBeams();
        return;
    }
    QPoint least(0, 0);
    for (int i = 0; i < positions.size(); ++i) {
        auto* beam = new CBeamItem(shapeType, i + 1);
        beam->MoveTopLeft(QPoint(PositionToPixels(positions[i].x), PositionToPixels(positions[i].y)));
        least.setX(std::min(least.x(), beam->m_rect.left()));
        least.setY(std::min(least.y(), beam->m_rect.top()));
        AddBeam(beam);
    }
    for (CBeamItem* beam : qAsConst(m_beams))
        beam->m_rect.translate(-least);
    FitToBeams();
}

QVector<CBeamPosition> CBeamsView::StoredPositions() const
{
    QVector<CBeamPosition> positions;
    if (m_beams.size() < 2)
        return positions;
    CBeamPosition least{65535.0f, 65535.0f};
    for (const CBeamItem* beam : m_beams) {
        const CBeamPosition position{float(beam->m_rect.left()) / float(CBeamItem::kCellSize),
                                     float(beam->m_rect.top()) / float(CBeamItem::kCellSize)};
        least.x = std::min(least.x, position.x);
        least.y = std::min(least.y, position.y);
        positions.append(position);
    }
    for (CBeamPosition& position : positions) {
        position.x -= least.x;
        position.y -= least.y;
    }
    return positions;
}

void CBeamsView::paintEvent(QPaintEvent*)
{
    // One picture for every view, loaded when first needed.
    static const QPixmap rubber(QStringLiteral(":/Orvane/Images/Fixtures/2D/Select.png"));
    QPainter painter(this);
    if (m_background.isNull())
        painter.fillRect(rect(), Qt::white);
    else
        painter.drawPixmap(0, 0, m_background);
    for (CBeamItem* beam : qAsConst(m_beams)) {
        beam->SetColor(beam->m_selected ? kSelectedBeam : kUnselectedBeam);
        painter.setPen(kOutline);
        beam->m_symbol.DrawSymbol(painter, beam->m_rect.topLeft(), 1.0f);
    }
    if (m_rubberBand) {
        painter.drawPixmap(m_rubberRect, rubber);
        painter.setPen(kRubberOutline);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(m_rubberRect);
    }
    painter.setPen(kFrame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CBeamsView::mousePressEvent(QMouseEvent* event)
{
    m_pressPoint = event->pos();
    m_control = event->modifiers() & Qt::ControlModifier;
    const auto found = std::find_if(m_beams.cbegin(), m_beams.cend(),
                                    [this](const CBeamItem* beam) { return beam->m_rect.contains(m_pressPoint); });
    if (found == m_beams.cend()) {
        m_rubberBand = true;
        m_rubberRect = QRect();
        return;
    }
    CBeamItem* hit = *found;
    const bool wasSelected = hit->m_selected;
    hit->m_selected = true;
    if (!m_control && !wasSelected) {
        for (CBeamItem* beam : qAsConst(m_beams))
            beam->m_selected = beam == hit;
    } else if (m_control && wasSelected) {
        hit->m_selected = false;
    }
    for (CBeamItem* beam : qAsConst(m_beams))
        beam->m_savedRect = beam->m_rect;
    m_dragging = true;
    m_moved = false;
    update();
}

void CBeamsView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint delta = event->pos() - m_pressPoint;
    if (m_rubberBand) {
        m_rubberRect = QRect(std::min(m_pressPoint.x(), event->pos().x()), std::min(m_pressPoint.y(), event->pos().y()),
                             std::abs(delta.x()), std::abs(delta.y()));
        update();
    } else if (m_dragging) {
        // Whoever keeps the layout elsewhere hears of it before the first
        // beam leaves its place.
        if (!m_moved && std::any_of(m_beams.cbegin(), m_beams.cend(), [this, delta](const CBeamItem* beam) {
                return beam->m_selected && MovedRect(beam, delta.x(), delta.y()) != beam->m_rect;
            })) {
            m_moved = true;
            emit beamsMoving();
        }
        for (CBeamItem* beam : qAsConst(m_beams)) {
            if (beam->m_selected)
                MoveBeam(beam, delta.x(), delta.y());
        }
        update();
    }
}

void CBeamsView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_rubberBand) {
        m_rubberBand = false;
        const QRect band = m_rubberRect.isValid() ? m_rubberRect : QRect(event->pos(), QSize(1, 1));
        m_rubberRect = QRect();
        if (!m_control)
            UnselectAll();
        if (!SelectIn(band) && m_control)
            UnselectAll();
        update();
    } else if (m_dragging) {
        m_dragging = false;
    }
    emit selChanged();
}
