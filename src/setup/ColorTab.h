#pragma once

#include "setup/PresetTab.h"

class CColorPicker;
class CHalfColorAutoCtrl;
class CMultiColorCtrl;

// Colour presets: the picker paints the half colour's current square; the
// automatic half colour is only dragged onto the preset list.
class CColorTab : public CPresetTab
{
    Q_OBJECT
public:
    explicit CColorTab(QWidget* parent = nullptr);

    CColorPicker* Picker() const { return m_picker; }
    CMultiColorCtrl* HalfColor() const { return m_halfColor; }
    CHalfColorAutoCtrl* HalfColorAuto() const { return m_halfColorAuto; }

public slots:
    void OnHalfColorSelChanged(QListWidgetItem* item);
    void OnHalfColorAutoSelChanged(QListWidgetItem* item);
    void OnColorChanged(uchar red, uchar green, uchar blue);

private:
    CColorPicker* m_picker;
    CMultiColorCtrl* m_halfColor;
    CHalfColorAutoCtrl* m_halfColorAuto;
};
