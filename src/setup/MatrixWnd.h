#pragma once

#include "layout/view/FixtureDrawer.h"
#include "setup/MatrixCells.h"

#include <QWidget>

#include <functional>

class CLibraryProfile;
class CProject;
class QDrag;

// The grid of the matrix builder: draws the cells, moves fixtures between
// them by drag and drop (mode 0), adds and removes cells (mode 1), selects
// cells for a wiring order (mode 2), zooms between labels and fixture
// symbols, and steps the preview that lights one fixture or beam at a time
// on the project's playback layer.
class CMatrixWnd : public QWidget
{
    Q_OBJECT
public:
    static const char* const kMimeType;
    enum Mode { MoveMode = 0, AddRemoveMode = 1, SelectMode = 2 };

    // The profile must have 1 to 512 channels; the caller checks it.
    CMatrixWnd(CLibraryProfile* profile, int universe, int address, int limit, int universeCount, int columns,
               int rows, QWidget* parent = nullptr);

    CMatrixCells& Cells() { return m_cells; }
    const CMatrixCells& Cells() const { return m_cells; }

    void SetZoom(int step);
    int ZoomStep() const { return m_zoom; }
    void SetMode(int mode);
    int Mode() const { return m_mode; }
    void Rebuild(int columns, int rows, bool keep);
    void RemoveSelected();
    void SetOrder(int order, bool following);
    // Warns when no free address is left.
    bool AddCellAt(const QRect& square);
    int LoadMatrix(const CPatchMatrixBlock& matrix);
    // The profile's beams in 20-pixel units, the size of one layout cell.
    QSize BeamSize() const { return m_beamSize; }
    QRect CellLayoutRect(int i) const { return m_cells.CellLayoutRect(i, m_beamSize); }

    // The preview writes the playback layer of `project`; without one it
    // only draws.
    void SetProject(CProject* project) { m_project = project; }
    void StartPreview();
    void StopPreview();
    bool IsPlaying() const { return m_playing; }
    int StepCount() const { return m_stepCount; }
    void ShowPreviewStep(int step);

    // Runs a drag; the default runs it modally with the move action.
    using DragRunner = std::function<Qt::DropAction(QDrag*)>;
    void SetDragRunner(DragRunner runner) { m_runDrag = std::move(runner); }
    int DragSource() const { return m_dragSource; }

signals:
    void selChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    enum Style { Normal = 0, Selected = 1, Hover = 2, PreviewFrame = 3, PreviewCurrent = 4 };
    void DrawCell(QPainter& painter, int i, int style);
    void DrawCellLabel(QPainter& painter, int i, int style);
    void DrawCellBeams(QPainter& painter, int i, int style, float scale);
    void UpdateGeometry();
    void StartDrag(int cell, const QPoint& press);
    void LightCurrentCell();

    CMatrixCells m_cells;
    CLibraryProfile* m_profile;
    CProject* m_project = nullptr;
    CFixtureDrawer m_drawer;
    QSize m_beamSize;
    int m_beamCount = 1;
    int m_zoom = 0;
    int m_mode = MoveMode;

    QPoint m_bandStart;
    QRect m_band;
    bool m_banding = false;

    int m_dragSource = -1;
    QRect m_highlight;
    int m_hoverCell = -1;
    DragRunner m_runDrag;

    QList<int> m_previewOrder;
    int m_beam = 0;
    int m_currentCell = -1;
    int m_stepCount = 0;
    bool m_playing = false;
};
