#include "setup/BeamItem.h"

CBeamItem::CBeamItem(int shapeType, int beamNumber)
{
    const int shape = shapeType >= CFixtureDrawer::Rectangle && shapeType <= CFixtureDrawer::Triangle
                          ? shapeType
                          : int(CFixtureDrawer::Rectangle);
    m_symbol.SetProfile(shape, beamNumber, nullptr, kCellSize, kCellSize);
    m_rect = m_symbol.BoundingRect();
    m_savedRect = m_rect;
}

void CBeamItem::SetColor(const QColor& color)
{
    QList<QColor>& colors = m_symbol.BeamColors();
    if (!colors.isEmpty())
        colors[0] = color;
}
