#pragma once

#include "PanelsRig.h"
#include "app/AppOptions.h"
#include "panels/PaintToolView.h"
#include "panels/PanTiltGridCtrl.h"
#include "panels/SavedSlotMenu.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>

// A view that records what the colour control tells it.
class CFakePaintView : public CPaintToolView
{
public:
    CFakePaintView() { SetPaintToolView(this); }
    ~CFakePaintView() override { SetPaintToolView(nullptr); }
    void SetToolMode(int tool) override { mode = tool; }
    int ToolMode() const override { return mode; }
    void SetToolColor(const QColor& rgb, int w) override { color = rgb, white = w; }
    QColor ToolColor() const override { return color; }
    int ToolWhite() const override { return white; }
    bool ApplyImageToMatrix(const QString& path, QString* error) override
    {
        imported << path;
        if (!importOk && error)
            *error = QStringLiteral("bad picture");
        return importOk;
    }
    void SetEndToolHook(std::function<void()> hook) override { endTool = std::move(hook); }
    void SetColorPickedHook(std::function<void()> hook) override { picked = std::move(hook); }

    int mode = 0;
    QColor color;
    int white = 0;
    bool importOk = true;
    QStringList imported;
    std::function<void()> endTool;
    std::function<void()> picked;
};

// The panels rig with an options record, a paint view, a save menu that
// answers at once and a pointer that never moves.
class CFixedCtrlRig : public CPanelsRig
{
public:
    CFixedCtrlRig()
    {
        host.options = &options;
        saveAsked = 0;
        SetSaveMenuRunner([](QWidget*) { return ++saveAsked > 0; });
        pointerMoves = 0;
        SetPointerMover([](const QPoint&) { ++pointerMoves; });
    }
    ~CFixedCtrlRig()
    {
        SetSaveMenuRunner(nullptr);
        SetPointerMover(nullptr);
        host.options = nullptr;
    }

    // The options as the next run of the program reads them back.
    CAppOptions ReadBack() const
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Orvane.ini"));
        CAppOptions read;
        if (options.Save(path))
            read.Load(path);
        return read;
    }

    CAppOptions options;
    CFakePaintView view;
    static inline int saveAsked = 0;
    static inline int pointerMoves = 0;
};

// A pointer move with the left button held, straight to the widget.
inline void MoveMouse(QWidget* widget, const QPoint& point)
{
    QMouseEvent move(QEvent::MouseMove, point, widget->mapToGlobal(point), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// Shown at `size`, so that its geometry follows the size.
inline void ShowAt(QWidget& widget, const QSize& size)
{
    widget.resize(size);
    widget.show();
}
