#include "editors/GradientCtrl.h"

#include "app/options/AppOptions.h"
#include "effects/GradientEffect.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kInset = 10;
constexpr int kBand = 21;
constexpr int kPegSide = 10;

// Time scale steps by length: below `upTo` ms a labelled tick every `unit`
// ms, with `divisions` minor intervals between two of them.
struct CScaleStep
{
    qint64 upTo;
    int unit;
    int divisions;
};
constexpr CScaleStep kScaleSteps[] = {
    {5000, 200, 5},          {10000, 400, 5},        {20000, 1000, 5},        {120000, 5000, 5},
    {360000, 15000, 5},      {1200000, 60000, 6},    {7200000, 300000, 5},    {21600000, 900000, 5},
    {std::numeric_limits<qint64>::max(), 3600000, 6},
};

QString Format(int hours, int minutes, const QString& seconds, bool noSeconds)
{
    if (!hours && !minutes)
        return CGradientCtrl::tr("%1s").arg(seconds);
    if (!hours)
        return noSeconds ? CGradientCtrl::tr("%1m").arg(minutes) : CGradientCtrl::tr("%1m %2s").arg(minutes).arg(seconds);
    if (!minutes)
        return noSeconds ? CGradientCtrl::tr("%1h").arg(hours) : CGradientCtrl::tr("%1h %2s").arg(hours).arg(seconds);
    if (noSeconds)
        return CGradientCtrl::tr("%1h %2m").arg(hours).arg(minutes);
    return CGradientCtrl::tr("%1h %2m %3s").arg(hours).arg(minutes).arg(seconds);
}

} // namespace

CGradientCtrl::CGradientCtrl(QWidget* parent)
    : QWidget(parent)
{
    m_colors << CRgbwColor(0, 0, 0) << CRgbwColor(255, 255, 255);
    m_positions << 0.0 << 1.0;
    m_pegRects << QRect() << QRect();
    m_background = PanelBackground();
    setMinimumWidth(80);
    setFixedHeight(90);
}

CGradientCtrl::~CGradientCtrl()
{
    delete m_scalePixmap;
}

QString CGradientCtrl::FormatSeconds(double seconds)
{
    int hours = 0;
    int minutes = 0;
    if (seconds >= 3600.0) {
        hours = int(seconds / 3600.0);
        seconds -= hours * 3600.0;
    }
    if (seconds >= 60.0) {
        minutes = int(seconds / 60.0);
        seconds -= minutes * 60.0;
    }
    return Format(hours, minutes, QString::number(seconds), seconds == 0.0);
}

QString CGradientCtrl::TickLabel(int k) const
{
    // k × unit first: 0.2 × 3 in binary is not 0.6.
    return FormatSeconds(double(m_majorUnit) * k / 1000.0);
}

void CGradientCtrl::SetPegs(const CGradientEffect& effect)
{
    struct CPeg
    {
        double position;
        CRgbwColor color;
    };
    QList<CPeg> pegs;
    const int count = qMin(effect.m_pegColors.size(), effect.m_pegPositions.size());
    for (int i = 0; i < count; ++i) {
        const double position = effect.m_pegPositions.at(i);
        if (std::isfinite(position))
            pegs << CPeg{qBound(0.0, position, 1.0), effect.m_pegColors.at(i)};
    }
    std::stable_sort(pegs.begin(), pegs.end(), [](const CPeg& a, const CPeg& b) { return a.position < b.position; });
    for (int i = pegs.size() - 1; i > 0; --i) {
        if (pegs.at(i).position == pegs.at(i - 1).position)
            pegs.removeAt(i);
    }
    if (pegs.isEmpty())
        pegs << CPeg{0.0, CRgbwColor(0, 0, 0)};
    if (pegs.size() == 1)
        pegs << CPeg{1.0, pegs.first().color};
    pegs.first().position = 0.0;
    pegs.last().position = 1.0;

    m_colors.clear();
    m_positions.clear();
    m_pegRects.clear();
    for (const CPeg& peg : pegs) {
        m_colors << peg.color;
        m_positions << peg.position;
        m_pegRects << QRect();
    }
    for (int i = 0; i < m_positions.size(); ++i)
        UpdatePegRect(i);
    if (m_selPeg >= m_positions.size())
        m_selPeg = -1;
    SetDuration(effect.m_len);
}

void CGradientCtrl::GetPegs(CGradientEffect& effect) const
{
    effect.m_pegColors = m_colors;
    effect.m_pegPositions = m_positions;
}

void CGradientCtrl::InsertPeg(double position, const CRgbwColor& color)
{
    if (m_positions.size() < 2 || !(position > 0.0 && position < 1.0) || m_positions.contains(position))
        return;
    int index = 1;
    while (index < m_positions.size() - 1 && m_positions.at(index) < position)
        ++index;
    m_positions.insert(index, position);
    m_colors.insert(index, color);
    m_pegRects.insert(index, QRect());
    UpdatePegRect(index);
    m_selPeg = index;
    emit pegChanged(index);
    update();
}

CRgbwColor CGradientCtrl::GetPegColor(int index) const
{
    return m_colors.value(index, CRgbwColor(0, 0, 0));
}

void CGradientCtrl::SetPegColor(int index, const CRgbwColor& color)
{
    if (index < 0 || index >= m_colors.size())
        return;
    m_colors[index] = color;
    update();
}

void CGradientCtrl::RemovePeg(int index)
{
    if (index <= 0 || index >= m_positions.size() - 1)
        return;
    m_positions.removeAt(index);
    m_colors.removeAt(index);
    m_pegRects.removeAt(index);
    if (m_selPeg == index)
        m_selPeg = -1;
    else if (m_selPeg > index)
        --m_selPeg;
    m_dragging = false;
    update();
}

void CGradientCtrl::SetDuration(int ms)
{
    m_duration = ms;
    UpdateScale();
}

void CGradientCtrl::UpdateScale()
{
    // A length of 0 would put every tick at infinity.
    const qint64 duration = qMax(1, m_duration);
    for (const CScaleStep& step : kScaleSteps) {
        if (duration < step.upTo) {
            m_majorUnit = step.unit;
            m_minorDivisions = step.divisions;
            break;
        }
    }
    m_majorSpacing = float(m_scaleArea.width()) * float(m_majorUnit) / float(duration);
    m_minorSpacing = m_majorSpacing / float(m_minorDivisions);
    DropScale();
}

void CGradientCtrl::DropScale()
{
    delete m_scalePixmap;
    m_scalePixmap = nullptr;
    update();
}

void CGradientCtrl::DrawScale()
{
    delete m_scalePixmap;
    m_scalePixmap = new QPixmap(qMax(1, m_scaleArea.width()), qMax(1, m_scaleArea.height()));
    m_scalePixmap->fill(QColor(200, 200, 200));
    QPainter painter(m_scalePixmap);
    painter.setPen(Qt::black);
    painter.setFont(QFont(QStringLiteral("Arial"), 7));
    const QRect frame = m_scalePixmap->rect();
    const int bottom = frame.bottom();
    if (m_majorSpacing > 0.0F) {
        // Enough ticks to cross the width, never more than pixels.
        const int ticks = int(qMin(float(frame.width()), float(frame.width()) / m_majorSpacing)) + 1;
        for (int k = 0; k <= ticks; ++k) {
            const float x = float(k) * m_majorSpacing;
            const QRect label(int(x - m_majorSpacing / 2.0F), 2, int(m_majorSpacing), bottom - 6 - 2);
            if (frame.contains(label))
                painter.drawText(label, Qt::AlignCenter, TickLabel(k));
            painter.drawLine(QPointF(x, bottom), QPointF(x, bottom - 5));
            for (int d = 1; d < m_minorDivisions; ++d) {
                const float minor = x + float(d) * m_minorSpacing;
                painter.drawLine(QPointF(minor, bottom), QPointF(minor, bottom - 3));
            }
        }
    }
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
}

int CGradientCtrl::PegX(double position) const
{
    return m_pegStrip.left() + int(m_pegStrip.width() * position);
}

double CGradientCtrl::PositionAt(int x) const
{
    return m_pegStrip.width() > 0 ? double(x - m_pegStrip.left()) / double(m_pegStrip.width()) : 0.0;
}

void CGradientCtrl::UpdatePegRect(int index)
{
    int x = PegX(m_positions.at(index));
    if (index == 0)
        x = m_pegStrip.left();
    else if (index == m_positions.size() - 1)
        x = m_pegStrip.right();
    m_pegRects[index] = QRect(x - kPegSide / 2, m_pegStrip.bottom() - kPegSide, kPegSide, kPegSide);
}

void CGradientCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QRect base = rect().adjusted(kInset, kInset, -kInset, -kInset);
    m_scaleArea = QRect(base.left(), base.top(), base.width(), kBand);
    m_pegStrip = QRect(base.left(), base.top() + kBand, base.width(), kBand);
    const int gradientTop = m_pegStrip.bottom() + 1;
    m_gradientArea = QRect(base.left(), gradientTop, base.width(), qMax(0, base.bottom() - gradientTop + 1));
    for (int i = 0; i < m_positions.size(); ++i)
        UpdatePegRect(i);
    UpdateScale();
}

void CGradientCtrl::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    if (!m_scalePixmap)
        DrawScale();
    painter.drawPixmap(m_scaleArea.topLeft(), *m_scalePixmap);

    const auto qcolor = [](const CRgbwColor& c) { return QColor(c.r, c.g, c.b); };
    painter.setPen(Qt::black);
    for (int i = 0; i < m_pegRects.size(); ++i) {
        if (i == m_selPeg)
            continue;
        painter.setBrush(qcolor(m_colors.at(i)));
        painter.drawEllipse(m_pegRects.at(i));
    }
    QLinearGradient gradient(m_gradientArea.left(), 0, m_gradientArea.right(), 0);
    for (int i = 0; i < m_positions.size(); ++i)
        gradient.setColorAt(m_positions.at(i), qcolor(m_colors.at(i)));
    painter.fillRect(m_gradientArea, gradient);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_gradientArea);
    if (m_selPeg >= 0 && m_selPeg < m_pegRects.size()) {
        const QRect peg = m_pegRects.at(m_selPeg);
        const int x = (peg.left() + peg.right()) / 2 + 1;
        painter.setPen(QColor(229, 121, 72));
        painter.drawLine(x, m_scaleArea.top() + 1, x, m_gradientArea.bottom() - 1);
        painter.setBrush(qcolor(m_colors.at(m_selPeg)));
        painter.drawEllipse(peg);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QColor(115, 115, 110));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CGradientCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int x = event->pos().x();
    if (x > m_pegStrip.left() && x < m_pegStrip.right())
        InsertPeg(PositionAt(x), CRgbwColor(255, 255, 255, 0));
}

void CGradientCtrl::mousePressEvent(QMouseEvent* event)
{
    for (int i = 0; i < m_pegRects.size(); ++i) {
        if (!m_pegRects.at(i).contains(event->pos()))
            continue;
        m_selPeg = i;
        if (i > 0 && i < m_pegRects.size() - 1) {
            m_dragMinX = m_pegRects.at(i - 1).right() + 7;
            m_dragMaxX = m_pegRects.at(i + 1).left() - 6;
            // Neighbours too close leave no room to move between them.
            m_dragging = m_dragMinX <= m_dragMaxX;
        }
        emit pegChanged(i);
        update();
        return;
    }
    if (m_selPeg != -1) {
        m_selPeg = -1;
        emit pegChanged(-1);
        update();
    }
}

void CGradientCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging || m_selPeg <= 0 || m_selPeg >= m_positions.size() - 1)
        return;
    const int x = qBound(m_dragMinX, event->pos().x(), m_dragMaxX);
    m_positions[m_selPeg] = PositionAt(x);
    UpdatePegRect(m_selPeg);
    emit pegMoved(m_selPeg);
    update();
}

void CGradientCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    Q_UNUSED(event);
    m_dragging = false;
}
