#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

// The hue and saturation wheel of the colour picker. A press or drag picks
// the colour under the pointer at full brightness; the picker hears of
// every colour set, whoever set it.
class CColorCircle : public QWidget
{
    Q_OBJECT
public:
    explicit CColorCircle(QWidget* parent = nullptr);

    QColor Color() const { return m_color; }
    // Ignored while a colour is already being passed on, which ends the
    // loop of a picker owner that answers a change by setting the colour
    // again. With flag 1 the picker's sliders follow too.
    void SetColor(const QColor& color, int flag);
    bool IsUpdating() const { return m_updating; }

    int Radius() const;
    QPoint Centre() const;

    // The wheel at full value, `radius` pixels round, transparent outside:
    // hue 0 to the right growing anticlockwise, saturation from the centre.
    static QImage WheelImage(int radius);
    // Colour of the wheel at `offset` from its centre (y down), saturation
    // full beyond the rim.
    static QColor ColorAt(const QPoint& offset, int radius);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void colorSet(const QColor& color, int flag);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void PickAt(const QPoint& pos);

    QColor m_color = Qt::white;
    bool m_updating = false;
    bool m_dragging = false;
    QImage m_wheel;
};
