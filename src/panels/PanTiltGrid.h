#pragma once

#include <QPixmap>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QVector>
#include <QWidget>

class CPanTiltEffect;
class CPanTiltShape;

// The grid of the pan/tilt path editor: the control points of the bound
// effect and the path through them. The operator selects and drags points,
// picks the start point, adds and removes points, or scales and moves the
// whole figure with a box. Positions are 16-bit, tilt growing upward.
class CPanTiltGrid : public QWidget
{
    Q_OBJECT
public:
    enum { ModeDefault = 0, ModeStart = 1, ModeMove = 2, ModeAdd = 3, ModeRemove = 4 };
    static constexpr int kRange = 65535;
    static constexpr int kSide = 256;

    explicit CPanTiltGrid(CPanTiltShape& shape, QWidget* parent = nullptr);
    ~CPanTiltGrid() override;

    void DefaultMode() { SetMode(ModeDefault); }
    void StartMode();
    void MoveMode() { SetMode(ModeMove); }
    void AddMode() { SetMode(ModeAdd); }
    void RemoveMode() { SetMode(ModeRemove); }
    int EditMode() const { return m_mode; }

    // The path rebuilt through the effect's points; the box too when asked.
    void Rebuild(bool withBox);
    void RebuildLists();

    int PointCount() const;
    // -1 without control points.
    int CurrentPoint() const { return PointCount() > 0 ? m_current : -1; }
    int StartPoint() const { return m_start; }
    // False without control points.
    bool CurrentPosition(int& pan, int& tilt) const;
    // The current control point takes the position (held to 0-65535).
    void SetCurrentPosition(int pan, int tilt);

    const QVector<QPoint>& ControlPoints() const { return m_controlPts; }
    const QVector<QPoint>& PathPoints() const { return m_pathPts; }
    QRect Box() const { return m_box; }
    double Speed() const { return m_speed; }
    void SetSpeed(double speed) { m_speed = speed; }
    QPoint ToScreen(int pan, int tilt) const;

    // The preview: contents cached while it animates, a red square at the
    // previewed position.
    void SetAnimating(bool on);
    bool IsAnimating() const { return m_animating; }
    void SetPreviewPosition(int pan, int tilt);
    QPoint PreviewCursor() const { return m_previewCursor; }

    // One step of a default-mode drag to `point` (widget coordinates).
    void TrackTo(QPoint point);

signals:
    // The current control point or its position changed.
    void pointChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetMode(int mode);
    CPanTiltEffect* Effect() const;
    int HitPoint(const QPoint& point) const;
    void PointChanged();
    void UpdateBox();
    void DragHandle(const QPoint& point);
    void ScaleAxis(bool horizontal, int extremeIndex, int movedIndex, int newEdge);
    void MoveFigure(const QPoint& delta);
    void DrawContents(QPainter& painter) const;
    void RefreshCache();
    void EndDrag();

    CPanTiltShape& m_shape;
    int m_current = 0;
    int m_start = 0;
    int m_previewPan = 0;
    int m_previewTilt = 0;
    QPoint m_previewCursor;
    bool m_pressed = false;
    bool m_warped = false;
    bool m_animating = false;
    bool m_cursorHidden = false;
    double m_speed = 0.1;
    int m_mode = ModeDefault;
    QVector<QPoint> m_controlPts;
    QVector<QPoint> m_pathPts;
    QPointF m_press;
    QPointF m_reference;
    QPoint m_lastDrag;
    QRect m_box;
    int m_leftmost = -1;
    int m_rightmost = -1;
    int m_topmost = -1;
    int m_bottommost = -1;
    int m_grabbed = 0;
    QPixmap m_background;
    QPixmap m_cache;
};
