#pragma once

#include <QWidget>

class CTimeScaleCtrl;

// The zoom of the time ruler beside it: a slider between a zoom-out and a
// zoom-in button.
class CTimeScaleHeader : public QWidget
{
    Q_OBJECT
public:
    explicit CTimeScaleHeader(CTimeScaleCtrl& ruler, QWidget* parent = nullptr);

    void SetValue(int value);
    int Value() const { return m_value; }
    int SliderX() const { return m_sliderX; }
    bool IsDragging() const { return m_dragging; }

signals:
    void zoomChanged(int zoom);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ValueFromX(int x);
    QRect Track() const { return rect().adjusted(40, 0, -40, 0); }
    QRect ZoomOutRect() const { return QRect(QPoint(1, 4), QPoint(32, 35)); }
    QRect ZoomInRect() const { return QRect(QPoint(width() - 35, 4), QPoint(width() - 4, 35)); }

    CTimeScaleCtrl& m_ruler;
    int m_value = -1;
    int m_sliderX = 0;
    bool m_dragging = false;
    bool m_zoomInPressed = false;
    bool m_zoomOutPressed = false;
};
