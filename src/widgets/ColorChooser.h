#pragma once

#include "effects/RgbwColor.h"

#include <QList>
#include <QWidget>

// A row of colour swatches of which the first ones are in use. The owner
// reads and writes the colours and the selection directly; a press on a
// swatch in use selects it (Ctrl adds or removes it) and is reported.
class CColorChooser : public QWidget
{
    Q_OBJECT
public:
    CColorChooser(int swatches, int inUse, QWidget* parent = nullptr);

    QList<CRgbwColor> m_colors;
    QList<int> m_selected;

    int NbColors() const { return m_nbColors; }
    // Swatches from n on go out of use and out of the selection.
    void SetNbColors(int n);
    // Black for an index outside the list.
    CRgbwColor GetColor(int index) const;

    // Swatch under `pos`, -1 for none.
    int SwatchAt(const QPoint& pos) const;
    QRect SwatchRect(int index) const;

    QSize sizeHint() const override;

signals:
    void selChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_nbColors;
};
