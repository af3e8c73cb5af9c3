#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class CEffect;
class CFixtViewScrollArea;
class CFixtureItem;
class CFixtureMatrix;
class CGroup;
class CMatrixDimDlg;
class CMatrixItem;
class CPatchedFixture;
class CProject;
class QAction;
class QMenu;

// The 2-D plan of the current fixture group: a scene (background colour,
// optional picture, optional grid) with one item per fixture and per matrix.
// Beams are selected by click and rubber band, selected items move, eight
// handles resize the scene or crop the view, and while the colour control
// has a drawing tool armed the mouse paints matrix cells instead.
//
// Model coordinates are view pixels at zoom 1; widget points map to them by
// ToModel. The view owns its items.
class CFixturesView : public QWidget
{
    Q_OBJECT
public:
    enum Tool { NoTool = 0, PenTool, LineTool, RectangleTool, CircleTool, PickTool, FillTool };
    static constexpr int kNoHandle = 8;

    explicit CFixturesView(CProject& project, QWidget* parent = nullptr);
    ~CFixturesView() override;

    // The program's layout view; null while there is none.
    static CFixturesView* Instance();

    // ---- Items ----
    void AddFixtureItem(CFixtureItem* item);
    void AddMatrixItem(CMatrixItem* item);
    // Taken out without being deleted.
    void RemoveFixtureItem(CFixtureItem* item);
    void RemoveMatrixItem(CMatrixItem* item);
    void ClearItems();
    // The fixtures and matrices are about to be deleted: their items go
    // while they still exist, and a matrix item drawn with a member that
    // goes takes another.
    void ForgetFixtures(const QList<CPatchedFixture*>& fixtures, const QList<CFixtureMatrix*>& matrices);
    void Reset();
    void RefreshSelectedFlags();
    const QList<CFixtureItem*>& FixtureItems() const { return m_fixtureItems; }
    const QList<CMatrixItem*>& MatrixItems() const { return m_matrixItems; }

    // ---- Geometry ----
    // Held to 0.1 - 3.0.
    void SetZoom(float zoom);
    float Zoom() const { return m_zoom; }
    // An invalid rectangle gives the default 600 x 400 scene.
    void SetSceneRect(const QRect& rect);
    QRect SceneRect() const { return m_sceneRect; }
    void SetCrop(bool on, const QRect& rect);
    QRect CropRect() const { return m_cropRect; }
    bool IsCropped() const { return m_cropped; }
    void ApplyViewSettings(const CGroup& group, bool withoutCrop);
    void UpdateSize();
    // From (0, 0) to the items' largest right and bottom edges, grown by 10.
    QRect ItemsExtent() const;
    // Where a new block of items of that size goes.
    QPoint FreePosition(int width, int height) const;
    QPoint ToModel(const QPoint& widgetPoint) const;
    // The item's move origin moved by (dx, dy), snapped and kept in the scene.
    void MoveItem(CFixtureItem* item, int dx, int dy);
    void ApplyOutline();
    void ClampCrop();
    void RenderBackground();
    bool HasBackgroundCache() const { return !m_background.isNull(); }
    // Background pictures handed to the decoder in this process so far:
    // tests tell a refused picture was never decoded rather than time it.
    static qint64 DecodedPictures();
    // Repaints when the output levels changed since the last repaint; the
    // master tick calls it while live colours are drawn.
    bool RefreshLiveColors();

    void SetGridStep(int step) { m_gridStep = step > 0 ? step : 10; }
    void SetGridVisible(bool on) { m_gridVisible = on; }
    void SetSnapToGrid(bool on) { m_snap = on; }
    void SetLocked(bool locked) { m_locked = locked; }
    bool IsLocked() const { return m_locked; }
    void SetToolTipsOn(bool on) { m_toolTipsOn = on; }
    void SetScrollArea(CFixtViewScrollArea* area) { m_scrollArea = area; }
    QRect HandleRect(int handle) const { return m_handles[handle]; }

    // ---- Selection ----
    void SelectAll();
    void InvertSelection();
    void Select12();
    void SelectActiv();
    void SelectFixtures(const QList<CPatchedFixture*>& fixtures);
    bool SelectEffectFixtures(const CEffect* effect);
    void AddBeamsToSelection(const QList<CPatchedFixture*>& fixtures, const QList<QList<bool>>& beams);
    void RemoveBeamsFromSelection(const QList<CPatchedFixture*>& fixtures, const QList<QList<bool>>& beams);
    void UnselectAll(bool repaint = true);
    void UnselectAllExcept(int fixtureItem, int matrixItem);

    // ---- Arrangement of the selected fixture items ----
    void ArrangeInLine();
    void ArrangeInCircle();
    void ArrangeAsMatrix();
    QPoint SelectionTopLeft() const;
    QPoint SelectionCentre() const;

    // ---- Matrix colour tools ----
    void SetTool(int mode, const QColor& color, int white);
    int ToolMode() const { return m_toolMode; }
    void SetToolMode(int mode) { m_toolMode = mode; }
    QColor ToolColor() const { return m_toolColor; }
    int ToolWhite() const { return m_toolWhite; }
    // What disarms the tool on a miss; the colour control installs its own.
    void SetEndToolModeHook(std::function<void()> hook) { m_endToolMode = std::move(hook); }
    void PenAt(const QPoint& modelPoint, bool endOnMiss);
    void PickAt(const QPoint& modelPoint);
    void FillAt(const QPoint& modelPoint);
    void ShapeToolPress(const QPoint& modelPoint);
    void UpdateToolPreview(const QPoint& modelPoint);
    void CommitToolMask();
    // Colours the one selected matrix of the current group from a picture.
    static void ApplyImageToMatrix(const QString& fileName);

    // ---- Menus and dialogs ----
    // The fixtures window's commands the context menu shows: remove, assign
    // IDs, type of drawing, full colours, in line, in circle, in matrix.
    void SetMenuActions(const QList<QAction*>& actions) { m_menuActions = actions; }
    void ShowGroupMenu(const QPoint& widgetPoint);
    // Tests replace how the menu and the matrix dialog run.
    using MenuRunner = std::function<void(QMenu& menu, const QPoint& globalPoint)>;
    using DialogRunner = std::function<int(CMatrixDimDlg& dialog)>;
    void SetMenuRunner(MenuRunner runner) { m_menuRunner = std::move(runner); }
    void SetDialogRunner(DialogRunner runner) { m_dialogRunner = std::move(runner); }
    // The tooltip of the item under a widget point: empty when none is
    // there, null for an item that has nothing to tell.
    QString ToolTipAt(const QPoint& widgetPoint) const;

signals:
    void selChanged();
    void addToNewGroup();
    void addToGroup(int group);
    void colorPicked();
    // A matrix was switched to live colours by a drawing tool.
    void liveDrawingStarted();

public slots:
    void OnAddToNewGroup() { emit addToNewGroup(); }
    void OnAddToGroup();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Notifies the end of a selection operation.
    void Notify();
    void StoreMoveOrigins();
    void KeepInScene(QRect& rect) const;
    // The group's picture, unless it is hidden, unreadable or refused for its size.
    void LoadPicture();
    // Background colour, picture and grid, in scene coordinates.
    void DrawScene(QPainter& painter) const;
    // Which fixture items are drawn: those of the exposed part that no
    // other drawn later paints over whole.
    std::vector<bool> ItemsToDraw(QPainter& painter, const QRect& shown) const;
    void HoverHandles(const QPoint& point);
    void EndTool();
    // The colour matrix and cell under a model point; a miss disarms the
    // tool when asked.
    bool FindCell(const QPoint& modelPoint, bool endOnMiss, CMatrixItem*& item, int& member, int& beam);
    void FloodFill(CMatrixItem* item, int member, int beam, const QColor& old, int oldWhite);
    // Sets the cell's colour, switching the matrix to live colours first.
    void SetCellColor(CFixtureMatrix* matrix, int member, int beam);
    template <typename Place>
    void ArrangeSelected(Place place);
    // Calls onFixture(item, flags i) for the fixture item holding fixture
    // i, else onMember(item, member, flags i) for the first matrix having it.
    template <typename OnFixture, typename OnMember>
    void ForEachHolder(const QList<CPatchedFixture*>& fixtures, const QList<QList<bool>>& beams,
                       OnFixture onFixture, OnMember onMember);

    CProject& m_project;
    int m_gridStep = 10;
    float m_zoom = 1.0f;
    bool m_toolTipsOn = true;
    bool m_mouseDown = false;
    bool m_rubberBand = false;
    bool m_moving = false;
    bool m_handleDrag = false;
    bool m_cropped = false;
    bool m_cropMode = false;
    bool m_toolDrag = false;
    QRect m_sceneRect{0, 0, 600, 400};
    QRect m_outline;
    QPoint m_pressPoint;
    int m_hoveredHandle = kNoHandle;
    QRect m_handles[8];
    CMatrixItem* m_toolTarget = nullptr;
    int m_toolStartMember = -1;
    int m_toolStartBeam = -1;
    CFixtViewScrollArea* m_scrollArea = nullptr;
    bool m_locked = false;
    bool m_gridVisible = false;
    bool m_snap = false;
    bool m_pictureVisible = false;
    QRect m_cropRect;
    QColor m_backColor{Qt::white};
    QString m_picturePath;
    int m_pictureMode = 0;
    QImage m_picture;
    QString m_refusedPicture; // the operator was told it is too large
    QPixmap m_background;
    int m_toolMode = NoTool;
    QColor m_toolColor{Qt::black};
    int m_toolWhite = 0;
    QList<CFixtureItem*> m_fixtureItems;
    QList<CMatrixItem*> m_matrixItems;

    std::function<void()> m_endToolMode;
    QList<QAction*> m_menuActions;
    MenuRunner m_menuRunner;
    DialogRunner m_dialogRunner;
    std::vector<quint8> m_paintedOutput; // the output the last repaint showed
};
