#pragma once

#include "widgets/DirectionPad.h"

#include <QMetaType>

// How text moves across a matrix: it enters at one edge and travels to the
// opposite one; none leaves it still.
enum eDirection { DirNone = 0, DirLeft = 1, DirRight = 2, DirUp = 3, DirDown = 4 };
Q_DECLARE_METATYPE(eDirection)

// The four-arrow pad of the text effect page.
class CDirectionCtrl : public CDirectionPad
{
    Q_OBJECT
public:
    explicit CDirectionCtrl(eDirection direction, QWidget* parent = nullptr);

    eDirection Direction() const { return eDirection(DirectionValue()); }
    void SetDirection(eDirection direction) { SetDirectionValue(direction); }

signals:
    void dirChanged(eDirection direction);

protected:
    void Report(int direction) override { emit dirChanged(eDirection(direction)); }
};
