#pragma once

#include <QDialog>
#include <QPixmap>
#include <QRect>
#include <QWidget>

class CSliderCtrl;
class QCheckBox;

// A range of the pan/tilt square as a rectangle on a 256-pixel grid, one
// pixel a percent: dragged by its edges, corners or body.
class CPanTiltScaleGrid : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kSide = 256;

    explicit CPanTiltScaleGrid(QWidget* parent = nullptr);

    // Offsets in DMX units (-255 to 255, y upward), sizes in percent; the
    // rectangle never leaves the square.
    void SetRect(int offsetX, int offsetY, int widthPercent, int heightPercent);
    QRect Rect() const { return m_rect; }

signals:
    // Left, right, then bottom and top measured upward from the bottom edge.
    void panTiltRectMoved(int left, int right, int upBottom, int upTop);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_grabbed = 0;
    bool m_pressed = false;
    QPoint m_lastDrag;
    QRect m_rect;
    QPixmap m_background;
};

// Chooses a pan/tilt range: width and height in percent, centre offsets in
// DMX units, typed or dragged, both in step.
class CPanTiltScaleDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CPanTiltScaleDlg(QWidget* parent = nullptr);

    CPanTiltScaleGrid* Grid() const { return m_grid; }
    CSliderCtrl* WidthSlider() const { return m_width; }
    CSliderCtrl* HeightSlider() const { return m_height; }
    CSliderCtrl* OffsetXSlider() const { return m_offsetX; }
    CSliderCtrl* OffsetYSlider() const { return m_offsetY; }
    QCheckBox* KeepProportions() const { return m_keep; }

public slots:
    void OnPanTiltRectMoved(int left, int right, int upBottom, int upTop);
    void OnWidthValueChanged(int value);
    void OnHeightValueChanged(int value);
    void OnOffsetXValueChanged(int value);
    void OnOffsetYValueChanged(int value);

private:
    void ApplyRect();

    bool m_updating = false;
    CPanTiltScaleGrid* m_grid;
    CSliderCtrl* m_width;
    CSliderCtrl* m_height;
    CSliderCtrl* m_offsetX;
    CSliderCtrl* m_offsetY;
    QCheckBox* m_keep;
};
