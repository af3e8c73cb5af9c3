#pragma once

#include <QColor>
#include <QWidget>

// The clock of the editors and the timeline: minutes, seconds and
// hundredths, "mm:ss.hh". Owners choose its font and pen colour.
class CTimeWidget : public QWidget
{
    Q_OBJECT
public:
    explicit CTimeWidget(int ms, QWidget* parent = nullptr);

    int Time() const { return m_ms; }
    void SetTime(int ms);
    QColor PenColor() const { return m_penColor; }
    void SetPenColor(const QColor& color);

    QString Text() const { return ClockText(m_ms); }
    // Minutes grow past 59 rather than wrap; times before zero show zero.
    static QString ClockText(int ms);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_ms;
    QColor m_penColor = QColor(30, 30, 30);
};
