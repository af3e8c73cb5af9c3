#pragma once

#include <QWidget>

#include <array>

// A 3 x 3 pad of arrows around a centre that means "no direction". Each
// cell stands for one direction number (or none); the chosen cell stays lit.
// The two pads of the effect pages differ only in their cells and in the
// type their signal carries.
class CDirectionPad : public QWidget
{
    Q_OBJECT
public:
    QSize sizeHint() const override;

    // Cell of `pos` in row-major order, -1 outside the pad.
    int CellAt(const QPoint& pos) const;
    QRect CellRect(int cell) const;
    // Cell showing the direction, -1 when no cell does.
    int CellOf(int direction) const;

protected:
    // `cells` holds the direction of each cell, -1 for an empty one; the
    // centre cell holds 0. `angles` gives each arrow's heading in degrees.
    CDirectionPad(const std::array<int, 9>& cells, const std::array<int, 9>& angles, int direction, QWidget* parent);

    int DirectionValue() const { return m_direction; }
    // From code: no signal. A number no cell shows is kept but lights nothing.
    void SetDirectionValue(int direction);
    virtual void Report(int direction) = 0;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::array<int, 9> m_cells;
    std::array<int, 9> m_angles;
    int m_direction;
};
