#pragma once

#include "effects/RgbwColor.h"

#include <QColor>
#include <QList>
#include <QRect>
#include <QWidget>

class CGradientEffect;
class QPixmap;

// The pegs of a gradient over a time scale of its length: a strip of peg
// markers above the gradient bar. A double-click adds a white peg, inner
// pegs are dragged between their neighbours; the first peg stays at 0.0 and
// the last at 1.0.
class CGradientCtrl : public QWidget
{
    Q_OBJECT
public:
    explicit CGradientCtrl(QWidget* parent = nullptr);
    ~CGradientCtrl() override;

    // Pegs as stored in files may be in any order or too few: the control
    // keeps at least two, sorted, distinct, from 0.0 to 1.0.
    void SetPegs(const CGradientEffect& effect);
    void GetPegs(CGradientEffect& effect) const;
    void InsertPeg(double position, const CRgbwColor& color);
    // Black for an index out of range.
    CRgbwColor GetPegColor(int index) const;
    void SetPegColor(int index, const CRgbwColor& color);
    // Inner pegs only.
    void RemovePeg(int index);
    void SetDuration(int ms);

    int SelectedPeg() const { return m_selPeg; }
    int PegCount() const { return m_positions.size(); }
    double PegPosition(int index) const { return m_positions.value(index, -1.0); }
    QRect PegRect(int index) const { return m_pegRects.value(index); }
    QRect PegStrip() const { return m_pegStrip; }
    int MajorUnit() const { return m_majorUnit; }
    float MajorSpacing() const { return m_majorSpacing; }
    // The text under labelled tick `k` of the scale.
    QString TickLabel(int k) const;

    static QString FormatSeconds(double seconds);

signals:
    void pegChanged(int index);
    void pegMoved(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void UpdateScale();
    void DrawScale();
    void UpdatePegRect(int index);
    int PegX(double position) const;
    double PositionAt(int x) const;
    void DropScale();

    int m_selPeg = 0;
    int m_duration = 60000;
    int m_majorUnit = 200;
    int m_minorDivisions = 5;
    float m_majorSpacing = 5.0F;
    float m_minorSpacing = 1.0F;
    bool m_dragging = false;
    int m_dragMinX = -1;
    int m_dragMaxX = -1;
    QRect m_scaleArea;
    QRect m_pegStrip;
    QRect m_gradientArea;
    QPixmap* m_scalePixmap = nullptr;
    QList<QRect> m_pegRects;
    QList<CRgbwColor> m_colors;
    QList<double> m_positions;
    QColor m_background;
};
