#include "widgets/FullDirectionCtrl.h"

CFullDirectionCtrl::CFullDirectionCtrl(eFullDirection direction, QWidget* parent)
    : CDirectionPad({FullDirUpLeft, FullDirUp, FullDirUpRight, FullDirLeft, FullDirNone, FullDirRight,
                     FullDirDownLeft, FullDirDown, FullDirDownRight},
                    {135, 90, 45, 180, 0, 0, 225, 270, 315}, direction, parent)
{
    qRegisterMetaType<eFullDirection>("eFullDirection");
}
