#pragma once

#include <QDialog>
#include <QList>
#include <QMargins>
#include <QRect>

class CAssignIdsWnd;
class CPatchBlock;
class CPatchedFixture;
class CProject;
class QAction;
class QScrollArea;
class QTimer;
class REDOvoroz;

// "Assign IDs": the selected fixtures as cells the operator puts in order,
// by drag and drop or by address, with a chase that lights them one after
// the other on the output. After OK the fixture now in cell n takes the
// n-th of the IDs the cells opened with.
class CAssignIdsDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kChaseMs = 120;

    CAssignIdsDlg(CProject& project, const QList<CPatchBlock*>& blocks, QWidget* parent = nullptr);

    int Count() const;
    int IdAt(int n) const;
    CPatchedFixture* FixtureAt(int n) const;
    int NewIdAt(int n) const;

    // Sizes and places the dialog, centred on `centre`, so that with its
    // window frame it stays within `available`: past that the grid
    // scrolls. `frame` is the frame a window gets here, as far as it is
    // known (none: not yet).
    void FitTo(const QRect& available, const QMargins& frame, const QPoint& centre);

    CAssignIdsWnd* Grid() const { return m_grid; }
    QAction* PlayAction() const { return m_play; }
    QAction* LeftToRightAction() const { return m_leftToRight; }
    QAction* RightToLeftAction() const { return m_rightToLeft; }
    REDOvoroz* Slider() const { return m_slider; }
    QTimer* Timer() const { return m_timer; }

public slots:
    void Play();
    void LeftToRight();
    void RightToLeft();
    void OnTimer();
    void OnSliderMoved(int value);

private:
    // Past the screen that holds the main window the grid scrolls.
    void FitToScreen(const QWidget* parent);
    // Within `inside`, the available area less the frame, as near
    // `centre` as it goes.
    void PlaceIn(const QRect& inside, const QPoint& centre);

    QAction* m_play = nullptr;
    QAction* m_leftToRight = nullptr;
    QAction* m_rightToLeft = nullptr;
    REDOvoroz* m_slider = nullptr;
    QTimer* m_timer = nullptr;
    CAssignIdsWnd* m_grid = nullptr;
    QScrollArea* m_scroll = nullptr;
};
