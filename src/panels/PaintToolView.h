#pragma once

#include <QColor>
#include <QString>
#include <functional>

// What the colour control needs of the view that paints matrix cells: its
// one, global drawing tool and tool colour, the picture import onto the
// selected matrix, and the two moments the view hands back to the control
// (a tool used once, a colour picked from a cell). The layout view's
// adapter installs itself; without one the tools only arm the buttons.
class CPaintToolView
{
public:
    enum Tool { NoTool = 0, Pen = 1, Line = 2, Rect = 3, Circle = 4, Pick = 5, Fill = 6 };

    virtual ~CPaintToolView() = default;

    virtual void SetToolMode(int tool) = 0;
    virtual int ToolMode() const = 0;
    virtual void SetToolColor(const QColor& rgb, int white) = 0;
    virtual QColor ToolColor() const = 0;
    virtual int ToolWhite() const = 0;
    // Colours the only selected matrix from the picture; false with the
    // reason when the picture cannot be read or no single matrix is selected.
    virtual bool ApplyImageToMatrix(const QString& path, QString* error) = 0;
    // Who is told, null for nobody. A later call replaces the earlier hook.
    virtual void SetEndToolHook(std::function<void()> hook) = 0;
    virtual void SetColorPickedHook(std::function<void()> hook) = 0;
};

// The installed view or null; the caller keeps ownership.
CPaintToolView* PaintToolView();
void SetPaintToolView(CPaintToolView* view);
