#pragma once

#include <QPaintDevice>
#include <QPaintEngine>
#include <QWidget>

// A paint device that draws nothing and counts the pictures and runs of
// text painted on it: how much a widget's paint does, whatever the
// machine's speed.
class CCountingPaintDevice : public QPaintDevice
{
public:
    explicit CCountingPaintDevice(const QSize& size)
        : m_size(size)
    {
    }

    int pixmaps() const { return m_engine.pixmaps; }
    int textItems() const { return m_engine.textItems; }

    // The pictures one paint of the widget draws.
    static int PixmapsPainted(QWidget& widget)
    {
        CCountingPaintDevice device(widget.size());
        widget.render(&device, QPoint(), QRegion(), QWidget::DrawChildren);
        return device.pixmaps();
    }

    QPaintEngine* paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
        }
    }

private:
    class CEngine : public QPaintEngine
    {
    public:
        CEngine()
            : QPaintEngine(QPaintEngine::AllFeatures)
        {
        }
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { ++pixmaps; }
        void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override { ++pixmaps; }
        void drawTextItem(const QPointF&, const QTextItem&) override { ++textItems; }
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        Type type() const override { return QPaintEngine::User; }

        int pixmaps = 0;
        int textItems = 0;
    };

    QSize m_size;
    mutable CEngine m_engine;
};
