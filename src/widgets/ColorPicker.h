#pragma once

#include <QColor>
#include <QList>
#include <QWidget>

class CColorCircle;
class CColorPresetBar;
class REDOvoroz;

// The colour picker of the set-up dialogs: a wheel, red, green and blue
// sliders, a bar of eight fixed colours and a bar of the operator's saved
// colours. Every change of its colour is reported once, whether it came
// from the wheel, a slider, a bar or the wheel's SetColor.
//
// With flag 1 the bars' swatches can also be dragged onto preset lists as
// colour presets.
class CColorPicker : public QWidget
{
    Q_OBJECT
public:
    explicit CColorPicker(int flag, QWidget* parent = nullptr);

    CColorCircle* m_pCircle;

    int Flag() const { return m_flag; }
    QColor Color() const { return m_color; }
    // The saved colours of the options; the bar shows the first six.
    void SetSavedColors(const QList<QColor>& colors);

    static QList<QColor> FixedColors();
    static constexpr int kSavedShown = 6;

    REDOvoroz* Slider(int component) const { return m_pSliders[component]; }
    CColorPresetBar* FixedBar() const { return m_pFixedBar; }
    CColorPresetBar* SavedBar() const { return m_pSavedBar; }

signals:
    void colorChanged(uchar red, uchar green, uchar blue);

private slots:
    void OnCircleColor(const QColor& color, int flag);
    void OnSliderChanged();
    void OnBarColor(const QColor& color);

private:
    int m_flag;
    QColor m_color = Qt::white;
    REDOvoroz* m_pSliders[3];
    CColorPresetBar* m_pFixedBar;
    CColorPresetBar* m_pSavedBar;
};
