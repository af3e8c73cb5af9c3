#include "setup/AssignBeamWnd.h"

#include "model/FixtureProfile.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include <algorithm>

namespace {

const QColor kBackground(240, 240, 240);
const QColor kHeader(219, 219, 232);
const QColor kGrid(115, 115, 110);
constexpr int kFirstCellX = CAssignBeamWnd::kCell + CAssignBeamWnd::kNameWidth;

} // namespace

CAssignBeamWnd::CAssignBeamWnd(CFixtureProfile* profile, QWidget* parent) : QWidget(parent)
{
    if (profile) {
        m_mode = profile->CurrentMode();
        m_beamCount = std::clamp(int(profile->m_beams.size()), 1, kMaxColumns);
    }
    for (int row = 0; row < ChannelCount(); ++row) {
        QByteArray& beams = m_mode->m_channels[row]->m_beams;
        for (int i = beams.size() - 1; i >= 0; --i) {
            if (quint8(beams.at(i)) >= m_beamCount)
                beams.remove(i, 1);
        }
    }
    // Each row is drawn as it is exposed, so a table of hundreds of rows
    // and beams costs no picture of its whole size.
    setFixedSize(TableWidth(m_beamCount), TableHeight(ChannelCount()));
}

int CAssignBeamWnd::ChannelCount() const
{
    return m_mode ? m_mode->ChannelCount() : 0;
}

QRect CAssignBeamWnd::CellRect(int row, int column) const
{
    if (row < 0 || row >= ChannelCount() || column < 0 || column > m_beamCount)
        return QRect();
    return QRect(kFirstCellX + kCell * column, kCell + kCell * row, kCell, kCell);
}

void CAssignBeamWnd::PaintTable(QPainter& painter, int firstRow, int lastRow)
{
    const int w = width();
    const int top = kCell * (firstRow + 1);
    const int bottom = kCell * (lastRow + 2);
    painter.fillRect(QRect(0, top, w, bottom - top), kBackground);
    painter.setPen(Qt::black);
    if (firstRow < 0) {
        painter.fillRect(QRect(0, 0, w, kCell), kHeader);
        painter.drawText(QRect(0, 0, kCell, kCell), Qt::AlignCenter, QStringLiteral("#"));
        painter.drawText(QRect(kCell, 0, kNameWidth, kCell), Qt::AlignCenter, QStringLiteral("Channels"));
        painter.drawText(QRect(kFirstCellX, 0, kCell, kCell), Qt::AlignCenter, QStringLiteral("All"));
        for (int b = 0; b < m_beamCount; ++b)
            painter.drawText(QRect(kFirstCellX + kCell * (b + 1), 0, kCell, kCell), Qt::AlignCenter,
                             QString::number(b + 1));
    }
    for (int row = std::max(firstRow, 0); row <= lastRow; ++row) {
        const int y = kCell * (row + 1);
        painter.drawText(QRect(0, y, kCell, kCell), Qt::AlignCenter, QString::number(row + 1));
        painter.drawText(QRect(25, y, 290, kCell), Qt::AlignLeft | Qt::AlignVCenter,
                         m_mode->m_channels.at(row)->m_name);
    }
    painter.setPen(kGrid);
    for (int line = std::max(firstRow + 1, 0); line <= std::min(lastRow + 2, ChannelCount() + 1); ++line)
        painter.drawLine(0, kCell * line, w, kCell * line);
    painter.drawLine(0, top, 0, bottom);
    painter.drawLine(kCell, top, kCell, bottom);
    for (int column = 0; column <= m_beamCount + 1; ++column)
        painter.drawLine(kFirstCellX + kCell * column, top, kFirstCellX + kCell * column, bottom);
}

void CAssignBeamWnd::paintEvent(QPaintEvent* event)
{
    // One picture for every table, loaded when first needed.
    static const QPixmap check(QStringLiteral(":/Orvane/Images/Patch/Check.png"));
    QPainter painter(this);
    const QRect exposed = event->rect();
    // Row -1 is the header.
    const int firstRow = std::max(exposed.top() / kCell - 1, -1);
    const int lastRow = std::min(exposed.bottom() / kCell - 1, ChannelCount() - 1);
    PaintTable(painter, firstRow, lastRow);
    for (int row = std::max(firstRow, 0); row <= lastRow; ++row) {
        const QByteArray& beams = m_mode->m_channels.at(row)->m_beams;
        if (beams.isEmpty())
            painter.drawPixmap(CellRect(row, 0).topLeft() + QPoint(2, 2), check);
        for (char beam : beams) {
            const QRect cell = CellRect(row, quint8(beam) + 1);
            if (cell.isValid())
                painter.drawPixmap(cell.topLeft() + QPoint(2, 2), check);
        }
    }
}

void CAssignBeamWnd::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->pos() - QPoint(kFirstCellX, kCell);
    if (p.x() < 0 || p.y() < 0)
        return;
    const int row = p.y() / kCell;
    const int column = p.x() / kCell;
    if (!CellRect(row, column).isValid())
        return;
    QByteArray& beams = m_mode->m_channels[row]->m_beams;
    if (column == 0) {
        beams.clear();
    } else {
        const char beam = char(quint8(column - 1));
        const int at = beams.indexOf(beam);
        if (at >= 0)
            beams.remove(at, 1);
        else
            beams.append(beam);
    }
    update();
}
