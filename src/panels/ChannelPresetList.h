#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QStringList>
#include <QWidget>

// The pictures of a channel's presets: one column from the bottom up (the
// scroller layout) or a grid filled column by column from the bottom row.
class CChannelPresetList : public QWidget
{
    Q_OBJECT
public:
    CChannelPresetList(const QList<QImage>& pictures, const QStringList& names, const QColor& background,
                       QWidget* parent = nullptr);

    // Lays the items out for `itemSize` squares in a list `height` high.
    void SetLayout(int itemSize, int height, bool scroller);
    int ItemSize() const { return m_itemSize; }
    bool IsScroller() const { return m_scroller; }
    int Count() const { return m_rects.size(); }
    QRect ItemRect(int index) const { return m_rects.value(index); }
    int Selected() const { return m_selected; }
    void SetSelected(int index);
    void ClearSelection() { SetSelected(-1); }

signals:
    void presetChanged(int index, bool rightButton);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int ItemAt(const QPoint& pos) const;
    void DrawCache();

    QList<QImage> m_pictures;
    QStringList m_names;
    QList<QRect> m_rects;
    QColor m_background;
    QPixmap m_cache;
    int m_selected = -1;
    bool m_pressed = false;
    bool m_scroller = true;
    int m_itemSize = 32;
};
