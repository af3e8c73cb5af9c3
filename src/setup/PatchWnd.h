#pragma once

#include <QPainterPath>
#include <QPixmap>
#include <QWidget>

class CPatchBlock;
class CPatchTab;

// One universe of the patch as 32 x 16 channel cells. It draws the tab's
// blocks, selects them with clicks and a rubber band, moves the selection
// (also onto another universe's tab) and takes library profiles dropped
// from the profile list.
class CPatchWnd : public QWidget
{
    Q_OBJECT
public:
    enum MouseMode { NoMode = 0, BandMode = 1, MoveMode = 2 };

    CPatchWnd(int universe, int channelCount, CPatchTab* tab);
    ~CPatchWnd() override;

    int Universe() const { return m_universe; }
    QRect GridRect() const { return QRect(m_gridLeft, m_gridTop, m_gridWidth, m_gridHeight); }
    QSize CellSize() const { return QSize(m_cellWidth, m_cellHeight); }
    QRect CellRect(int channel) const;
    // -1 for a point outside the grid, or when the cells are too small to hit.
    int ChannelAt(const QPoint& point) const;
    QPoint ClampToGrid(const QPoint& point) const;
    int Mode() const { return m_mouseMode; }
    CPatchBlock* Preview() const { return m_preview; }
    void DeletePreview();
    // A move dragged onto this universe's tab goes on here.
    void TakeMoveFrom(CPatchWnd& other);

public slots:
    void OnInvPan(bool checked);
    void OnInvTilt(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool HasCells() const { return m_cellWidth >= 1 && m_cellHeight >= 1; }
    int ChannelAtClamped(const QPoint& point) const { return ChannelAt(ClampToGrid(point)); }
    void DrawGridPicture();
    void DrawBlock(QPainter& painter, const CPatchBlock& block) const;
    void ShowContextMenu(const CPatchBlock& block, const QPoint& globalPos);
    void EndMove();

    int m_universe;
    int m_channelCount;
    int m_cellWidth = -1;
    int m_cellHeight = -1;
    int m_gridWidth = -1;
    int m_gridHeight = -1;
    int m_gridLeft = -1;
    int m_gridTop = -1;
    QPixmap m_gridPicture;
    QPainterPath m_border;
    CPatchTab* m_tab;
    CPatchBlock* m_preview = nullptr; // owned until dropped
    bool m_buttonHeld = false;
    QPoint m_pressPoint;
    QPoint m_bandEnd;
    int m_mouseMode = NoMode;
};
