#pragma once

#include "effects/Effect.h"

#include <QVector>

// Moving heads along a closed figure: control points (16-bit pan X, tilt Y)
// expanded into a ring of path points, one step per path point.
class CPanTiltEffect : public CEffect
{
public:
    enum Shape : int { Random = 0, Lines = 1, Circle = 2, Star = 3, Cross = 4, Flower = 5, Vortex = 6 };

    CPanTiltEffect();
    // Control vectors sized to the control count; the path copied only when
    // the source has path points.
    CPanTiltEffect(const CPanTiltEffect& other);

    bool IsPanTilt() const override { return true; }
    QString GetName() const override;
    // The control count becomes the number of points read.
    void Load(CXmlDocument& doc) override;
    void Save(CXmlDocument& doc) const override;

    int m_shapeType = Lines;
    int m_start = 0;        // path point written into step 0
    int m_nbControls = 4;
    int m_pathCount = 8;    // m_nbControls * m_nbPtsPerCtrl after a rebuild; not stored
    int m_nbPtsPerCtrl = 2;
    int m_fade = 600;       // ms per step
    int m_offsetX = 0;      // coarse pan offset between neighbouring fixtures
    int m_offsetY = 0;
    bool m_sens = false;    // walk the path backwards
    QVector<int> m_controlX;
    QVector<int> m_controlY;
    QVector<int> m_pathX;   // built from the control points, not stored
    QVector<int> m_pathY;
};
