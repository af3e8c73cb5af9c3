#include "widgets/REDOvoroz.h"

REDOvoroz::REDOvoroz(int orientation, QWidget* parent)
    : QSlider(orientation == Qt::Horizontal ? Qt::Horizontal : Qt::Vertical, parent)
{
}
