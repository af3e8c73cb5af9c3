#pragma once

#include "layout/view/FixtureDrawer.h"

#include <QRect>

// One beam (cell) of a multi-beam fixture in the beam layout: the profile's
// symbol in a 20 x 20 cell labelled with the beam number, where the user
// placed it. The view that shows it owns it.
class CBeamItem
{
public:
    static constexpr int kCellSize = 20;

    // A shape outside the four known ones draws as a rectangle.
    CBeamItem(int shapeType, int beamNumber);

    // Keeps the size.
    void MoveTopLeft(const QPoint& topLeft) { m_rect.moveTopLeft(topLeft); }
    // The colour of the symbol's beam, written before each paint.
    void SetColor(const QColor& color);

    bool m_selected = false;
    QRect m_rect;
    // The rectangle when a drag began.
    QRect m_savedRect;
    CFixtureDrawer m_symbol;
};
