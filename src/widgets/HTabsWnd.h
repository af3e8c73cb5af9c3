#pragma once

#include <QRect>
#include <QStringList>
#include <QVector>
#include <QWidget>

// A horizontal bar of named tabs with a close cross on every tab but the
// first, an add button after the tabs and, when the tabs do not fit, two
// scroll buttons at the right end.
//
// Calls from code change the bar without a signal; the signals report what
// the user did. The add button only asks: the owner adds the tab once it has
// made what the tab stands for, so a refusal leaves the bar as it was.
class CHTabsWnd : public QWidget
{
    Q_OBJECT
public:
    explicit CHTabsWnd(QWidget* parent = nullptr);

    // Owners read these and may set the current index directly, then
    // repaint. Rectangles are in widget coordinates as drawn, so a tab
    // scrolled out of sight has one left of the bar or beyond the tab area.
    QStringList m_tabNames;
    QVector<QRect> m_tabRects;
    int m_current = -1;

    int TabCount() const { return m_tabNames.size(); }
    void AddTab(const QString& name);
    void SetTabs(const QStringList& names);
    void SetTabText(int n, const QString& text);
    void UpdateLayout();

    // Empty when not shown.
    QRect AddButtonRect() const { return m_addRect; }
    QRect ScrollLeftRect() const { return m_scrollLeftRect; }
    QRect ScrollRightRect() const { return m_scrollRightRect; }
    QRect CloseButtonRect(int n) const;
    int FirstVisibleTab() const { return m_firstVisible; }
    // Tab widths measured since the bar was made: its layouts' work, which
    // stays in proportion to the tabs whatever tab is brought into sight.
    qint64 WidthsMeasured() const { return m_widthsMeasured; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int kHeight = 24;

signals:
    void addRequested();
    void tabClosed(int n);
    void tabChanged(int n);
    void doubleClicked(int n);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int TabWidth(int n) const;
    // Tab under `pos` in the visible tab area, -1 for none.
    int TabAt(const QPoint& pos) const;
    bool HasCloseButton(int n) const { return n >= 1; }
    void CloseTab(int n);
    void Scroll(int step);
    void EnsureVisible(int n);
    // Index of the last tab that may come first: scrolling further would
    // leave empty space after the last tab.
    int LastFirstVisible() const;

    QRect m_tabArea;
    QRect m_addRect;
    QRect m_scrollLeftRect;
    QRect m_scrollRightRect;
    int m_firstVisible = 0;
    // The tab whose body took the last press, so that a double click counts
    // only on a tab the first click really hit.
    int m_lastPressedTab = -1;
    mutable qint64 m_widthsMeasured = 0;
};
