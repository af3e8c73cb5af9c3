#pragma once

#include <QWidget>

class QLabel;
class QSpinBox;
class REDOvoroz;

// A caption over a vertical slider and a spin box that share one range and
// one value: moving either moves the other and reports the value once.
class CSliderCtrl : public QWidget
{
    Q_OBJECT
public:
    explicit CSliderCtrl(const QString& caption, QWidget* parent = nullptr);

    void SetCaption(const QString& caption);
    QString Caption() const;
    // From code, without a signal; the value is kept inside the range.
    void SetRange(int minimum, int maximum);
    void SetValue(int value);
    int Value() const;
    int Minimum() const;
    int Maximum() const;

    QSpinBox* SpinBox() const { return m_pSpin; }
    REDOvoroz* Slider() const { return m_pSlider; }

signals:
    void valueChanged(int value);

private slots:
    void OnSliderChanged(int value);
    void OnSpinChanged(int value);

private:
    QLabel* m_pCaption;
    REDOvoroz* m_pSlider;
    QSpinBox* m_pSpin;
};
