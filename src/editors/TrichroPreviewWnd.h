#pragma once

#include <QRect>
#include <QWidget>

class CEffectEngine;
class CProject;
class QPixmap;

// A small animation of the colour steps the engine generated for the edited
// effect: one square per driven beam in a row, each step blending into the
// next over the step time. While levels are written, the real fixtures show
// the same colours through the project's edit layer. It reads the engine's
// buffers on every tick and owns no effect data.
class CTrichroPreviewWnd : public QWidget
{
    Q_OBJECT
public:
    explicit CTrichroPreviewWnd(CProject& project, QWidget* parent = nullptr);
    ~CTrichroPreviewWnd() override;

    // Resumes where it stood when that position still fits the steps,
    // unless `restart`.
    void Start(bool restart);
    void Stop();
    bool IsRunning() const { return m_running; }
    // A step outside the generated steps changes nothing.
    void SetPlayPosition(int step, int timeMs);
    int GetPlayStep() const { return m_current; }
    int GetPlayTime() const { return m_elapsed; }
    int NextStep() const { return m_next; }
    // A time below 1 ms counts as 1 ms.
    void SetStepTime(int ms) { m_stepTime = ms; }

    virtual void UpdateGeometry();
    // After the effect's fixtures changed: hidden when it drives none.
    virtual void Refresh();
    virtual void Tick(bool writeLevels, int elapsedMs);

    int CellSize() const { return m_cellSize; }
    QRect CellArea() const { return m_cellArea; }
    const QPixmap* Picture() const { return m_pixmap; }

protected:
    CTrichroPreviewWnd(CProject& project, bool matrix, QWidget* parent);

    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    int CellCount() const;
    // The area for `columns` x `rows` cells, centred, with the cell size.
    void LayOut(int columns, int rows);
    // Advances the position; false when nothing is drawn this tick.
    bool Advance(int elapsedMs);
    // Fills the cell of record `index` at (x, y) and, when asked, writes
    // its colour to the fixture; a record past the list is skipped.
    void DrawCell(QPainter& painter, int index, int x, int y, bool writeLevels, bool selectedBeamsOnly);

    CProject& m_project;
    CEffectEngine* m_engine;
    int m_current = 0;
    int m_next = 1;
    int m_stepTime = 40;
    int m_elapsed = 0;
    int m_cellSize = 4;
    bool m_running = false;
    QRect m_cellArea;
    QPixmap* m_pixmap = nullptr;
    float m_blend = 0.0F;
};
