#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

// The painted fader of the preset controls: title on top, value below, a
// track filled up to the handle in the colour of its component.
//
// The owner sets the range and value directly, keeps the value inside the
// range and calls UpdateCursor; a press or drag by the user moves the
// handle and reports the new value.
class CProSlider : public QWidget
{
    Q_OBJECT
public:
    // The master flag gives the fader the stronger look of master controls.
    CProSlider(const QString& title, bool master, QWidget* parent = nullptr);

    int m_min = 0;
    int m_max = 255;
    int m_value = 0;
    // 0 plain, 1 red, 2 green, 3 blue, 4 cyan, 5 magenta, 6 yellow, 7 white.
    int m_colorKind = 0;

    QString Title() const { return m_title; }
    void SetTitle(const QString& title);
    bool IsMaster() const { return m_master; }
    void UpdateCursor();

    static QColor KindColor(int kind);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void sliderMoved(int value);

protected:
    // The value the handle takes for a press at `pos`, inside the range.
    virtual int ValueAt(const QPoint& pos) const;
    int ClampedValue() const;
    // Position of v along a track of `length` pixels, 0 at the minimum.
    int Offset(int v, int length) const;
    int ValueAtOffset(int offset, int length) const;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    QRect TrackRect() const;
    QColor HandleColor() const;

    QString m_title;
    bool m_master;
    bool m_dragging = false;

    static constexpr int kHandle = 10;
};
