#pragma once

#include "widgets/ProSlider.h"

// The fader laid on its side: title at the left, value at the right, the
// minimum at the left end of the track.
class CHProSlider : public CProSlider
{
    Q_OBJECT
public:
    CHProSlider(const QString& title, bool master, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    int ValueAt(const QPoint& pos) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    QRect HTrackRect() const;
    int LabelWidth() const;
    int ValueWidth() const;
};
