#pragma once

#include <QPixmap>
#include <QVector>
#include <QWidget>

// The waveform of one curve channel, 16-bit levels over one cycle, with a
// line where the preview stands.
class CDrawCurveCtrl : public QWidget
{
    Q_OBJECT
public:
    explicit CDrawCurveCtrl(QWidget* parent = nullptr);

    // 25, 50, 100 or 200 points per cycle.
    void SetPointCount(int points);
    int PointCount() const { return m_points; }
    void SetValues(const QVector<int>& values);
    void Clear();
    void ShowPlayLine(bool shown);
    bool IsPlayLineShown() const { return m_playShown; }
    void SetPlayX(int x);

    static int YOf(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Redraw();

    QVector<int> m_values;
    QPixmap m_pixmap;
    int m_points = 200;
    int m_playX = 0;
    bool m_playShown = false;
};
