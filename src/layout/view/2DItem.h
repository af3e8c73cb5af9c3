#pragma once

#include "layout/view/FixtureItem.h"

// A plain rectangle of the layout without fixture, selected as a whole.
class C2DItem : public CFixtureItem
{
public:
    C2DItem(int shapeType, int labelNumber) : CFixtureItem(shapeType, labelNumber, FixtureType) {}

    void Unselect() override { m_selected = false; }
    void Draw(QPainter& painter, float scale) override;
    bool SelectAt(const QPoint& point, bool toggle) override;
    bool SelectInRect(const QRect& rect, bool toggle) override;
};
