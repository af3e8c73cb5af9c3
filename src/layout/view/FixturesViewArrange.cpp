#include "layout/view/FixturesView.h"

#include "layout/view/FixtureItem.h"
#include "layout/view/MatrixDimDlg.h"
#include "show/ShowHost.h"

#include <QtMath>

#include <algorithm>
#include <climits>
#include <cmath>

// Only fixture items move; each is placed by place(item, k, (x, y)), which
// returns the next position, and then kept inside the scene.
template <typename Place>
void CFixturesView::ArrangeSelected(Place place)
{
    int k = 0;
    for (CFixtureItem* item : qAsConst(m_fixtureItems)) {
        if (!item->IsSelected())
            continue;
        item->m_rect.moveTopLeft(place(item, k++));
        KeepInScene(item->m_rect);
    }
    update();
    ShowHost().SetModified(true);
}

QPoint CFixturesView::SelectionTopLeft() const
{
    int left = INT_MAX;
    int top = INT_MAX;
    for (const CFixtureItem* item : m_fixtureItems) {
        if (!item->IsSelected())
            continue;
        left = std::min(left, item->m_rect.left());
        top = std::min(top, item->m_rect.top());
    }
    return left == INT_MAX ? QPoint(0, 0) : QPoint(left, top);
}

QPoint CFixturesView::SelectionCentre() const
{
    int left = INT_MAX;
    int top = INT_MAX;
    int right = INT_MIN;
    int bottom = INT_MIN;
    for (const CFixtureItem* item : m_fixtureItems) {
        if (!item->IsSelected())
            continue;
        left = std::min(left, item->m_rect.left());
        top = std::min(top, item->m_rect.top());
        right = std::max(right, item->m_rect.left());
        bottom = std::max(bottom, item->m_rect.top());
    }
    if (left == INT_MAX)
        return m_sceneRect.center();
    return QPoint(int((qint64(left) + right) / 2), int((qint64(top) + bottom) / 2));
}

void CFixturesView::ArrangeInLine()
{
    if (m_locked)
        return;
    QPoint next = SelectionTopLeft();
    ArrangeSelected([&next](const CFixtureItem* item, int) {
        const QPoint at = next;
        next.rx() += item->m_rect.width();
        return at;
    });
}

void CFixturesView::ArrangeInCircle()
{
    if (m_locked)
        return;
    int count = 0;
    int maxWidth = 0;
    int maxHeight = 0;
    for (const CFixtureItem* item : qAsConst(m_fixtureItems)) {
        if (!item->IsSelected())
            continue;
        ++count;
        maxWidth = std::max(maxWidth, item->m_rect.width());
        maxHeight = std::max(maxHeight, item->m_rect.height());
    }
    if (count == 0)
        return;
    const QPoint centre = SelectionCentre();
    const int radius = std::min(maxWidth, maxHeight) * count / 3;
    ArrangeSelected([&](const CFixtureItem*, int k) {
        const float angle = float(double(k) * 2.0 * M_PI / double(count));
        return QPoint(int(std::cos(angle) * float(radius) + float(centre.x())),
                      int(std::sin(angle) * float(radius) + float(centre.y())));
    });
}

void CFixturesView::ArrangeAsMatrix()
{
    if (m_locked)
        return;
    const int count = int(std::count_if(m_fixtureItems.begin(), m_fixtureItems.end(),
                                         [](const CFixtureItem* item) { return item->IsSelected(); }));
    CMatrixDimDlg dialog(count, this);
    ShowHost().SuspendVideoWindow();
    const int result = m_dialogRunner ? m_dialogRunner(dialog) : dialog.exec();
    ShowHost().ResumeVideoWindow();
    if (result != QDialog::Accepted || dialog.Columns() <= 0)
        return;

    const int columns = dialog.Columns();
    const QPoint origin = SelectionTopLeft();
    QPoint next = origin;
    int column = 0;
    int rowHeight = 0;
    ArrangeSelected([&](const CFixtureItem* item, int) {
        const QPoint at = next;
        rowHeight = std::max(rowHeight, item->m_rect.height());
        if (++column == columns) {
            next = QPoint(origin.x(), next.y() + rowHeight);
            column = 0;
            rowHeight = 0;
        } else {
            next.rx() += item->m_rect.width();
        }
        return at;
    });
}
