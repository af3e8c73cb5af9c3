#pragma once

#include <QPixmap>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QWidget>

// The square of the pan/tilt control: a cursor dragged with a hidden
// pointer that wraps round the edges while the position can still move that
// way, at a travel of `speed` times the pointer's. Pan grows to the right,
// tilt upward; both 0-65535.
class CPanTiltGridCtrl : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kRange = 65535;

    explicit CPanTiltGridCtrl(double speed, QWidget* parent = nullptr);
    ~CPanTiltGridCtrl() override;

    int Pan() const { return m_pan; }
    int Tilt() const { return m_tilt; }
    QPoint CursorPoint() const { return m_cursor; }
    bool IsDragging() const { return m_dragging; }
    double Speed() const { return m_speed; }
    void SetSpeed(double speed) { m_speed = speed; }
    bool IsSmall() const { return m_small; }
    void SetSmall(bool small);
    // Values outside 0-65535 are held to it; a locked axis stays 0.
    void SetPosition16(int pan, int tilt);
    void LockPan(bool on);
    void LockTilt(bool on);

    // One step of a drag to `point` (widget coordinates), wrapping first.
    void TrackTo(QPoint point);

signals:
    void moved(int pan, int tilt);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void PlaceCursor();
    void BuildBackground();
    void EndDrag();

    int m_pan = 32768;
    int m_tilt = 32768;
    QPointF m_press;
    QPointF m_reference;
    QPointF m_offset;
    bool m_dragging = false;
    bool m_offsetDrag = false;
    bool m_panLocked = false;
    bool m_tiltLocked = false;
    bool m_warped = false;
    bool m_small = false;
    double m_speed;
    QPoint m_cursor;
    QRect m_dragRect;
    QPixmap m_background;
};

// Wraps a dragged pointer round the edges of `rect` while the position can
// still move that way (pan grows to the right, tilt upward), moving the
// drag's reference point by as much so that the travel stays continuous. A
// pointer past an edge it cannot wrap is held on it. True when it wrapped.
bool WrapAtEdges(QPoint& point, QPointF& reference, const QRect& rect, int pan, int tilt);
// Where a wrapped pointer is put, in global coordinates; the program moves
// the system pointer, tests record the call (null restores the default).
using PointerMover = void (*)(const QPoint& global);
void SetPointerMover(PointerMover mover);
void MovePointer(const QPoint& global);

// The white squared background of the pan/tilt grids, `divisions` cells a
// side, with a centre cross and a border.
QPixmap PanTiltGridBackground(const QSize& size, bool small);
