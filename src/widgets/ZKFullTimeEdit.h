#pragma once

#include <QWidget>

class QSpinBox;

// A time of the timeline in hours, minutes, seconds and milliseconds,
// limited to a range the owner sets; the user cannot leave the range. A
// typed time is taken when the user finishes it (Return, or focus leaving
// the field) and then held to the range; arrows and the wheel step at once.
class CZKFullTimeEdit : public QWidget
{
    Q_OBJECT
public:
    explicit CZKFullTimeEdit(QWidget* parent = nullptr);

    // From code: no signal; the time is kept inside the range.
    void SetTime(int ms);
    int GetTime() const { return m_ms; }
    // Reversed bounds are put in order; the shown time moves into the new
    // range without a signal.
    void SetRange(int minimumMs, int maximumMs);
    int Minimum() const { return m_min; }
    int Maximum() const { return m_max; }

    QSpinBox* Hours() const { return m_pHours; }
    QSpinBox* Minutes() const { return m_pMinutes; }
    QSpinBox* Seconds() const { return m_pSeconds; }
    QSpinBox* Milliseconds() const { return m_pMs; }

    static constexpr int kLongest = ((99 * 60 + 59) * 60 + 59) * 1000 + 999;

signals:
    void timeChanged(int ms);

private slots:
    void OnFieldChanged();

private:
    int FieldsTime() const;
    void ShowTime(int ms);

    QSpinBox* m_pHours;
    QSpinBox* m_pMinutes;
    QSpinBox* m_pSeconds;
    QSpinBox* m_pMs;
    int m_min = 0;
    int m_max = kLongest;
    int m_ms = 0;
};
