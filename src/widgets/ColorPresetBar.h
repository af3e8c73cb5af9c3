#pragma once

#include <QColor>
#include <QList>
#include <QPoint>
#include <QWidget>

// A strip of colour swatches of the colour picker. A press picks the
// swatch's colour; where dragging is allowed the swatch can also be pulled
// onto a preset list as a colour preset.
class CColorPresetBar : public QWidget
{
    Q_OBJECT
public:
    CColorPresetBar(const QList<QColor>& colors, bool dragAllowed, QWidget* parent = nullptr);

    QList<QColor> Colors() const { return m_colors; }
    void SetColors(const QList<QColor>& colors);
    bool DragAllowed() const { return m_dragAllowed; }

    QRect SwatchRect(int index) const;
    int SwatchAt(const QPoint& pos) const;

    QSize sizeHint() const override;

signals:
    void colorPressed(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void StartDrag(const QColor& color);

    QList<QColor> m_colors;
    bool m_dragAllowed;
    int m_pressedSwatch = -1;
    QPoint m_pressPos;
};
