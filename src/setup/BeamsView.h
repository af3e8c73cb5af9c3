#pragma once

#include "model/FixtureProfile.h"

#include <QList>
#include <QPixmap>
#include <QRect>
#include <QVector>
#include <QWidget>

class CBeamItem;

// The drawing area in which the beams of a multi-beam fixture are laid out:
// beams are picked by click, Control-click or rubber band and dragged on a
// 10-pixel grid, never out of the view. The view owns its beams.
class CBeamsView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kGrid = 10;
    // The beam-number choice offers 1 to 128 beams for a new layout; a
    // profile may hold up to CFixtureProfile::kMaxBeams.
    static constexpr int kMaxBeams = 128;
    // However far a profile file places its beams, the view (and its
    // background pixmap) stays this size at most; beams beyond it are
    // pulled in to its edge.
    static constexpr int kMaxSide = 2400;

    explicit CBeamsView(QWidget* parent = nullptr);
    ~CBeamsView() override;

    // Takes ownership; an item already shown is not added twice.
    void AddBeam(CBeamItem* beam);
    void ClearBeams();

    int BeamCount() const { return m_beams.size(); }
    const QList<CBeamItem*>& Beams() const { return m_beams; }
    QRect ViewRect() const { return m_viewRect; }

    // The default layout of `count` beams (0 to CFixtureProfile::kMaxBeams)
    // in rows of ten from (10, 10), numbered from 1.
    void LayOutInRows(int count, int shapeType);
    // The profile's layout: with two positions or more one beam per
    // position, a position being 20 pixels a unit; otherwise one beam at
    // (10, 10). Positions that are not numbers count as 0 and a layout
    // reaching above or left of the view is shifted into it.
    void LoadPositions(const QVector<CBeamPosition>& positions, int shapeType);
    // The layout as the profile stores it: none for a single beam, else
    // one position per beam with the smallest x and y brought to 0.
    QVector<CBeamPosition> StoredPositions() const;

signals:
    void selChanged();
    // A drag is about to move beams: the layout the view holds changes.
    void beamsMoving();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void FitToBeams();
    // Sizes are kept between 1 and kMaxSide.
    void SetViewSize(int width, int height);
    void BuildBackground();
    // Selects the beams the rectangle meets and says whether there was one.
    bool SelectIn(const QRect& rect);
    void UnselectAll();
    // The same rectangle shifted back inside the view.
    QRect KeptInView(QRect rect) const;
    // The beam's saved rectangle moved by (dx, dy), snapped to the grid and
    // kept inside the view.
    QRect MovedRect(const CBeamItem* beam, int dx, int dy) const;
    void MoveBeam(CBeamItem* beam, int dx, int dy);

    QRect m_viewRect;
    QRect m_rubberRect;
    QPoint m_pressPoint;
    bool m_control = false;
    bool m_rubberBand = false;
    bool m_dragging = false;
    bool m_moved = false; // the current drag has moved a beam
    QPixmap m_background;
    QList<CBeamItem*> m_beams;
};
