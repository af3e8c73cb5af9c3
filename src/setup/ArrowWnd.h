#pragma once

#include <QWidget>

// The vertical arrow beside the preset list: higher values stand higher.
class CArrowWnd : public QWidget
{
    Q_OBJECT
public:
    explicit CArrowWnd(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
