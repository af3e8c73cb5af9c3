#pragma once

#include "widgets/DirectionPad.h"

#include <QMetaType>

// The way a curve travels across a matrix, named by where it moves to;
// none spreads it by phase alone.
enum eFullDirection {
    FullDirNone = 0,
    FullDirLeft = 1,
    FullDirUpLeft = 2,
    FullDirUp = 3,
    FullDirUpRight = 4,
    FullDirRight = 5,
    FullDirDownRight = 6,
    FullDirDown = 7,
    FullDirDownLeft = 8
};
Q_DECLARE_METATYPE(eFullDirection)

// The eight-arrow pad of the curve effect page.
class CFullDirectionCtrl : public CDirectionPad
{
    Q_OBJECT
public:
    explicit CFullDirectionCtrl(eFullDirection direction, QWidget* parent = nullptr);

    eFullDirection Direction() const { return eFullDirection(DirectionValue()); }
    void SetDirection(eFullDirection direction) { SetDirectionValue(direction); }

signals:
    void dirChanged(eFullDirection direction);

protected:
    void Report(int direction) override { emit dirChanged(eFullDirection(direction)); }
};
