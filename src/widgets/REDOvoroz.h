#pragma once

#include <QSlider>

// A plain slider built from the orientation number that windows store:
// 1 horizontal, anything else vertical (as Qt numbers them).
class REDOvoroz : public QSlider
{
    Q_OBJECT
public:
    explicit REDOvoroz(int orientation, QWidget* parent = nullptr);
};
