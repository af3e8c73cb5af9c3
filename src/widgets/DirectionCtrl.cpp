#include "widgets/DirectionCtrl.h"

CDirectionCtrl::CDirectionCtrl(eDirection direction, QWidget* parent)
    : CDirectionPad({-1, DirUp, -1, DirLeft, DirNone, DirRight, -1, DirDown, -1},
                    {0, 90, 0, 180, 0, 0, 0, 270, 0}, direction, parent)
{
    qRegisterMetaType<eDirection>("eDirection");
}
