#pragma once

#include <QWidget>

class CPresetsList;

// A titled picture list with zoom buttons; large sizes zoom up to 128-pixel
// pictures, the others to 48.
class CPresetsListWnd : public QWidget
{
    Q_OBJECT
public:
    CPresetsListWnd(const QString& title, bool largeSizes, QWidget* parent = nullptr);

    CPresetsList* List() const { return m_list; }
    int IconEdge() const { return m_edge; }

public slots:
    void OnZoomIn();
    void OnZoomOut();

private:
    void SetEdge(int edge);

    int m_edge = 48;
    bool m_large;
    CPresetsList* m_list;
};
