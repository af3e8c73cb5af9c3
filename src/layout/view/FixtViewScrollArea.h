#pragma once

#include <QRect>
#include <QScrollArea>

// The scroll area that hosts the layout view. While a handle of the view is
// dragged it draws the dragged outline too, so the outline stays visible
// where it runs past the view's edge.
class CFixtViewScrollArea : public QScrollArea
{
    Q_OBJECT
public:
    explicit CFixtViewScrollArea(QWidget* parent = nullptr);

    // The rectangle is in view-widget coordinates; an invalid one hides the outline.
    void SetOutline(const QRect& rect, bool visible);
    bool IsOutlineVisible() const { return m_outlineVisible; }
    QRect Outline() const { return m_outline; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_outlineVisible = false;
    QRect m_outline;
};
