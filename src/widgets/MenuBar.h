#pragma once

#include <QToolBar>

// A tool bar whose owner opens its menu on a right-button press anywhere on
// the bar outside its buttons.
class CMenuBar : public QToolBar
{
    Q_OBJECT
public:
    explicit CMenuBar(QWidget* parent = nullptr);

signals:
    void menuBar();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
