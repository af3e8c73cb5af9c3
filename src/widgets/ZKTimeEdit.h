#pragma once

#include <QTime>
#include <QWidget>

class QSpinBox;

// Minutes, seconds and milliseconds of an effect or step duration, each in
// its own spin box that wraps without carrying into the next field;
// milliseconds step by 40, the grain of effect step times. The short range,
// used for steps and effects, caps minutes at 43.
class CZKTimeEdit : public QWidget
{
    Q_OBJECT
public:
    explicit CZKTimeEdit(QWidget* parent = nullptr, bool shortRange = false);

    // From code: no signal. Fields outside their range are clamped.
    void SetTime(const QTime& time);
    QTime GetTime() const;

    QSpinBox* Minutes() const { return m_pMinutes; }
    QSpinBox* Seconds() const { return m_pSeconds; }
    QSpinBox* Milliseconds() const { return m_pMs; }

signals:
    void timeChanged(const QTime& time);

private slots:
    void OnFieldChanged();

private:
    QSpinBox* m_pMinutes;
    QSpinBox* m_pSeconds;
    QSpinBox* m_pMs;
};
