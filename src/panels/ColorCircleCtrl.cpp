#include "panels/ColorCircleCtrl.h"

#include "model/ColorMath.h"
#include "panels/SavedSlotMenu.h"
#include "widgets/ProSlider.h"

#include <QImage>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <algorithm>
#include <cmath>

namespace {

const QImage& WheelImage(bool small)
{
    static const QImage big(CColorCircleCtrl::WheelPicture(false));
    static const QImage little(CColorCircleCtrl::WheelPicture(true));
    return small ? little : big;
}

QRect Inclusive(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

CColorCircleCtrl::CColorCircleCtrl(bool cmy, bool white, int autoWhiteMode, CProSlider* red, CProSlider* green,
                                   CProSlider* blue, CProSlider* whiteFader, QWidget* parent)
    : QWidget(parent), m_cmy(cmy), m_white(white), m_autoWhite(autoWhiteMode),
      m_faders{red, green, blue, whiteFader}
{
    RgbToHsv(m_red, m_green, m_blue, m_hue, m_saturation, m_value);
    setMinimumSize(200, 180);
    UpdateGeometry();
}

QString CColorCircleCtrl::WheelPicture(bool small)
{
    return small ? QStringLiteral(":/Orvane/Images/ColorPicker/ColorPickerSmall.png")
                 : QStringLiteral(":/Orvane/Images/ColorPicker/ColorPicker.png");
}

void CColorCircleCtrl::SetColor(const quint8 rgbw[4], bool quiet)
{
    const QScopedValueRollback<bool> guard(m_quiet, quiet);
    m_red = rgbw[0];
    m_green = rgbw[1];
    m_blue = rgbw[2];
    m_whiteLevel = rgbw[3];
    RgbToHsv(m_red, m_green, m_blue, m_hue, m_saturation, m_value);
    UpdateSliders();
    UpdateCursor();
    update();
}

void CColorCircleCtrl::SetRgb(const QColor& color, bool quiet)
{
    if (m_quiet)
        return;
    const QScopedValueRollback<bool> guard(m_quiet, quiet);
    m_red = color.red();
    m_green = color.green();
    m_blue = color.blue();
    RgbToHsv(m_red, m_green, m_blue, m_hue, m_saturation, m_value);
    UpdateSliders();
    UpdateCursor();
    update();
}

void CColorCircleCtrl::SetComponent(int component, quint8 value, bool quiet)
{
    if (m_dragging)
        return;
    int rgb[3] = {m_red, m_green, m_blue};
    if (component == 3)
        m_whiteLevel = value;
    else
        rgb[component] = value;
    SetRgb(QColor(rgb[0], rgb[1], rgb[2]), quiet);
}

void CColorCircleCtrl::SetRed(quint8 value, bool quiet)
{
    SetComponent(0, value, quiet);
}

void CColorCircleCtrl::SetGreen(quint8 value, bool quiet)
{
    SetComponent(1, value, quiet);
}

void CColorCircleCtrl::SetBlue(quint8 value, bool quiet)
{
    SetComponent(2, value, quiet);
}

void CColorCircleCtrl::SetWhite(quint8 value, bool quiet)
{
    SetComponent(3, value, quiet);
}

void CColorCircleCtrl::GetColor(quint8 rgbw[4]) const
{
    rgbw[0] = quint8(m_red);
    rgbw[1] = quint8(m_green);
    rgbw[2] = quint8(m_blue);
    rgbw[3] = quint8(m_whiteLevel);
}

void CColorCircleCtrl::Lock(int component, bool on)
{
    if (on) {
        m_locks[component] = true;
        setEnabled(false);
        if (!m_locked) {
            m_cursor = m_centre;
            m_marker = Inclusive(m_bar.left(), m_bar.bottom() - 3, m_bar.right(), m_bar.bottom() + 4);
            m_locked = true;
        }
    } else {
        m_locks[component] = false;
        if (std::none_of(std::begin(m_locks), std::end(m_locks), [](bool lock) { return lock; })) {
            setEnabled(true);
            m_locked = false;
        }
    }
    update();
}

void CColorCircleCtrl::SetSmall(bool small)
{
    m_small = small;
    m_radius = small ? 50 : 80;
    setMinimumSize(small ? QSize(140, 120) : QSize(200, 180));
    UpdateGeometry();
    update();
}

void CColorCircleCtrl::SetAutoWhiteMode(int mode)
{
    m_autoWhite = mode;
    UpdateSliders();
    UpdateCursor();
    update();
}

void CColorCircleCtrl::UpdateGeometry()
{
    const int halfW = width() / 2;
    const int halfH = height() / 2;
    m_centre = QPoint(halfW - 15, halfH);
    const int left = halfW - m_radius - 15;
    const int top = halfH - m_radius;
    const int right = left + 2 * m_radius + 29;
    const int bottom = top + 2 * m_radius - 1;
    m_wheelRect = Inclusive(left, top, right, bottom);
    m_swatch = Inclusive(right - 25, top, right + 4, top + 29);
    m_bar = Inclusive(right - 20, top + 39, right - 1, bottom - 1);
    UpdateCursor();
}

void CColorCircleCtrl::UpdateCursor()
{
    if (m_locked)
        return;
    m_cursor = GetPointOnCircle(m_hue, m_radius, m_saturation, m_centre);
    const int y = m_bar.bottom() - (m_bar.height() * m_value) / 255 - 3;
    m_marker = Inclusive(m_bar.left(), y, m_bar.right(), y + 7);
}

void CColorCircleCtrl::UpdateSliders()
{
    int* components[3] = {&m_red, &m_green, &m_blue};
    for (int i = 0; i < 3; ++i) {
        if (m_locks[i])
            *components[i] = 0;
        // A locked component reads 0 on its fader whatever the fader's sense.
        ShowOnFader(m_faders[i], m_cmy && !m_locks[i] ? 255 - *components[i] : *components[i]);
    }
    if (m_locks[3])
        m_whiteLevel = 0;
    if (m_white) {
        if (m_autoWhite != 0 && !m_locks[3])
            m_whiteLevel = GetWhiteLevel(m_red, m_green, m_blue, m_autoWhite);
        ShowOnFader(m_faders[3], m_whiteLevel);
    }
    if (!m_quiet)
        emit circleColorChanged(m_red, m_green, m_blue, m_whiteLevel);
}

void CColorCircleCtrl::PickAt(const QPoint& point)
{
    if (m_grab == GrabWheel) {
        int hue = int(GetAngle(point, m_centre) * 180.0 / M_PI);
        if (hue < 0)
            hue += 360;
        m_hue = std::min(hue, 359);
        m_saturation = std::min(GetDistance(point, m_centre) * 255 / m_radius, 255);
        // A pick on the wheel always gives a colour that can be seen.
        if (m_value == 0)
            m_value = 255;
    } else if (m_grab == GrabBar) {
        // The top row is full value and the bottom row none.
        const int span = std::max(m_bar.bottom() - m_bar.top(), 1);
        m_value = std::clamp((m_bar.bottom() - point.y()) * 255 / span, 0, 255);
    } else {
        return;
    }
    HsvToRgb(m_hue, m_saturation, m_value, m_red, m_green, m_blue);
    UpdateSliders();
    UpdateCursor();
    update();
}

QColor CColorCircleCtrl::SwatchColor() const
{
    const QColor color(m_red, m_green, m_blue);
    if (!m_white)
        return color;
    return MixColors(color, QColor(m_whiteLevel, m_whiteLevel, m_whiteLevel), 1);
}

void CColorCircleCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(m_wheelRect.topLeft(), WheelImage(m_small));
    painter.setPen(Qt::black);
    painter.setBrush(SwatchColor());
    painter.drawRect(m_swatch.adjusted(0, 0, -1, -1));
    int red = 0, green = 0, blue = 0;
    HsvToRgb(m_hue, m_saturation, 255, red, green, blue);
    QLinearGradient gradient(m_bar.topLeft(), m_bar.bottomRight());
    gradient.setColorAt(0, QColor(red, green, blue));
    gradient.setColorAt(1, Qt::black);
    painter.setBrush(gradient);
    painter.drawRect(m_bar.adjusted(0, 0, -1, -1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_marker.adjusted(0, 0, -1, -1));
    painter.drawEllipse(m_cursor, 4, 4);
}

void CColorCircleCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UpdateGeometry();
}

void CColorCircleCtrl::mousePressEvent(QMouseEvent* event)
{
    m_dragging = true;
    const QPoint point = event->pos();
    // A press anywhere else grabs nothing, so that a drag started there
    // cannot go on picking for the previous target.
    m_grab = GrabNone;
    if (m_wheelRect.contains(point)) {
        if (GetDistance(point, m_centre) <= m_radius)
            m_grab = GrabWheel;
        else if (m_bar.contains(point))
            m_grab = GrabBar;
    }
    PickAt(point);
}

void CColorCircleCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && m_grab != GrabNone)
        PickAt(event->pos());
}

void CColorCircleCtrl::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}
