#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

// The two colours of a colour dimmer channel as a vertical bar: the end
// colour at the top, the start colour at the bottom, a swatch for each. A
// click picks the swatch whose colour SetColor changes.
class CGradientColorCtrl : public QWidget
{
    Q_OBJECT
public:
    enum Swatch { Start = 0, End = 1 };

    // An invalid colour stands for the channel's default: black at the
    // start, white at the end.
    CGradientColorCtrl(const QColor& start, const QColor& end, QWidget* parent = nullptr);

    QColor GetStartColor() const { return m_colors[Start]; }
    QColor GetEndColor() const { return m_colors[End]; }
    // The selected swatch's colour, fully opaque.
    void SetColor(const QColor& color);

    int Selected() const { return m_selected; }
    QRect SwatchRect(int swatch) const { return m_swatches[swatch]; }
    QRect BarRect() const { return m_bar; }

signals:
    void selChanged(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateLayout();

    int m_selected = End;
    QRect m_bar;
    QRect m_swatches[2];
    QColor m_colors[2];
};
