#pragma once

#include <QTabWidget>

// A tab widget whose tab bar its users reach: the patch grids find the
// universe tab under the pointer through it.
class CZKTabWidget : public QTabWidget
{
public:
    using QTabWidget::QTabWidget;
    using QTabWidget::tabBar;
};
