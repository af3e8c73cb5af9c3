#pragma once

#include <QWidget>

class CChannelPresetList;
class QPushButton;
class QScrollArea;

// The preset list in a scroll area with Up and Down buttons that move it by
// one item.
class CScrollPresetList : public QWidget
{
    Q_OBJECT
public:
    CScrollPresetList(CChannelPresetList* list, const QColor& background, QWidget* parent = nullptr);

    CChannelPresetList* List() const { return m_list; }
    QScrollArea* Area() const { return m_area; }
    // The list laid out again; the area takes its width and `height`.
    void SetListLayout(int itemSize, int height, bool scroller);
    void ScrollToTop();

public slots:
    void OnPresetUp();
    void OnPresetDown();

private:
    CChannelPresetList* m_list;
    QScrollArea* m_area;
    QPushButton* m_up;
    QPushButton* m_down;
};
