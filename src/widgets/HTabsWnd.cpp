#include "widgets/HTabsWnd.h"

#include "widgets/Glyphs.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int kTextPadding = 10;
constexpr int kCloseSize = 12;
constexpr int kMinTabWidth = 40;
constexpr int kButtonWidth = 18;
constexpr int kTopGap = 3;
} // namespace

CHTabsWnd::CHTabsWnd(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    UpdateLayout();
}

void CHTabsWnd::AddTab(const QString& name)
{
    m_tabNames.append(name);
    m_current = m_tabNames.size() - 1;
    UpdateLayout();
    EnsureVisible(m_current);
    update();
}

void CHTabsWnd::SetTabs(const QStringList& names)
{
    m_tabNames = names;
    m_current = names.isEmpty() ? -1 : 0;
    m_firstVisible = 0;
    m_lastPressedTab = -1;
    UpdateLayout();
    update();
}

void CHTabsWnd::SetTabText(int n, const QString& text)
{
    if (n < 0 || n >= m_tabNames.size())
        return;
    m_tabNames[n] = text;
    UpdateLayout();
    update();
}

int CHTabsWnd::TabWidth(int n) const
{
    ++m_widthsMeasured;
    int w = fontMetrics().horizontalAdvance(m_tabNames[n]) + 2 * kTextPadding;
    if (HasCloseButton(n))
        w += kCloseSize + 2;
    return std::max(kMinTabWidth, w);
}

int CHTabsWnd::LastFirstVisible() const
{
    int room = m_tabArea.width();
    int n = m_tabNames.size();
    while (n > 0 && room - TabWidth(n - 1) >= 0) {
        room -= TabWidth(n - 1);
        --n;
    }
    return std::min(n, std::max(0, int(m_tabNames.size()) - 1));
}

void CHTabsWnd::UpdateLayout()
{
    const int count = m_tabNames.size();
    int total = 0;
    for (int i = 0; i < count; ++i)
        total += TabWidth(i);

    const QRect bar = rect();
    const bool overflow = total + kButtonWidth + 2 > bar.width();
    if (overflow) {
        m_scrollRightRect = QRect(bar.right() - kButtonWidth + 1, kTopGap, kButtonWidth, kHeight - kTopGap);
        m_scrollLeftRect = m_scrollRightRect.translated(-kButtonWidth, 0);
        m_addRect = m_scrollLeftRect.translated(-kButtonWidth - 2, 0);
        m_tabArea = QRect(0, 0, std::max(0, m_addRect.left() - 2), kHeight);
    } else {
        m_scrollLeftRect = QRect();
        m_scrollRightRect = QRect();
        m_tabArea = QRect(0, 0, total, kHeight);
        m_addRect = QRect(total + 2, kTopGap, kButtonWidth, kHeight - kTopGap);
        m_firstVisible = 0;
    }
    m_firstVisible = std::clamp(m_firstVisible, 0, overflow ? LastFirstVisible() : 0);

    int x = 0;
    for (int i = 0; i < m_firstVisible; ++i)
        x -= TabWidth(i);
    m_tabRects.resize(count);
    for (int i = 0; i < count; ++i) {
        const int w = TabWidth(i);
        m_tabRects[i] = QRect(x, kTopGap, w, kHeight - kTopGap);
        x += w;
    }
}

void CHTabsWnd::EnsureVisible(int n)
{
    if (n < 0 || n >= m_tabRects.size() || m_scrollRightRect.isNull())
        return;
    const QRect r = m_tabRects[n];
    int first = m_firstVisible;
    if (r.left() < m_tabArea.left()) {
        first = n;
    } else if (r.right() > m_tabArea.right() && first < n) {
        // The first tab from which n still ends inside the area, found in
        // one walk back: a layout per tab scrolled made the first add after
        // opening thousands of tabs take minutes.
        int room = m_tabArea.width() - TabWidth(n);
        first = n;
        while (first > m_firstVisible + 1 && room - TabWidth(first - 1) >= 0) {
            room -= TabWidth(first - 1);
            --first;
        }
    }
    if (first == m_firstVisible)
        return;
    m_firstVisible = first;
    UpdateLayout();
}

QRect CHTabsWnd::CloseButtonRect(int n) const
{
    if (n < 0 || n >= m_tabRects.size() || !HasCloseButton(n))
        return QRect();
    const QRect r = m_tabRects[n];
    return QRect(r.right() - kCloseSize - 3, r.center().y() - kCloseSize / 2 + 1, kCloseSize, kCloseSize);
}

int CHTabsWnd::TabAt(const QPoint& pos) const
{
    if (!m_tabArea.contains(pos))
        return -1;
    for (int i = 0; i < m_tabRects.size(); ++i) {
        if (m_tabRects[i].contains(pos))
            return i;
    }
    return -1;
}

QSize CHTabsWnd::sizeHint() const
{
    int total = 0;
    for (int i = 0; i < m_tabNames.size(); ++i)
        total += TabWidth(i);
    return QSize(total + kButtonWidth + 4, kHeight);
}

QSize CHTabsWnd::minimumSizeHint() const
{
    return QSize(kMinTabWidth + 4 * kButtonWidth, kHeight);
}

void CHTabsWnd::resizeEvent(QResizeEvent*)
{
    UpdateLayout();
    EnsureVisible(m_current);
}

void CHTabsWnd::CloseTab(int n)
{
    if (!HasCloseButton(n) || n >= m_tabNames.size())
        return;
    m_tabNames.removeAt(n);
    if (m_current > n || m_current == n)
        --m_current;
    m_lastPressedTab = -1;
    UpdateLayout();
    update();
    emit tabClosed(n);
}

void CHTabsWnd::Scroll(int step)
{
    const int first = std::clamp(m_firstVisible + step, 0, LastFirstVisible());
    if (first == m_firstVisible)
        return;
    m_firstVisible = first;
    UpdateLayout();
    update();
}

void CHTabsWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    m_lastPressedTab = -1;
    const QPoint pos = event->pos();
    if (m_scrollLeftRect.contains(pos)) {
        Scroll(-1);
        return;
    }
    if (m_scrollRightRect.contains(pos)) {
        Scroll(1);
        return;
    }
    if (m_addRect.contains(pos)) {
        emit addRequested();
        return;
    }
    const int n = TabAt(pos);
    if (n < 0)
        return;
    if (CloseButtonRect(n).contains(pos)) {
        CloseTab(n);
        return;
    }
    m_lastPressedTab = n;
    if (n == m_current)
        return;
    m_current = n;
    EnsureVisible(n);
    update();
    emit tabChanged(n);
}

void CHTabsWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int n = event->button() == Qt::LeftButton ? TabAt(event->pos()) : -1;
    if (n >= 0 && n == m_lastPressedTab && n == m_current && !CloseButtonRect(n).contains(event->pos())) {
        event->accept();
        emit doubleClicked(n);
        return;
    }
    // A quick second click on a button is a click of its own.
    mousePressEvent(event);
}

void CHTabsWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QColor line(130, 130, 130);
    painter.setPen(line);
    painter.drawLine(0, height() - 1, width() - 1, height() - 1);

    painter.save();
    painter.setClipRect(m_tabArea);
    for (int i = 0; i < m_tabRects.size(); ++i) {
        const QRect r = m_tabRects[i];
        if (!r.intersects(m_tabArea))
            continue;
        const bool current = i == m_current;
        const QRect body = current ? r.adjusted(0, -2, -1, 0) : r.adjusted(0, 0, -1, -1);
        painter.fillRect(body, current ? QColor(245, 245, 240) : QColor(205, 205, 200));
        painter.setPen(line);
        painter.drawLine(body.topLeft(), body.bottomLeft());
        painter.drawLine(body.topLeft(), body.topRight());
        painter.drawLine(body.topRight(), body.bottomRight());
        if (current)
            painter.fillRect(QRect(body.left() + 1, body.top(), body.width() - 2, 2), QColor(229, 121, 72));
        QRect textRect = r.adjusted(kTextPadding, 0, -kTextPadding, 0);
        if (HasCloseButton(i))
            textRect.setRight(CloseButtonRect(i).left() - 2);
        painter.setPen(QColor(30, 30, 30));
        painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, m_tabNames[i]);
        if (HasCloseButton(i))
            PaintCross(painter, CloseButtonRect(i), QColor(90, 90, 90));
    }
    painter.restore();

    if (!m_addRect.isNull())
        PaintPlus(painter, m_addRect, QColor(60, 120, 60));
    if (!m_scrollLeftRect.isNull()) {
        const QColor on(60, 60, 60);
        const QColor off(170, 170, 170);
        PaintArrow(painter, m_scrollLeftRect, 180, m_firstVisible > 0 ? on : off);
        PaintArrow(painter, m_scrollRightRect, 0, m_firstVisible < LastFirstVisible() ? on : off);
    }
}
