#include "setup/2DFixtureWnd.h"

#include "model/LibraryProfile.h"

#include <QPainter>

C2DFixtureWnd::C2DFixtureWnd(CLibraryProfile* profile, QWidget* parent) : QWidget(parent)
{
    m_drawer.SetProfile(profile ? profile->m_shapeType : 0, 1, profile, 30, 30);
    setFixedSize(m_drawer.BoundingRect().size() + QSize(2, 2));
}

void C2DFixtureWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (QColor& beam : m_drawer.BeamColors())
        beam = QColor(156, 156, 164);
    painter.setPen(QColor(60, 60, 60));
    m_drawer.DrawSymbol(painter, QPoint(0, 0), 1.0f);
}
