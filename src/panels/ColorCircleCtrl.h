#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QWidget>

class CProSlider;

// The hue/saturation wheel of the colour control with its value bar, swatch
// and cursor. It holds the red, green, blue and white levels, keeps the
// owner's faders in step and reports every change that is not quiet.
class CColorCircleCtrl : public QWidget
{
    Q_OBJECT
public:
    enum { GrabNone = 0, GrabWheel = 1, GrabBar = 2 };

    // Any fader may be null; the faders stay the owner's.
    CColorCircleCtrl(bool cmy, bool white, int autoWhiteMode, CProSlider* red, CProSlider* green, CProSlider* blue,
                     CProSlider* whiteFader, QWidget* parent = nullptr);

    void SetColor(const quint8 rgbw[4], bool quiet);
    // Ignored while a change is being applied, which ends fader/wheel loops.
    void SetRgb(const QColor& color, bool quiet);
    // Each ignored while the mouse is held on the wheel.
    void SetRed(quint8 value, bool quiet);
    void SetGreen(quint8 value, bool quiet);
    void SetBlue(quint8 value, bool quiet);
    void SetWhite(quint8 value, bool quiet);
    void GetColor(quint8 rgbw[4]) const;

    void LockRed(bool on) { Lock(0, on); }
    void LockGreen(bool on) { Lock(1, on); }
    void LockBlue(bool on) { Lock(2, on); }
    void LockWhite(bool on) { Lock(3, on); }
    bool IsLocked(int component) const { return m_locks[component]; }
    bool IsAnyLocked() const { return m_locked; }

    void SetSmall(bool small);
    void SetAutoWhiteMode(int mode);

    bool IsDragging() const { return m_dragging; }
    int GrabTarget() const { return m_grab; }
    int Radius() const { return m_radius; }
    int Hue() const { return m_hue; }
    int Saturation() const { return m_saturation; }
    int Value() const { return m_value; }
    QPoint Centre() const { return m_centre; }
    QPoint CursorPoint() const { return m_cursor; }
    QRect WheelRect() const { return m_wheelRect; }
    QRect BarRect() const { return m_bar; }
    QRect MarkerRect() const { return m_marker; }
    // What the swatch shows: with a white channel the mix of the colour and
    // the white level's grey.
    QColor SwatchColor() const;

    static QString WheelPicture(bool small);

signals:
    void circleColorChanged(int red, int green, int blue, int white);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Lock(int component, bool on);
    void SetComponent(int component, quint8 value, bool quiet);
    void UpdateGeometry();
    void UpdateCursor();
    void UpdateSliders();
    void PickAt(const QPoint& point);

    int m_grab = GrabNone;
    int m_radius = 80;
    bool m_cmy;
    bool m_white;
    bool m_dragging = false;
    bool m_quiet = false;
    bool m_small = false;
    int m_whiteLevel = 0;
    QPoint m_centre;
    QPoint m_cursor;
    QRect m_wheelRect;
    QRect m_swatch;
    QRect m_bar;
    QRect m_marker;
    int m_red = 255;
    int m_green = 255;
    int m_blue = 255;
    int m_hue = 0;
    int m_saturation = 0;
    int m_value = 255;
    int m_autoWhite;
    CProSlider* m_faders[4];
    bool m_locks[4] = {false, false, false, false};
    bool m_locked = false;
};
