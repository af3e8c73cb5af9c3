#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

// Four colour squares of a half colour, the current one framed: the colour
// tab's picker paints the current square.
class CMultiColorSelect : public QWidget
{
    Q_OBJECT
public:
    explicit CMultiColorSelect(QWidget* parent = nullptr);

    int Current() const { return m_current; }
    int ColorCount() const { return m_count; }
    QColor Color(int index) const { return m_colors[index]; }
    QRect Square(int index) const { return m_squares[index]; }
    // A current square beyond the new count falls back to the first.
    void SetColorCount(int count);

public slots:
    void OnCurrentColorChanged(const QColor& color);

signals:
    void colorChanged(int index, const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceSquares();

    int m_current = 0;
    int m_count = 2;
    QRect m_squares[4];
    QColor m_colors[4] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255), QColor(255, 255, 0)};
};
