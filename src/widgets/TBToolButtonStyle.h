#pragma once

#include <QProxyStyle>

// The look of the small picture buttons of tool bars: no focus frame, and
// the picture sinks by one pixel while pressed. Every button gets its own
// style object, which it owns.
class CTBToolButtonStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // Installs itself on `button` and is deleted with it.
    explicit CTBToolButtonStyle(QWidget* button);

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};
